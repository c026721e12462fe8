#pragma once
// The spooler and printer-GDI calls of the installation, with wide texts. Windows 95,
// 98 and Me only implement the ANSI forms, so there (platform codes 2, 4, 5) every call
// goes through the ANSI interface and the texts are converted with the ANSI code page.
// Failing calls leave the system's last error as the spooler set it.
#include <windows.h>
#include <winspool.h>

#include <list>
#include <optional>
#include <string>
#include <vector>

#include "handles.h"

namespace spooler {

// True when this system takes the ANSI interfaces.
bool ansiSystem();

// The names of the installed print monitors; empty when the spooler cannot list them.
std::vector<std::wstring> monitorNames();

struct MonitorRecord {
    std::wstring name;
    std::wstring environment;  // empty: none
    std::wstring dllName;
};
bool addMonitor(const MonitorRecord& record);

// Asks the named monitor to add a port: no server, no window.
bool addPort(const std::wstring& monitorName);

// The fields of a printer's level-2 record that the installation sets; every other
// field is empty or zero.
struct PrinterFields {
    std::wstring name;
    std::wstring port;
    std::wstring driver;
    std::wstring comment;
    std::wstring printProcessor;
    std::wstring datatype;  // empty: none
};
PrinterHandle addPrinter(const PrinterFields& fields);

// Access 0 opens with the default access.
PrinterHandle openPrinter(const std::wstring& name, ACCESS_MASK access);

// A printer's level-2 record as the spooler gave it, with some fields replaced, to be
// written back.
class PrinterRecord {
public:
    PrinterRecord() = default;
    PrinterRecord(const PrinterRecord&) = delete;
    PrinterRecord& operator=(const PrinterRecord&) = delete;

    // False (with the spooler's last error) when the record cannot be read.
    bool read(HANDLE printer);
    bool write(HANDLE printer);

    std::wstring name() const;
    std::wstring port() const;
    void setName(const std::wstring& value);
    void setPort(const std::wstring& value);
    void setDriver(const std::wstring& value);
    void setComment(const std::wstring& value);
    void setPrintProcessor(const std::wstring& value);

private:
    PRINTER_INFO_2W* wide() { return reinterpret_cast<PRINTER_INFO_2W*>(m_buffer.data()); }
    PRINTER_INFO_2A* ansi() { return reinterpret_cast<PRINTER_INFO_2A*>(m_buffer.data()); }
    const PRINTER_INFO_2W* wide() const { return reinterpret_cast<const PRINTER_INFO_2W*>(m_buffer.data()); }
    const PRINTER_INFO_2A* ansi() const { return reinterpret_cast<const PRINTER_INFO_2A*>(m_buffer.data()); }
    // Points the field at a copy of the value that lives as long as the record.
    void setField(LPWSTR PRINTER_INFO_2W::*wideField, LPSTR PRINTER_INFO_2A::*ansiField, const std::wstring& value);

    bool m_ansi = false;
    std::vector<BYTE> m_buffer;
    std::list<std::wstring> m_wideTexts;
    std::list<std::string> m_ansiTexts;
};

// Every local and connected printer's name (level-2 enumeration); empty on failure.
std::vector<std::wstring> printerNames();

// The name of the printer's driver; none when it cannot be read.
std::optional<std::wstring> printerDriverName(HANDLE printer);

// A device context for the printer through its driver; null on failure.
HDC createPrinterDC(const std::wstring& driver, const std::wstring& printer);

}  // namespace spooler
