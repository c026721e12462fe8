#include "spooler_report.h"

#include "lab_text.h"

#include <cstdlib>

namespace lab {
namespace {

bool needsQuotes(const std::string& value) {
    if (value.empty()) return true;
    for (unsigned char c : value)
        if (c <= ' ' || c == '"' || c == '\\' || c == '=' || c == 0x7f) return true;
    return false;
}

std::string quote(const std::string& value) {
    if (!needsQuotes(value)) return value;
    std::string quoted = "\"";
    for (unsigned char c : value) {
        switch (c) {
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        default:
            if (c < ' ' || c == 0x7f) {
                char escape[8];
                snprintf(escape, sizeof escape, "\\x%02x", c);
                quoted += escape;
            } else {
                quoted += (char)c;
            }
        }
    }
    return quoted + "\"";
}

// Reads one value starting at text[position]; false on a broken quoted value.
bool readValue(const std::string& text, size_t& position, std::string& value) {
    value.clear();
    if (position >= text.size() || text[position] != '"') {
        size_t end = text.find(' ', position);
        if (end == std::string::npos) end = text.size();
        value = text.substr(position, end - position);
        position = end;
        return true;
    }
    for (position++; position < text.size(); position++) {
        char c = text[position];
        if (c == '"') {
            position++;
            return true;
        }
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++position >= text.size()) return false;
        switch (text[position]) {
        case 'n': value += '\n'; break;
        case 'r': value += '\r'; break;
        case 't': value += '\t'; break;
        case 'x':
            if (position + 2 >= text.size()) return false;
            value += (char)strtol(text.substr(position + 1, 2).c_str(), nullptr, 16);
            position += 2;
            break;
        default: value += text[position];
        }
    }
    return false;
}

}  // namespace

ReportLine& ReportLine::add(const std::string& key, const std::string& value) {
    fields.emplace_back(key, value);
    return *this;
}
ReportLine& ReportLine::add(const std::string& key, const std::wstring& value) { return add(key, toUtf8(value)); }
ReportLine& ReportLine::add(const std::string& key, unsigned long long value) {
    return add(key, std::to_string(value));
}
ReportLine& ReportLine::add(const std::string& key, long long value) { return add(key, std::to_string(value)); }

bool ReportLine::has(const std::string& key) const {
    for (const auto& entry : fields)
        if (entry.first == key) return true;
    return false;
}

std::string ReportLine::field(const std::string& key) const {
    for (const auto& entry : fields)
        if (entry.first == key) return entry.second;
    return {};
}

long long ReportLine::number(const std::string& key) const { return strtoll(field(key).c_str(), nullptr, 10); }

std::string ReportLine::format() const {
    std::string text = call;
    for (const auto& entry : fields) text += " " + entry.first + "=" + quote(entry.second);
    return text;
}

bool ReportLine::parse(const std::string& text, ReportLine& line) {
    line = ReportLine();
    size_t position = text.find(' ');
    line.call = text.substr(0, position);
    if (line.call.empty()) return false;
    while (position != std::string::npos && position < text.size()) {
        if (text[position] != ' ') return false;
        position++;
        size_t equals = text.find('=', position);
        if (equals == std::string::npos || equals == position) return false;
        std::string key = text.substr(position, equals - position);
        if (key.find(' ') != std::string::npos) return false;
        position = equals + 1;
        std::string value;
        if (!readValue(text, position, value)) return false;
        line.fields.emplace_back(key, value);
    }
    return true;
}

void Report::add(const ReportLine& line) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lines.push_back(line);
    if (m_echo) {
        std::string text = line.format() + "\n";
        fwrite(text.data(), 1, text.size(), m_echo);
        fflush(m_echo);
    }
}

std::vector<ReportLine> Report::lines() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lines;
}

std::vector<ReportLine> Report::document(int index) const {
    std::vector<ReportLine> result;
    std::string wanted = std::to_string(index);
    for (const ReportLine& line : lines())
        if (line.field("doc") == wanted) result.push_back(line);
    return result;
}

}  // namespace lab
