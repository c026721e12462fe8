#pragma once
// A small JSON reader for the answers of the provider stand-in's control interface.
// Strings are kept as UTF-16 code units, exactly as "\uXXXX" escapes give them, so
// that scrambled texts (which may hold lone surrogates) survive unchanged.
#include <string>
#include <utility>
#include <vector>

namespace lab {

class JsonValue {
public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };

    // Throws cERROR_MSG when the text is not one JSON value.
    static JsonValue parse(const std::string& text);

    JsonValue() = default;

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool boolean() const { return m_kind == Kind::Boolean && m_boolean; }
    double number() const { return m_kind == Kind::Number ? m_number : 0; }
    long integer() const { return (long)number(); }
    const std::wstring& wide() const { return m_string; }  // "" unless a string
    std::string text() const;                              // the string in UTF-8

    // Arrays and objects: the number of items or members; 0 otherwise.
    size_t size() const { return m_kind == Kind::Object ? m_members.size() : m_items.size(); }
    // An item or member; a null value when there is none.
    const JsonValue& at(size_t index) const;
    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](const char* key) const { return (*this)[std::string(key)]; }
    const JsonValue& operator[](int) const = delete;  // use at() for array items
    bool has(const std::string& key) const;
    const std::vector<JsonValue>& items() const { return m_items; }
    const std::vector<std::pair<std::string, JsonValue>>& members() const { return m_members; }

private:
    friend class JsonParser;
    Kind m_kind = Kind::Null;
    bool m_boolean = false;
    double m_number = 0;
    std::wstring m_string;
    std::vector<JsonValue> m_items;
    std::vector<std::pair<std::string, JsonValue>> m_members;
};

// A JSON string literal (quotes included) for a UTF-8 or a UTF-16 text.
std::string jsonQuote(const std::string& utf8);
std::string jsonQuote(const std::wstring& text);

// UTF-8 conversions, defined in lab_common (lab_text.h).
std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);
std::string base64Decode(const std::string& text);

}  // namespace lab
