#include "spooler_recorder.h"

#include <winspool.h>

#include <cstdio>
#include <vector>

#include "error_msg.h"
#include "lab_text.h"

namespace spoolerrecorder {
namespace {

Options options;

std::wstring text(const wchar_t* value) { return value ? value : L"<null>"; }
std::wstring text(const char* value) { return value ? lab::fromAnsi(value) : L"<null>"; }
std::wstring pointer(const void* value) { return value ? L"set" : L"<null>"; }

void report(const std::wstring& call, const std::vector<std::pair<std::wstring, std::wstring>>& fields, BOOL result,
            DWORD error) {
    std::wstring line = L"spooler\t" + call;
    for (const auto& field : fields) line += L"\t" + field.first + L"=" + field.second;
    line += L"\tresult=" + std::to_wstring(result ? 1 : 0) + L"\terror=" + std::to_wstring(result ? 0 : error);
    printf("%s\n", lab::toUtf8(line).c_str());
    fflush(stdout);
}

// True (with the last error set) when the test asked for this call to fail.
bool refused(const wchar_t* call) {
    auto found = options.refusals.find(call);
    if (found == options.refusals.end()) return false;
    SetLastError(found->second);
    return true;
}

// Runs the real call unless it is refused, reports it and keeps its last error.
template <typename Result, typename Call>
Result forward(const wchar_t* baseName, const wchar_t* call, std::vector<std::pair<std::wstring, std::wstring>> fields,
               Call real) {
    Result result{};
    if (refused(baseName))
        fields.emplace_back(L"refused", L"1");
    else
        result = real();
    DWORD error = GetLastError();
    report(call, fields, result ? TRUE : FALSE, error);
    SetLastError(error);
    return result;
}

template <typename Info>
std::vector<std::pair<std::wstring, std::wstring>> monitorFields(LPBYTE info, DWORD level) {
    const Info* monitor = reinterpret_cast<const Info*>(info);
    if (!monitor || level != 2) return {{L"level", std::to_wstring(level)}};
    return {{L"level", std::to_wstring(level)},
            {L"name", text(monitor->pName)},
            {L"environment", text(monitor->pEnvironment)},
            {L"dll", text(monitor->pDLLName)}};
}

template <typename Info>
std::vector<std::pair<std::wstring, std::wstring>> printerFields(LPBYTE info, DWORD level) {
    const Info* printer = reinterpret_cast<const Info*>(info);
    if (!printer || level != 2) return {{L"level", std::to_wstring(level)}};
    return {{L"level", std::to_wstring(level)},     {L"name", text(printer->pPrinterName)},
            {L"port", text(printer->pPortName)},    {L"driver", text(printer->pDriverName)},
            {L"comment", text(printer->pComment)},  {L"processor", text(printer->pPrintProcessor)},
            {L"datatype", text(printer->pDatatype)}};
}

bool printerExists(const std::wstring& name) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, nullptr)) return false;
    ClosePrinter(printer);
    return true;
}

// The Windows spooler refuses to add a printer that exists.
template <typename Info>
bool duplicate(LPBYTE info, DWORD level) {
    const Info* printer = reinterpret_cast<const Info*>(info);
    if (!options.windowsDuplicateRule || !printer || level != 2 || !printer->pPrinterName) return false;
    if (!printerExists(text(printer->pPrinterName))) return false;
    SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
    return true;
}

BOOL WINAPI addMonitorW(LPWSTR server, DWORD level, LPBYTE info) {
    auto fields = monitorFields<MONITOR_INFO_2W>(info, level);
    fields.emplace(fields.begin(), L"server", text(server));
    return forward<BOOL>(L"AddMonitor", L"AddMonitorW", fields, [&] { return AddMonitorW(server, level, info); });
}
BOOL WINAPI addMonitorA(LPSTR server, DWORD level, LPBYTE info) {
    auto fields = monitorFields<MONITOR_INFO_2A>(info, level);
    fields.emplace(fields.begin(), L"server", text(server));
    return forward<BOOL>(L"AddMonitor", L"AddMonitorA", fields, [&] { return AddMonitorA(server, level, info); });
}

BOOL WINAPI addPortW(LPWSTR server, HWND window, LPWSTR monitor) {
    return forward<BOOL>(L"AddPort", L"AddPortW",
                         {{L"server", text(server)}, {L"window", pointer(window)}, {L"monitor", text(monitor)}},
                         [&] { return AddPortW(server, window, monitor); });
}
BOOL WINAPI addPortA(LPSTR server, HWND window, LPSTR monitor) {
    return forward<BOOL>(L"AddPort", L"AddPortA",
                         {{L"server", text(server)}, {L"window", pointer(window)}, {L"monitor", text(monitor)}},
                         [&] { return AddPortA(server, window, monitor); });
}

HANDLE WINAPI addPrinterW(LPWSTR server, DWORD level, LPBYTE info) {
    return forward<HANDLE>(L"AddPrinter", L"AddPrinterW", printerFields<PRINTER_INFO_2W>(info, level), [&]() -> HANDLE {
        return duplicate<PRINTER_INFO_2W>(info, level) ? nullptr : AddPrinterW(server, level, info);
    });
}
HANDLE WINAPI addPrinterA(LPSTR server, DWORD level, LPBYTE info) {
    return forward<HANDLE>(L"AddPrinter", L"AddPrinterA", printerFields<PRINTER_INFO_2A>(info, level), [&]() -> HANDLE {
        return duplicate<PRINTER_INFO_2A>(info, level) ? nullptr : AddPrinterA(server, level, info);
    });
}

std::wstring access(const void* defaults, ACCESS_MASK mask) {
    if (!defaults) return L"default";
    wchar_t hex[16];
    swprintf(hex, 16, L"%lx", (unsigned long)mask);
    return hex;
}

BOOL WINAPI openPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
    return forward<BOOL>(L"OpenPrinter", L"OpenPrinterW",
                         {{L"name", text(name)}, {L"access", access(defaults, defaults ? defaults->DesiredAccess : 0)}},
                         [&] { return OpenPrinterW(name, printer, defaults); });
}
BOOL WINAPI openPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
    return forward<BOOL>(L"OpenPrinter", L"OpenPrinterA",
                         {{L"name", text(name)}, {L"access", access(defaults, defaults ? defaults->DesiredAccess : 0)}},
                         [&] { return OpenPrinterA(name, printer, defaults); });
}

BOOL WINAPI setPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
    return forward<BOOL>(L"SetPrinter", L"SetPrinterW", printerFields<PRINTER_INFO_2W>(info, level),
                         [&] { return SetPrinterW(printer, level, info, command); });
}
BOOL WINAPI setPrinterA(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
    return forward<BOOL>(L"SetPrinter", L"SetPrinterA", printerFields<PRINTER_INFO_2A>(info, level),
                         [&] { return SetPrinterA(printer, level, info, command); });
}

const std::map<std::string, void*>& standIns() {
    static const std::map<std::string, void*> table = {
        {"AddMonitorW", reinterpret_cast<void*>(addMonitorW)},
        {"AddMonitorA", reinterpret_cast<void*>(addMonitorA)},
        {"AddPortW", reinterpret_cast<void*>(addPortW)},
        {"AddPortA", reinterpret_cast<void*>(addPortA)},
        {"AddPrinterW", reinterpret_cast<void*>(addPrinterW)},
        {"AddPrinterA", reinterpret_cast<void*>(addPrinterA)},
        {"OpenPrinterW", reinterpret_cast<void*>(openPrinterW)},
        {"OpenPrinterA", reinterpret_cast<void*>(openPrinterA)},
        {"SetPrinterW", reinterpret_cast<void*>(setPrinterW)},
        {"SetPrinterA", reinterpret_cast<void*>(setPrinterA)},
    };
    return table;
}

}  // namespace

void install(HMODULE module, const Options& given) {
    options = given;
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
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
            auto standIn = standIns().find(reinterpret_cast<char*>(byName->Name));
            if (standIn == standIns().end()) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(standIn->second);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            patched++;
        }
    }
    if (!patched) throw cERROR_MSG(BV_ERR_GENERAL, "The module imports no spooler function");
}

}  // namespace spoolerrecorder
