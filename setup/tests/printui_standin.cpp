// A stand-in for the printer UI library, copied as printui.dll beside the runner, where
// LoadLibrary finds it before the system's. Each call appends "<entry> <command>" (UTF-8)
// to printui.log beside it. Built once per entry: PrintUIEntryW, PrintUIEntryA,
// PrintUIEntry, or none at all.
#include <windows.h>

#include <cstdio>
#include <string>

#include "lab_text.h"

namespace {

[[maybe_unused]] void record(const char* entry, HINSTANCE self, const std::wstring& command) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(self, path, MAX_PATH);
    std::wstring journal = std::wstring(path, wcsrchr(path, L'\\') + 1) + L"printui.log";
    if (FILE* file = _wfopen(journal.c_str(), L"ab")) {
        fprintf(file, "%s %s\n", entry, lab::toUtf8(command).c_str());
        fclose(file);
    }
}

}  // namespace

// The journal lies beside the module of the instance the action hands over: its own.
#if defined(PRINTUI_WIDE)
extern "C" __declspec(dllexport) void WINAPI PrintUIEntryW(HWND, HINSTANCE instance, LPCWSTR command, UINT) {
    record("PrintUIEntryW", instance, command);
}
#elif defined(PRINTUI_ANSI)
extern "C" __declspec(dllexport) void WINAPI PrintUIEntryA(HWND, HINSTANCE instance, LPCSTR command, UINT) {
    record("PrintUIEntryA", instance, lab::fromAnsi(command));
}
#elif defined(PRINTUI_PLAIN)
extern "C" __declspec(dllexport) void WINAPI PrintUIEntry(HWND, HINSTANCE instance, LPCSTR command, UINT) {
    record("PrintUIEntry", instance, lab::fromAnsi(command));
}
#else
extern "C" __declspec(dllexport) int WINAPI NoPrintUIEntry() { return 0; }
#endif
