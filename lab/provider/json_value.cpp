#include "json_value.h"

#include "error_msg.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace lab {

// toUtf8 and fromUtf8 come from lab_common (lab_text.cpp).

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : m_text(text) {}

    JsonValue document() {
        JsonValue value = parseValue(0);
        skipSpace();
        if (m_pos != m_text.size()) fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw cERROR_MSG(BV_ERR_GENERAL, "JSON: %s at offset %u", what, (unsigned)m_pos);
    }

    void skipSpace() {
        while (m_pos < m_text.size() && m_text[m_pos] != '\0' && std::strchr(" \t\r\n", m_text[m_pos])) ++m_pos;
    }

    bool literal(const char* word) {
        size_t length = std::strlen(word);
        if (m_text.compare(m_pos, length, word) != 0) return false;
        m_pos += length;
        return true;
    }

    JsonValue parseValue(int depth) {
        if (depth > 200) fail("nesting too deep");
        skipSpace();
        if (m_pos >= m_text.size()) fail("unexpected end");
        JsonValue value;
        char c = m_text[m_pos];
        if (c == '{') {
            value.m_kind = JsonValue::Kind::Object;
            ++m_pos;
            skipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                ++m_pos;
                return value;
            }
            for (;;) {
                skipSpace();
                if (m_pos >= m_text.size() || m_text[m_pos] != '"') fail("expected a member name");
                std::string key = toUtf8(parseString());
                skipSpace();
                if (m_pos >= m_text.size() || m_text[m_pos] != ':') fail("expected ':'");
                ++m_pos;
                value.m_members.emplace_back(key, parseValue(depth + 1));
                skipSpace();
                if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                if (m_pos < m_text.size() && m_text[m_pos] == '}') {
                    ++m_pos;
                    return value;
                }
                fail("expected ',' or '}'");
            }
        }
        if (c == '[') {
            value.m_kind = JsonValue::Kind::Array;
            ++m_pos;
            skipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == ']') {
                ++m_pos;
                return value;
            }
            for (;;) {
                value.m_items.push_back(parseValue(depth + 1));
                skipSpace();
                if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                if (m_pos < m_text.size() && m_text[m_pos] == ']') {
                    ++m_pos;
                    return value;
                }
                fail("expected ',' or ']'");
            }
        }
        if (c == '"') {
            value.m_kind = JsonValue::Kind::String;
            value.m_string = parseString();
            return value;
        }
        if (literal("true") || literal("false")) {
            value.m_kind = JsonValue::Kind::Boolean;
            value.m_boolean = c == 't';
            return value;
        }
        if (literal("null")) return value;
        if (c == '-' || (c >= '0' && c <= '9')) {
            const char* start = m_text.c_str() + m_pos;
            char* end = nullptr;
            value.m_kind = JsonValue::Kind::Number;
            value.m_number = std::strtod(start, &end);
            m_pos += end - start;
            return value;
        }
        fail("unexpected character");
    }

    std::wstring parseString() {
        ++m_pos;  // the opening quote
        std::wstring result;
        std::string plain;  // raw UTF-8 bytes waiting for conversion
        auto flush = [&] {
            result += fromUtf8(plain);
            plain.clear();
        };
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"') {
                flush();
                return result;
            }
            if (c != '\\') {
                plain += c;
                continue;
            }
            if (m_pos >= m_text.size()) break;
            char e = m_text[m_pos++];
            const char* simple = std::strchr("\"\\/bfnrt", e);
            if (e != '\0' && simple) {
                plain += "\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"];
            } else if (e == 'u' && m_pos + 4 <= m_text.size()) {
                flush();
                result += (wchar_t)std::strtoul(m_text.substr(m_pos, 4).c_str(), nullptr, 16);
                m_pos += 4;
            } else {
                fail("bad escape");
            }
        }
        fail("unterminated string");
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

JsonValue JsonValue::parse(const std::string& text) { return JsonParser(text).document(); }

std::string JsonValue::text() const { return toUtf8(m_string); }

const JsonValue& JsonValue::at(size_t index) const {
    static const JsonValue none;
    if (m_kind == Kind::Array) return index < m_items.size() ? m_items[index] : none;
    if (m_kind == Kind::Object) return index < m_members.size() ? m_members[index].second : none;
    return none;
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    static const JsonValue none;
    for (const auto& member : m_members)
        if (member.first == key) return member.second;
    return none;
}

bool JsonValue::has(const std::string& key) const {
    for (const auto& member : m_members)
        if (member.first == key) return true;
    return false;
}

std::string jsonQuote(const std::wstring& text) {
    std::string out = "\"";
    char buffer[8];
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += (char)c;
        } else if (c >= 0x20 && c < 0x7f) {
            out += (char)c;
        } else {
            snprintf(buffer, sizeof buffer, "\\u%04x", (unsigned)c);
            out += buffer;
        }
    }
    return out + "\"";
}

std::string jsonQuote(const std::string& utf8) { return jsonQuote(fromUtf8(utf8)); }

std::string base64Decode(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        size_t value = alphabet.find(c);
        if (value == std::string::npos) continue;  // padding and line ends
        bits = (bits << 6) | (unsigned)value;
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += (char)((bits >> count) & 0xff);
        }
    }
    return out;
}

}  // namespace lab
