#include "login_locale.h"

#include <windows.h>

#include <cstdlib>

#include "text_convert.h"

namespace web {
namespace {

std::optional<std::string> localeText(LCID locale, LCTYPE type) {
    char text[128] = {};
    if (!GetLocaleInfoA(locale, type, text, sizeof text)) return std::nullopt;
    return std::string(text);
}

}  // namespace

LoginLocale systemLoginLocale() {
    LoginLocale result;
    LCID locale = GetSystemDefaultLCID();
    if (auto codePage = localeText(locale, LOCALE_IDEFAULTANSICODEPAGE)) result.codePage = atol(codePage->c_str());
    if (auto language = localeText(locale, LOCALE_ILANGUAGE))
        result.languageId = strtol(language->c_str(), nullptr, 16);
    if (auto name = localeText(locale, LOCALE_SLANGUAGE)) result.language = toWide(*name);
    return result;
}

}  // namespace web
