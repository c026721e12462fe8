// setup-action-runner.exe: calls one custom action of KeloSetup.dll (from this program's
// folder) the way the Windows Installer does, with a package made for the run.
//
//   setup-action-runner.exe <export> [NAME=VALUE]... [--refuse=<call>=<error>]...
//
// Reports on standard output, one line each, TAB separated:
//   platform <code>                  the platform code this process sees
//   spooler <call> result=<0|1> error=<last error>
//                                    the spooler calls of KeloSetup.dll: its imports of
//                                    them are pointed at stand-ins that pass each on to
//                                    Wine's spooler, or refuse it with the error asked
//                                    for; AddPrinterW refuses an existing printer with
//                                    1802, as the Windows spooler does (Wine's rewrites
//                                    the printer)
//   installer <error|info> <text>    the error and information messages sent to the
//                                    installer, line breaks as "\n"
//   result <code>                    the action's result, which is also the exit code
// The package's UILevel is 5 (full user interface) unless the arguments set it.
#include <windows.h>

#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "error_msg.h"
#include "installer_package.h"
#include "lab_text.h"
#include "platform.h"

namespace {

std::map<std::string, DWORD> refusals;  // call without its A/W ending -> its error

// Runs the real call unless it is refused, reports it and keeps its last error.
template <typename Result, typename Call>
Result forward(const char* name, Call real) {
    Result result{};
    auto refusal = refusals.find(std::string(name, strlen(name) - 1));
    if (refusal != refusals.end())
        SetLastError(refusal->second);
    else
        result = real();
    DWORD error = GetLastError();
    printf("spooler\t%s\tresult=%d\terror=%lu\n", name, result ? 1 : 0, result ? 0ul : (unsigned long)error);
    SetLastError(error);
    return result;
}

#define STAND_IN(Result, Name, Parameters, Arguments)                  \
    Result WINAPI Name##StandIn Parameters {                           \
        return forward<Result>(#Name, [&] { return Name Arguments; }); \
    }
STAND_IN(BOOL, AddMonitorW, (LPWSTR server, DWORD level, LPBYTE info), (server, level, info))
STAND_IN(BOOL, AddPortW, (LPWSTR server, HWND window, LPWSTR monitor), (server, window, monitor))
STAND_IN(BOOL, SetPrinterW, (HANDLE printer, DWORD level, LPBYTE info, DWORD command), (printer, level, info, command))

HANDLE WINAPI AddPrinterWStandIn(LPWSTR server, DWORD level, LPBYTE info) {
    return forward<HANDLE>("AddPrinterW", [&]() -> HANDLE {
        HANDLE existing = nullptr;
        auto* printer = reinterpret_cast<PRINTER_INFO_2W*>(info);
        if (*printer->pPrinterName && OpenPrinterW(printer->pPrinterName, &existing, nullptr)) {
            ClosePrinter(existing);
            SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
            return nullptr;
        }
        return AddPrinterW(server, level, info);
    });
}

const struct {
    const char* name;
    void* standIn;
} kStandIns[] = {{"AddMonitorW", reinterpret_cast<void*>(AddMonitorWStandIn)},
                 {"AddPortW", reinterpret_cast<void*>(AddPortWStandIn)},
                 {"AddPrinterW", reinterpret_cast<void*>(AddPrinterWStandIn)},
                 {"SetPrinterW", reinterpret_cast<void*>(SetPrinterWStandIn)}};

// Points KeloSetup.dll's imports of the calls at the stand-ins.
void installStandIns(HMODULE module) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int patched = 0;
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); library->Name;
         ++library) {
        if (_stricmp(reinterpret_cast<char*>(base + library->Name), "winspool.drv") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const auto& standIn : kStandIns) {
                if (strcmp(reinterpret_cast<char*>(byName->Name), standIn.name) != 0) continue;
                DWORD protection = 0;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(standIn.standIn);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
                patched++;
            }
        }
    }
    if (!patched) throw cERROR_MSG(BV_ERR_GENERAL, "The module imports no spooler function");
}

void say(const std::wstring& line) { printf("%s\n", lab::toUtf8(line).c_str()); }

int WINAPI reportInstallerMessage(LPVOID, UINT type, LPCWSTR message) {
    UINT kind = type & 0xFF000000;
    if (!message || (kind != INSTALLMESSAGE_ERROR && kind != INSTALLMESSAGE_INFO)) return 0;
    std::wstring text = message;
    for (size_t at; (at = text.find(L'\n')) != std::wstring::npos;) text.replace(at, 1, L"\\n");
    say(std::wstring(L"installer\t") + (kind == INSTALLMESSAGE_ERROR ? L"error\t" : L"info\t") + text);
    return 0;
}

int run(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) throw cERROR_MSG(BV_ERR_GENERAL, "usage: setup-action-runner <export> [arguments]");
    TestPackage package;
    package.setProperty(L"UILevel", L"5");
    MsiSetExternalUIW(reportInstallerMessage, INSTALLLOGMODE_ERROR | INSTALLLOGMODE_INFO, nullptr);
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        size_t equals = argument.find(L'=');
        if (argument.rfind(L"--refuse=", 0) == 0) {
            size_t error = argument.find(L'=', 9);
            refusals[lab::toUtf8(argument.substr(9, error - 9))] = wcstoul(&argument[error + 1], nullptr, 10);
        } else if (equals != std::wstring::npos) {
            package.setProperty(argument.substr(0, equals), argument.substr(equals + 1));
        } else {
            throw cERROR_MSG(BV_ERR_GENERAL, "unknown argument %s", lab::toUtf8(argument).c_str());
        }
    }

    HMODULE setup = LoadLibraryW(L"KeloSetup.dll");
    if (!setup) throw cERROR_MSG(BV_ERR_GENERAL, "Cannot load KeloSetup.dll: %lu", GetLastError());
    installStandIns(setup);
    auto action = reinterpret_cast<UINT(WINAPI*)(MSIHANDLE)>(
        reinterpret_cast<void*>(GetProcAddress(setup, lab::toAnsi(arguments[0]).c_str())));
    if (!action) throw cERROR_MSG(BV_ERR_GENERAL, "KeloSetup.dll has no export %s", lab::toUtf8(arguments[0]).c_str());
    say(L"platform\t" + std::to_wstring(windowsVersionClass()));
    UINT result = action(package.handle());
    say(L"result\t" + std::to_wstring(result));
    return (int)result;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    setvbuf(stdout, nullptr, _IONBF, 0);  // what is written stays when the run is ended
    try {
        return run(lab::commandLineArguments());
    } catch (const cERROR_MSG& error) {
        fprintf(stderr, "setup-action-runner: %s\n", error.message);
        return 3;
    }
}
