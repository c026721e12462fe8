// A stand-in for the printer UI library (printui.dll) in a test's program folder, where
// LoadLibrary finds it before the system's. Its entry appends one line per call to the
// file named by KELO_PRINTUI_LOG (UTF-8):
//   entry=<name> TAB window=<null|set> TAB instance=<self|other> TAB show=<n> TAB command=<text>
// Built once per entry: PrintUIEntryW, PrintUIEntryA, PrintUIEntry, or none at all.
#include <windows.h>

#include <string>

#include "lab_text.h"

namespace {

HMODULE self() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&self), &module);
    return module;
}

[[maybe_unused]] void record(const wchar_t* entry, HWND window, HINSTANCE instance, const std::wstring& command,
                             UINT show) {
    wchar_t path[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"KELO_PRINTUI_LOG", path, MAX_PATH)) return;
    std::wstring line = std::wstring(L"entry=") + entry + L"\twindow=" + (window ? L"set" : L"null") + L"\tinstance=" +
                        (instance == self() ? L"self" : L"other") + L"\tshow=" + std::to_wstring(show) + L"\tcommand=" +
                        command + L"\r\n";
    std::string bytes = lab::toUtf8(line);
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

#if defined(PRINTUI_WIDE)
extern "C" __declspec(dllexport) void WINAPI
    PrintUIEntryW(HWND window, HINSTANCE instance, LPCWSTR command, UINT show) {
    record(L"PrintUIEntryW", window, instance, command ? command : L"", show);
}
#elif defined(PRINTUI_ANSI)
extern "C" __declspec(dllexport) void WINAPI PrintUIEntryA(HWND window, HINSTANCE instance, LPCSTR command, UINT show) {
    record(L"PrintUIEntryA", window, instance, lab::fromAnsi(command ? command : ""), show);
}
#elif defined(PRINTUI_PLAIN)
extern "C" __declspec(dllexport) void WINAPI PrintUIEntry(HWND window, HINSTANCE instance, LPCSTR command, UINT show) {
    record(L"PrintUIEntry", window, instance, lab::fromAnsi(command ? command : ""), show);
}
#else
extern "C" __declspec(dllexport) int WINAPI NoPrintUIEntry() { return 0; }
#endif
