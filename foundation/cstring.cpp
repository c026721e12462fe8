#include "cstring.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text_convert.h"

struct cSTRING::Body {
    std::atomic<long> references;
    int length;
    char text[1];
};

namespace {
const char kAllocationFailure[] = "cSTRING: Cannot allocate memory";
const char kConstructionFailure[] = "cSTRING: cannot construct string -> out of memory";
}  // namespace

cSTRING::Body* cSTRING::allocate(int length, const char* failure) {
    Body* body = nullptr;
    if (length >= 0 && (size_t)length < SIZE_MAX - sizeof(Body))
        body = static_cast<Body*>(malloc(offsetof(Body, text) + (size_t)length + 1));
    if (!body) throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "%s", failure);
    new (&body->references) std::atomic<long>(1);
    body->length = length;
    body->text[length] = '\0';
    return body;
}

cSTRING::cSTRING(const char* text, int length) {
    if (!text) return;
    size_t size = length < 0 ? strlen(text) : (size_t)length;
    if (size == 0) return;
    if (size > INT32_MAX) throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "%s", kConstructionFailure);
    m_body = allocate((int)size, kConstructionFailure);
    memcpy(m_body->text, text, size);
}

cSTRING::cSTRING(const std::string& text) : cSTRING(text.c_str(), (int)text.size()) {}

cSTRING::cSTRING(const wchar_t* text) {
    if (!text || !*text) return;
    int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) throw cERROR_MSG(BV_ERR_GENERAL, "cSTRING: Cannot translate from unicode");
    Body* body = allocate(size - 1, kConstructionFailure);
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, body->text, size, nullptr, nullptr) != size) {
        free(body);
        throw cERROR_MSG(BV_ERR_GENERAL, "cSTRING: Cannot translate from unicode");
    }
    m_body = body;
}

cSTRING::cSTRING(const std::wstring& text) : cSTRING(text.c_str()) {}

cSTRING::cSTRING(const cSTRING& other) : m_body(other.m_body) {
    if (m_body) m_body->references.fetch_add(1, std::memory_order_relaxed);
}

cSTRING::cSTRING(cSTRING&& other) noexcept : m_body(other.m_body) { other.m_body = nullptr; }

cSTRING& cSTRING::operator=(const cSTRING& other) {
    cSTRING copy(other);
    std::swap(m_body, copy.m_body);
    return *this;
}

cSTRING& cSTRING::operator=(cSTRING&& other) noexcept {
    std::swap(m_body, other.m_body);
    return *this;
}

cSTRING::~cSTRING() {
    if (m_body && m_body->references.fetch_sub(1, std::memory_order_acq_rel) == 1) free(m_body);
}

cSTRING cSTRING::format(const char* format, ...) {
    if (!format) return cSTRING();
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int size = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (size < 0) {
        va_end(args);
        throw cERROR_MSG(BV_ERR_GENERAL, "cSTRING: cannot format \"%.200s\"", format);
    }
    cSTRING result;
    if (size > 0) {
        try {
            result.m_body = allocate(size, kAllocationFailure);
        } catch (...) {
            va_end(args);
            throw;
        }
        vsnprintf(result.m_body->text, (size_t)size + 1, format, args);
    }
    va_end(args);
    return result;
}

int cSTRING::length() const { return m_body ? m_body->length : 0; }

const char* cSTRING::c_str() const { return m_body ? m_body->text : ""; }

char cSTRING::operator[](int index) const {
    if (index < 0 || index >= length()) throw cERROR_MSG(BV_ERR_GENERAL, "cSTRING: index %d out of range", index);
    return m_body->text[index];
}

std::wstring cSTRING::wide() const { return toWide(c_str()); }

cSTRING cSTRING::joined(const char* a, int aLength, const char* b, int bLength) {
    if ((int64_t)aLength + bLength > INT32_MAX) throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "%s", kAllocationFailure);
    cSTRING result(allocate(aLength + bLength, kAllocationFailure));
    memcpy(result.m_body->text, a, (size_t)aLength);
    memcpy(result.m_body->text + aLength, b, (size_t)bLength);
    return result;
}

cSTRING cSTRING::operator+(const cSTRING& other) const {
    if (other.empty()) return *this;
    if (empty()) return other;
    return joined(c_str(), length(), other.c_str(), other.length());
}

cSTRING cSTRING::operator+(const char* text) const {
    if (!text || !*text) return *this;
    size_t size = strlen(text);
    if (size > INT32_MAX) throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "%s", kAllocationFailure);
    return joined(c_str(), length(), text, (int)size);
}

int cSTRING::find(char c, int start) const {
    if (start < 0) start = 0;
    for (int i = start; i < length(); ++i)
        if (m_body->text[i] == c) return i;
    return -1;
}

cSTRING cSTRING::replace(char from, char to) const {
    if (find(from) < 0) return *this;
    cSTRING result(allocate(length(), kAllocationFailure));
    for (int i = 0; i < length(); ++i) result.m_body->text[i] = m_body->text[i] == from ? to : m_body->text[i];
    return result;
}

LIST<cSTRING> cSTRING::split(const char* separator) const {
    LIST<cSTRING> parts;
    const char* text = c_str();
    size_t separatorLength = separator ? strlen(separator) : 0;
    if (separatorLength == 0) {
        parts.append(*this);
        return parts;
    }
    for (;;) {
        const char* next = strstr(text, separator);
        if (!next) break;
        parts.append(cSTRING(text, (int)(next - text)));
        text = next + separatorLength;
    }
    parts.append(cSTRING(text, (int)(c_str() + length() - text)));
    return parts;
}

int cSTRING::toInt(int defaultValue) const {
    int value = 0;
    return sscanf(c_str(), " %d ", &value) == 1 ? value : defaultValue;
}

float cSTRING::toReal(float defaultValue) const {
    float value = 0;
    return sscanf(c_str(), " %f ", &value) == 1 ? value : defaultValue;
}

bool operator==(const cSTRING& a, const cSTRING& b) {
    return a.length() == b.length() && memcmp(a.c_str(), b.c_str(), (size_t)a.length()) == 0;
}
