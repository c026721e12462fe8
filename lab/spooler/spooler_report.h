#pragma once
// The stand-in's report: one line per call, "<call> key=value key=value ...", in UTF-8.
// A value is quoted ("...", with \" \\ \n \r \t and \xHH escapes) when it is empty or
// holds a blank, a quote, a backslash, an equals sign or a control character.
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace lab {

struct ReportLine {
    std::string call;
    std::vector<std::pair<std::string, std::string>> fields;

    ReportLine& add(const std::string& key, const std::string& value);
    ReportLine& add(const std::string& key, const std::wstring& value);
    ReportLine& add(const std::string& key, unsigned long long value);
    ReportLine& add(const std::string& key, long long value);
    ReportLine& add(const std::string& key, unsigned long value) { return add(key, (unsigned long long)value); }
    ReportLine& add(const std::string& key, unsigned value) { return add(key, (unsigned long long)value); }
    ReportLine& add(const std::string& key, int value) { return add(key, (long long)value); }
    ReportLine& add(const std::string& key, const char* value) { return add(key, std::string(value)); }
    ReportLine& add(const std::string& key, const wchar_t* value) { return add(key, std::wstring(value)); }

    bool has(const std::string& key) const;
    // The value of the first field of that name; empty when there is none.
    std::string field(const std::string& key) const;
    long long number(const std::string& key) const;

    std::string format() const;
    // Reads a formatted line back; false for a line that is not in the report form.
    static bool parse(const std::string& text, ReportLine& line);
};

// Collects the lines of a run from any thread and, when given a stream, prints each
// line as it comes.
class Report {
public:
    explicit Report(FILE* echo = nullptr) : m_echo(echo) {}
    void add(const ReportLine& line);
    std::vector<ReportLine> lines() const;
    // The lines of one document (field doc), in order.
    std::vector<ReportLine> document(int index) const;

private:
    mutable std::mutex m_lock;
    FILE* m_echo;
    std::vector<ReportLine> m_lines;
};

}  // namespace lab
