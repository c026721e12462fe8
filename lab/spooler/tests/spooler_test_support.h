#pragma once
// A printer of this system on a port of the lab's test monitor, for the stand-in's tests.
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_registry.h"
#include "lab_spooler.h"
#include "lab_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace spoolertest {

using namespace lab;

// The test monitor registered under a name, with its settings.
class TestMonitor {
public:
    TestMonitor(const std::wstring& name, const std::wstring& dll, const std::vector<std::wstring>& ports)
        : m_registration(name, programFolder() + dll) {
        writeRegistryStrings(HKEY_LOCAL_MACHINE, root(), L"Ports", ports);
        std::wstring folder = m_output.path();
        writeRegistryString(HKEY_LOCAL_MACHINE, root(), L"OutputFolder", folder.substr(0, folder.size() - 1));
    }
    std::wstring root() const { return m_registration.registryRoot(); }
    void set(const wchar_t* name, const std::wstring& value) {
        writeRegistryString(HKEY_LOCAL_MACHINE, root(), name, value);
    }
    void set(const wchar_t* name, DWORD value) { writeRegistryNumber(HKEY_LOCAL_MACHINE, root(), name, value); }

    // What the port received in its last document.
    std::string received(const std::wstring& port) const { return readFileBytes(m_output.file(port + L".out")); }
    void clearJournal(const std::wstring& port) const { DeleteFileW(m_output.file(port + L".journal").c_str()); }
    // The monitor's own record of the calls on the port, one entry per call.
    std::vector<std::string> journal(const std::wstring& port) const {
        std::vector<std::string> lines;
        std::wstring path = m_output.file(port + L".journal");
        if (!fileExists(path)) return lines;
        std::string text = readFileBytes(path);
        for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

private:
    TempFolder m_output{L"monitor"};
    ScopedMonitorRegistration m_registration;
};

// Bytes that differ from block to block, so that a lost or repeated block shows.
inline std::string documentBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned value = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        value = value * 1103515245u + 12345u;
        byte = (char)(value >> 16);
    }
    return bytes;
}

// The calls of one document in the order they were reported.
inline std::vector<std::string> callsOf(const std::vector<ReportLine>& lines) {
    std::vector<std::string> calls;
    for (const ReportLine& line : lines) calls.push_back(line.call);
    return calls;
}

inline std::vector<ReportLine> linesOf(const std::vector<ReportLine>& lines, const std::string& call) {
    std::vector<ReportLine> found;
    for (const ReportLine& line : lines)
        if (line.call == call) found.push_back(line);
    return found;
}

// The one line of that call (an empty line, and a failure, when there is not exactly one).
inline ReportLine only(const std::vector<ReportLine>& lines, const std::string& call) {
    std::vector<ReportLine> found = linesOf(lines, call);
    EXPECT_EQ(1u, found.size()) << call;
    return found.empty() ? ReportLine() : found[0];
}

}  // namespace spoolertest
