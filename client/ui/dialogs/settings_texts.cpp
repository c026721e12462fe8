#include "settings_texts.h"

std::wstring escapeAmpersands(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        escaped.push_back(c);
        if (c == L'&') escaped.push_back(L'&');
    }
    return escaped;
}

std::wstring codePageRefusalText(const C_localization& localization) {
    const C_localization& l = localization;
    return l.stringLclz(L"STR_SETTINGS_NOMATCH",
                        L"The language you selected does not match your current system default locale", {L"."}) +
           L"\r\n" +
           l.stringLclz(L"STR_SETTINGS_NODISPLAY", L"Print Driver will not be able to display the characters correctly",
                        {L"."}) +
           L"\r\n\r\n" +
           l.stringLclz(L"STR_SETTINGS_SELECT", L"Please select a different language, or change your system's locale",
                        {L"."}) +
           L"\r\n\r\n" +
           l.stringLclz(L"STR_SETTINGS_CURRENTSYS", L"Your current system default locale is",
                        {L" : ", l.systemDefaultLang(true)});
}

std::wstring settingsErrorText(const C_localization& localization, long code, const std::wstring& description) {
    const C_localization& l = localization;
    return l.stringLclz(L"STR_MAIN_DISPLAYERROR", L"Error while displaying setting", {L"!"}) + L"\r\n\r\n" +
           l.stringLclz(L"STR_MAIN_CODE", L"Code", {L" : ", std::to_wstring(code)}) + L"\r\n" +
           l.stringLclz(L"STR_MAIN_DESC", L"Description", {L" : ", description});
}

std::vector<LanguageEntry> languageEntries(C_localization& localization) {
    std::vector<LanguageEntry> entries = {
        {L"** " + localization.stringLclz(L"STR_SETTINGS_SYSDEFAULT", L"Use System Default") + L" **", 0},
        {L"** " + localization.stringLclz(L"STR_SETTINGS_USEENGLISH", L"Use English") + L" **", 1},
    };
    for (const auto& language : localization.availableLangs())
        entries.push_back({language.second, (long)language.first});
    return entries;
}
