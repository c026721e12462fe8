#include "registry_pattern.h"

namespace {
template <typename Char>
bool isSeparator(Char c) {
    return c == '/' || c == '\\';
}

template <typename Char>
Char foldAscii(Char c) {
    return c >= 'a' && c <= 'z' ? Char(c - 'a' + 'A') : c;
}

template <typename Char>
bool match(const Char* text, const Char* pattern) {
    if (!text || !pattern) return false;
    while (*text && *pattern) {
        bool same = (isSeparator(*text) && isSeparator(*pattern)) || foldAscii(*text) == foldAscii(*pattern);
        if (!same) break;
        ++text;
        ++pattern;
    }
    return *pattern == '*' || (!*text && !*pattern);
}
}  // namespace

bool matchRegistryPattern(const char* text, const char* pattern) { return match(text, pattern); }
bool matchRegistryPattern(const wchar_t* text, const wchar_t* pattern) { return match(text, pattern); }
