#pragma once
// What a login tells the server about the system's default locale.
#include <optional>
#include <string>

namespace web {

struct LoginLocale {
    long codePage = -1;                    // default ANSI code page; -1 when the system cannot tell
    std::optional<long> languageId;        // e.g. 1033 (the system gives "0409")
    std::optional<std::wstring> language;  // the language's name
};

LoginLocale systemLoginLocale();

}  // namespace web
