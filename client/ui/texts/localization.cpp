#include "localization.h"

#include <algorithm>

#include "file.h"
#include "paths.h"

namespace {

std::string fileBytes(const std::wstring& path) {
    C_bvFileU file(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    std::string bytes((size_t)file.size(), '\0');
    DWORD done = 0;
    while (done < bytes.size()) {
        DWORD read = file.read(&bytes[done], (DWORD)(bytes.size() - done));
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

std::wstring systemLocaleInfo(LCID lcid, LCTYPE type) {
    wchar_t text[256] = {};
    return GetLocaleInfoW(lcid, type, text, 256) > 0 ? text : L"";
}

}  // namespace

LocaleQueries systemLocaleQueries() { return {GetSystemDefaultLCID, systemLocaleInfo}; }

FormGdiObjects::~FormGdiObjects() {
    for (HGDIOBJ object : m_objects) DeleteObject(object);
}

C_localization::C_localization(std::wstring programFolder, std::function<long()> readLanguageSetting,
                               LocaleQueries queries)
    : m_programFolder(std::move(programFolder)),
      m_readSetting(std::move(readLanguageSetting)),
      m_queries(std::move(queries)) {
    while (!m_programFolder.empty() && (m_programFolder.back() == L'\\' || m_programFolder.back() == L'/'))
        m_programFolder.pop_back();
    m_languageFolder = m_programFolder + L"\\Localization";
}

LCID C_localization::readLanguageSetting() {
    long setting = 0;
    try {
        setting = m_readSetting ? m_readSetting() : 0;
    } catch (...) {
        setting = 0;
    }
    LCID system = m_queries.systemDefaultLcid();
    if (setting == 0) {
        m_metric = measuresMetric(system);
        const LanguageList& languages = availableLangs();
        for (const auto& language : languages)
            if (language.first == system) return system;
        for (const auto& language : languages)
            if (primaryLangId(language.first) == primaryLangId(system)) return language.first;
        return 0;
    }
    if (setting == 1) {
        m_metric = measuresMetric(system);
        return 0;
    }
    m_metric = measuresMetric((LCID)setting);
    return (LCID)setting;
}

void C_localization::loadLclzData() {
    m_languageFolder = m_programFolder + L"\\Localization";
    useEnglish();
    m_currentLanguage = readLanguageSetting();
    if (m_currentLanguage != 0) {
        m_rightToLeft = primaryLangId(m_currentLanguage) == 1 || primaryLangId(m_currentLanguage) == 13;
        std::wstring base = m_languageFolder + L"\\lng" + std::to_wstring(m_currentLanguage);
        try {
            m_strings = parseLanguageText(fileBytes(base + L".lng"));
            if (bvfsFileExists((base + L".dgn").c_str())) m_layouts = parseLayoutText(fileBytes(base + L".dgn"));
        } catch (...) {
            LCID failed = m_currentLanguage;
            useEnglish();
            m_currentLanguage = failed;  // what was asked for, though the texts stay English
            throw;
        }
    }
    std::wstring logo = m_programFolder + L"\\logo.gif";
    m_logoPath = bvfsFileExists(logo.c_str()) ? logo : L"";
}

void C_localization::useEnglish() {
    m_strings.clear();
    m_layouts.clear();
    m_currentLanguage = 0;
    m_rightToLeft = false;
}

bool C_localization::validateCodePage(LCID langId) const {
    return localeInfo(langId, LOCALE_IDEFAULTANSICODEPAGE) ==
           localeInfo(m_queries.systemDefaultLcid(), LOCALE_IDEFAULTANSICODEPAGE);
}

std::wstring C_localization::stringLclz(const std::wstring& key, const std::wstring& defaultText,
                                        const std::vector<std::wstring>& parameters) const {
    std::wstring result = text(key);
    if (result.empty()) result = defaultText;
    for (const std::wstring& parameter : parameters) result = m_rightToLeft ? parameter + result : result + parameter;
    return result;
}

std::wstring C_localization::comboItemLclz(const std::wstring& item) const {
    size_t colon = item.find(L':');
    if (colon == std::wstring::npos) return item;
    return stringLclz(item.substr(0, colon), item.substr(colon + 1));
}

const LanguageList& C_localization::availableLangs() {
    if (m_available) return *m_available;
    m_available = std::make_unique<LanguageList>();
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((m_languageFolder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    // The order of a folder listing depends on the file system; name order does not.
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    for (const std::wstring& name : names) {
        LCID id = languageIdOfFileName(name);
        if (id == 0) continue;
        std::wstring languageName = localeInfo(id, LOCALE_SLANGUAGE);
        if (!languageName.empty()) m_available->emplace_back(id, languageName);
    }
    return *m_available;
}

std::wstring C_localization::systemDefaultLang(bool retName) const {
    LCID system = m_queries.systemDefaultLcid();
    return retName ? localeInfo(system, LOCALE_SLANGUAGE) : std::to_wstring(system);
}

std::wstring C_localization::text(const std::wstring& key) const {
    auto found = m_strings.find(key);
    return found == m_strings.end() ? std::wstring() : found->second;
}

const std::vector<std::wstring>* C_localization::layout(const std::wstring& key) const {
    auto found = m_layouts.find(key);
    return found == m_layouts.end() ? nullptr : &found->second;
}

BYTE C_localization::fontCharset() const {
    switch (m_currentLanguage) {
    case 1028:
    case 3076: return CHINESEBIG5_CHARSET;  // 136
    case 1041: return SHIFTJIS_CHARSET;     // 128
    case 1042: return HANGEUL_CHARSET;      // 129
    case 2052: return GB2312_CHARSET;       // 134
    default: return ANSI_CHARSET;
    }
}
