#include "localization_test_support.h"

void LanguageFolder::writeTexts(unsigned long id, const std::wstring& lines) const {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : lines) {
        if (c == L'\n') bytes += std::string("\r\0", 2);
        bytes += {(char)(c & 0xFF), (char)(c >> 8)};
    }
    lab::writeFileBytes(languages() + L"\\lng" + std::to_wstring(id) + L".lng", bytes);
}

LocaleQueries localeQueriesWithSystem(LCID system) {
    LocaleQueries queries = systemLocaleQueries();
    queries.systemDefaultLcid = [system] { return system; };
    return queries;
}

std::unique_ptr<C_localization> makeLocalization(const LanguageFolder& folder, long setting, LCID system) {
    return std::make_unique<C_localization>(
        folder.root(), [setting] { return setting; }, localeQueriesWithSystem(system));
}
