#include "json_value.h"

#include "error_msg.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace lab {

// toUtf8 and fromUtf8 come from lab_common (lab_text.cpp).

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : text_(text) {}

    JsonValue document() {
        JsonValue value = parseValue(0);
        skipSpace();
        if (pos_ != text_.size()) fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw cERROR_MSG(BV_ERR_GENERAL, "JSON: %s at offset %u", what, (unsigned)pos_);
    }

    void skipSpace() {
        while (pos_ < text_.size() && text_[pos_] != '\0' && std::strchr(" \t\r\n", text_[pos_])) ++pos_;
    }

    bool literal(const char* word) {
        size_t length = std::strlen(word);
        if (text_.compare(pos_, length, word) != 0) return false;
        pos_ += length;
        return true;
    }

    JsonValue parseValue(int depth) {
        if (depth > 200) fail("nesting too deep");
        skipSpace();
        if (pos_ >= text_.size()) fail("unexpected end");
        JsonValue value;
        char c = text_[pos_];
        if (c == '{') {
            value.kind_ = JsonValue::Kind::Object;
            ++pos_;
            skipSpace();
            if (pos_ < text_.size() && text_[pos_] == '}') {
                ++pos_;
                return value;
            }
            for (;;) {
                skipSpace();
                if (pos_ >= text_.size() || text_[pos_] != '"') fail("expected a member name");
                std::string key = toUtf8(parseString());
                skipSpace();
                if (pos_ >= text_.size() || text_[pos_] != ':') fail("expected ':'");
                ++pos_;
                value.members_.emplace_back(key, parseValue(depth + 1));
                skipSpace();
                if (pos_ < text_.size() && text_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < text_.size() && text_[pos_] == '}') {
                    ++pos_;
                    return value;
                }
                fail("expected ',' or '}'");
            }
        }
        if (c == '[') {
            value.kind_ = JsonValue::Kind::Array;
            ++pos_;
            skipSpace();
            if (pos_ < text_.size() && text_[pos_] == ']') {
                ++pos_;
                return value;
            }
            for (;;) {
                value.items_.push_back(parseValue(depth + 1));
                skipSpace();
                if (pos_ < text_.size() && text_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < text_.size() && text_[pos_] == ']') {
                    ++pos_;
                    return value;
                }
                fail("expected ',' or ']'");
            }
        }
        if (c == '"') {
            value.kind_ = JsonValue::Kind::String;
            value.string_ = parseString();
            return value;
        }
        if (literal("true") || literal("false")) {
            value.kind_ = JsonValue::Kind::Boolean;
            value.boolean_ = c == 't';
            return value;
        }
        if (literal("null")) return value;
        if (c == '-' || (c >= '0' && c <= '9')) {
            const char* start = text_.c_str() + pos_;
            char* end = nullptr;
            value.kind_ = JsonValue::Kind::Number;
            value.number_ = std::strtod(start, &end);
            pos_ += end - start;
            return value;
        }
        fail("unexpected character");
    }

    std::wstring parseString() {
        ++pos_;  // the opening quote
        std::wstring result;
        std::string plain;  // raw UTF-8 bytes waiting for conversion
        auto flush = [&] {
            result += fromUtf8(plain);
            plain.clear();
        };
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"') {
                flush();
                return result;
            }
            if (c != '\\') {
                plain += c;
                continue;
            }
            if (pos_ >= text_.size()) break;
            char e = text_[pos_++];
            const char* simple = std::strchr("\"\\/bfnrt", e);
            if (e != '\0' && simple) {
                plain += "\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"];
            } else if (e == 'u' && pos_ + 4 <= text_.size()) {
                flush();
                result += (wchar_t)std::strtoul(text_.substr(pos_, 4).c_str(), nullptr, 16);
                pos_ += 4;
            } else {
                fail("bad escape");
            }
        }
        fail("unterminated string");
    }

    const std::string& text_;
    size_t pos_ = 0;
};

JsonValue JsonValue::parse(const std::string& text) {
    return JsonParser(text).document();
}

std::string JsonValue::text() const {
    return toUtf8(string_);
}

const JsonValue& JsonValue::at(size_t index) const {
    static const JsonValue none;
    if (kind_ == Kind::Array) return index < items_.size() ? items_[index] : none;
    if (kind_ == Kind::Object) return index < members_.size() ? members_[index].second : none;
    return none;
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    static const JsonValue none;
    for (const auto& member : members_)
        if (member.first == key) return member.second;
    return none;
}

bool JsonValue::has(const std::string& key) const {
    for (const auto& member : members_)
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

std::string jsonQuote(const std::string& utf8) {
    return jsonQuote(fromUtf8(utf8));
}

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
