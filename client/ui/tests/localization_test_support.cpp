#include "localization_test_support.h"

void LanguageFolder::writeTexts(const std::wstring& fileName, const std::wstring& lines) const {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : lines) {
        if (c == L'\n') {
            bytes.push_back('\r');
            bytes.push_back('\0');
        }
        bytes.push_back((char)(c & 0xFF));
        bytes.push_back((char)(c >> 8));
    }
    writeFile(fileName, bytes);
}

void LanguageFolder::writeLayout(unsigned long id, const std::string& lines) const {
    writeFile(L"lng" + std::to_wstring(id) + L".dgn", lines);
}

void LanguageFolder::writeFile(const std::wstring& name, const std::string& bytes) const {
    lab::writeFileBytes(languages() + L"\\" + name, bytes);
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
