#include "language_files.h"

#include <cwchar>
#include <cwctype>

#include "error_msg.h"
#include "text_convert.h"

namespace {

std::vector<std::wstring> splitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

template <class Value, class Convert>
std::map<std::wstring, Value> parseLines(const std::wstring& text, const char* fileKind, Convert convert) {
    std::map<std::wstring, Value> table;
    for (const std::wstring& line : splitLines(text)) {
        size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) continue;
        std::wstring key = line.substr(0, equals);
        if (!table.emplace(key, convert(line.substr(equals + 1))).second)
            throw cERROR_MSG(BV_ERR_GENERAL,
                             "This key is already associated with an element of this collection: %s (%s file)",
                             toAnsi(key).c_str(), fileKind);
    }
    return table;
}

std::wstring utf16Text(const std::string& bytes) {
    size_t start = 0;
    bool bigEndian = false;
    if (bytes.size() >= 2) {
        unsigned char first = (unsigned char)bytes[0], second = (unsigned char)bytes[1];
        if (first == 0xFF && second == 0xFE) start = 2;
        if (first == 0xFE && second == 0xFF) start = 2, bigEndian = true;
    }
    std::wstring text;
    text.reserve((bytes.size() - start) / 2);
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        unsigned char low = (unsigned char)bytes[bigEndian ? i + 1 : i];
        unsigned char high = (unsigned char)bytes[bigEndian ? i : i + 1];
        text.push_back((wchar_t)(low | (high << 8)));
    }
    return text;
}

}  // namespace

TextTable parseLanguageText(const std::string& bytes) {
    return parseLines<std::wstring>(utf16Text(bytes), "language", [](const std::wstring& text) { return text; });
}

LayoutTable parseLayoutText(const std::string& bytes) {
    return parseLines<std::vector<std::wstring>>(toWide(bytes), "layout", [](const std::wstring& values) {
        std::vector<std::wstring> parts;
        size_t start = 0;
        for (;;) {
            size_t bar = values.find(L'|', start);
            parts.push_back(values.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
            if (bar == std::wstring::npos) break;
            start = bar + 1;
        }
        return parts;
    });
}

std::vector<std::optional<int>> layoutNumbers(const std::vector<std::wstring>& values, size_t count) {
    std::vector<std::optional<int>> numbers(count);
    for (size_t i = 0; i < count && i < values.size(); ++i) {
        const wchar_t* text = values[i].c_str();
        wchar_t* end = nullptr;
        long number = wcstol(text, &end, 10);
        while (end && iswspace(*end)) ++end;
        if (end != text && end && *end == L'\0') numbers[i] = (int)number;
    }
    return numbers;
}

unsigned long languageIdOfFileName(const std::wstring& fileName) {
    if (fileName.size() < 8 || _wcsnicmp(fileName.c_str(), L"lng", 3) != 0) return 0;
    size_t dot = fileName.find(L'.');
    if (dot == std::wstring::npos || _wcsicmp(fileName.c_str() + dot + 1, L"lng") != 0) return 0;
    std::wstring digits = fileName.substr(3, dot - 3);
    if (digits.empty() || digits.size() > 5) return 0;
    for (wchar_t c : digits)
        if (c < L'0' || c > L'9') return 0;
    return wcstoul(digits.c_str(), nullptr, 10);
}
