#pragma once
// The prefix match used for registry roots and for texts such as "ERROR_*": text and
// pattern are walked together; '/' and '\' match each other, ASCII letters match in any
// case. At the first mismatch, or where either ends, the result is true exactly when the
// pattern has a '*' at that position or both end there.
bool matchRegistryPattern(const char* text, const char* pattern);
bool matchRegistryPattern(const wchar_t* text, const wchar_t* pattern);
