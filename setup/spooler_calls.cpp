#include "spooler_calls.h"

#include "platform.h"
#include "text_convert.h"

namespace spooler {
namespace {

LPWSTR wideOrNull(const std::wstring& text) { return text.empty() ? nullptr : const_cast<LPWSTR>(text.c_str()); }
LPSTR ansiOrNull(const std::string& text) { return text.empty() ? nullptr : const_cast<LPSTR>(text.c_str()); }

std::wstring fromAnsiField(const char* text) { return text ? toWide(text) : std::wstring(); }

// Runs a spooler query that sizes its buffer with a first call. False when it fails.
template <typename Query>
bool queryWithBuffer(std::vector<BYTE>& buffer, Query query) {
    DWORD needed = 0;
    if (query(nullptr, 0, &needed)) {
        buffer.clear();
        return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return false;
    buffer.assign(needed, 0);
    return query(buffer.data(), needed, &needed) != FALSE;
}

}  // namespace

bool ansiSystem() { return usesAnsiApi(windowsVersionClass()); }

std::vector<std::wstring> monitorNames() {
    std::vector<std::wstring> names;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (ansiSystem()) {
        if (!queryWithBuffer(buffer, [&](LPBYTE data, DWORD size, LPDWORD needed) {
                return EnumMonitorsA(nullptr, 1, data, size, needed, &count);
            }))
            return names;
        for (DWORD i = 0; i < count && !buffer.empty(); ++i)
            names.push_back(fromAnsiField(reinterpret_cast<MONITOR_INFO_1A*>(buffer.data())[i].pName));
    } else {
        if (!queryWithBuffer(buffer, [&](LPBYTE data, DWORD size, LPDWORD needed) {
                return EnumMonitorsW(nullptr, 1, data, size, needed, &count);
            }))
            return names;
        for (DWORD i = 0; i < count && !buffer.empty(); ++i) {
            const wchar_t* name = reinterpret_cast<MONITOR_INFO_1W*>(buffer.data())[i].pName;
            names.push_back(name ? name : L"");
        }
    }
    return names;
}

bool addMonitor(const MonitorRecord& record) {
    if (ansiSystem()) {
        std::string name = toAnsi(record.name), environment = toAnsi(record.environment), dll = toAnsi(record.dllName);
        MONITOR_INFO_2A info = {ansiOrNull(name), ansiOrNull(environment), ansiOrNull(dll)};
        return AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) != FALSE;
    }
    MONITOR_INFO_2W info = {wideOrNull(record.name), wideOrNull(record.environment), wideOrNull(record.dllName)};
    return AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) != FALSE;
}

bool addPort(const std::wstring& monitorName) {
    if (ansiSystem()) {
        std::string monitor = toAnsi(monitorName);
        return AddPortA(nullptr, nullptr, const_cast<LPSTR>(monitor.c_str())) != FALSE;
    }
    return AddPortW(nullptr, nullptr, const_cast<LPWSTR>(monitorName.c_str())) != FALSE;
}

PrinterHandle addPrinter(const PrinterFields& fields) {
    if (ansiSystem()) {
        std::string name = toAnsi(fields.name), port = toAnsi(fields.port), driver = toAnsi(fields.driver),
                    comment = toAnsi(fields.comment), processor = toAnsi(fields.printProcessor),
                    datatype = toAnsi(fields.datatype);
        PRINTER_INFO_2A info = {};
        info.pPrinterName = const_cast<LPSTR>(name.c_str());
        info.pPortName = const_cast<LPSTR>(port.c_str());
        info.pDriverName = const_cast<LPSTR>(driver.c_str());
        info.pComment = const_cast<LPSTR>(comment.c_str());
        info.pPrintProcessor = const_cast<LPSTR>(processor.c_str());
        info.pDatatype = ansiOrNull(datatype);
        return PrinterHandle(AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
    }
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<LPWSTR>(fields.name.c_str());
    info.pPortName = const_cast<LPWSTR>(fields.port.c_str());
    info.pDriverName = const_cast<LPWSTR>(fields.driver.c_str());
    info.pComment = const_cast<LPWSTR>(fields.comment.c_str());
    info.pPrintProcessor = const_cast<LPWSTR>(fields.printProcessor.c_str());
    info.pDatatype = wideOrNull(fields.datatype);
    return PrinterHandle(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
}

PrinterHandle openPrinter(const std::wstring& name, ACCESS_MASK access) {
    PrinterHandle printer;
    if (ansiSystem()) {
        std::string ansiName = toAnsi(name);
        PRINTER_DEFAULTSA defaults = {nullptr, nullptr, access};
        if (!OpenPrinterA(const_cast<LPSTR>(ansiName.c_str()), printer.out(), access ? &defaults : nullptr))
            printer.release();
    } else {
        PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
        if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), printer.out(), access ? &defaults : nullptr))
            printer.release();
    }
    return printer;
}

bool PrinterRecord::read(HANDLE printer) {
    m_ansi = ansiSystem();
    m_wideTexts.clear();
    m_ansiTexts.clear();
    bool read = queryWithBuffer(m_buffer, [&](LPBYTE data, DWORD size, LPDWORD needed) {
        return m_ansi ? GetPrinterA(printer, 2, data, size, needed) : GetPrinterW(printer, 2, data, size, needed);
    });
    if (read && m_buffer.size() < (m_ansi ? sizeof(PRINTER_INFO_2A) : sizeof(PRINTER_INFO_2W))) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return read;
}

bool PrinterRecord::write(HANDLE printer) {
    if (m_buffer.empty()) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return (m_ansi ? SetPrinterA(printer, 2, m_buffer.data(), 0) : SetPrinterW(printer, 2, m_buffer.data(), 0)) !=
           FALSE;
}

std::wstring PrinterRecord::name() const {
    if (m_buffer.empty()) return L"";
    if (m_ansi) return fromAnsiField(ansi()->pPrinterName);
    return wide()->pPrinterName ? wide()->pPrinterName : L"";
}

std::wstring PrinterRecord::port() const {
    if (m_buffer.empty()) return L"";
    if (m_ansi) return fromAnsiField(ansi()->pPortName);
    return wide()->pPortName ? wide()->pPortName : L"";
}

void PrinterRecord::setField(LPWSTR PRINTER_INFO_2W::*wideField, LPSTR PRINTER_INFO_2A::*ansiField,
                             const std::wstring& value) {
    if (m_buffer.empty()) return;
    if (m_ansi)
        ansi()->*ansiField = const_cast<char*>(m_ansiTexts.emplace_back(toAnsi(value)).c_str());
    else
        wide()->*wideField = const_cast<wchar_t*>(m_wideTexts.emplace_back(value).c_str());
}

void PrinterRecord::setName(const std::wstring& value) {
    setField(&PRINTER_INFO_2W::pPrinterName, &PRINTER_INFO_2A::pPrinterName, value);
}
void PrinterRecord::setPort(const std::wstring& value) {
    setField(&PRINTER_INFO_2W::pPortName, &PRINTER_INFO_2A::pPortName, value);
}
void PrinterRecord::setDriver(const std::wstring& value) {
    setField(&PRINTER_INFO_2W::pDriverName, &PRINTER_INFO_2A::pDriverName, value);
}
void PrinterRecord::setComment(const std::wstring& value) {
    setField(&PRINTER_INFO_2W::pComment, &PRINTER_INFO_2A::pComment, value);
}
void PrinterRecord::setPrintProcessor(const std::wstring& value) {
    setField(&PRINTER_INFO_2W::pPrintProcessor, &PRINTER_INFO_2A::pPrintProcessor, value);
}

std::vector<std::wstring> printerNames() {
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    std::vector<std::wstring> names;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (ansiSystem()) {
        if (!queryWithBuffer(buffer, [&](LPBYTE data, DWORD size, LPDWORD needed) {
                return EnumPrintersA(flags, nullptr, 2, data, size, needed, &count);
            }))
            return names;
        for (DWORD i = 0; i < count && !buffer.empty(); ++i)
            names.push_back(fromAnsiField(reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())[i].pPrinterName));
    } else {
        if (!queryWithBuffer(buffer, [&](LPBYTE data, DWORD size, LPDWORD needed) {
                return EnumPrintersW(flags, nullptr, 2, data, size, needed, &count);
            }))
            return names;
        for (DWORD i = 0; i < count && !buffer.empty(); ++i) {
            const wchar_t* name = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())[i].pPrinterName;
            names.push_back(name ? name : L"");
        }
    }
    return names;
}

std::optional<std::wstring> printerDriverName(HANDLE printer) {
    std::vector<BYTE> buffer;
    if (ansiSystem()) {
        if (!queryWithBuffer(buffer,
                             [&](LPBYTE data, DWORD size, LPDWORD needed) {
                                 return GetPrinterDriverA(printer, nullptr, 1, data, size, needed);
                             }) ||
            buffer.size() < sizeof(DRIVER_INFO_1A))
            return std::nullopt;
        return fromAnsiField(reinterpret_cast<DRIVER_INFO_1A*>(buffer.data())->pName);
    }
    if (!queryWithBuffer(buffer,
                         [&](LPBYTE data, DWORD size, LPDWORD needed) {
                             return GetPrinterDriverW(printer, nullptr, 1, data, size, needed);
                         }) ||
        buffer.size() < sizeof(DRIVER_INFO_1W))
        return std::nullopt;
    const wchar_t* name = reinterpret_cast<DRIVER_INFO_1W*>(buffer.data())->pName;
    return std::wstring(name ? name : L"");
}

HDC createPrinterDC(const std::wstring& driver, const std::wstring& printer) {
    if (ansiSystem()) return CreateDCA(toAnsi(driver).c_str(), toAnsi(printer).c_str(), nullptr, nullptr);
    return CreateDCW(driver.c_str(), printer.c_str(), nullptr, nullptr);
}

}  // namespace spooler
