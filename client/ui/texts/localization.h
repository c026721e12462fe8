#pragma once
// C_localization: the client's language. It decides which language to show (the
// "language" setting and the system locale), loads that language's texts and layouts
// from the "Localization" folder next to the program, translates windows, looks up
// message texts with an English default, and answers locale questions. English is
// built in and needs no files.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "form_tags.h"
#include "language_files.h"

// What the system says about locales; tests put their own answers in.
struct LocaleQueries {
    std::function<LCID()> systemDefaultLcid;
    // The system's text for a locale information type, "" when it has none.
    std::function<std::wstring(LCID, LCTYPE)> localeInfo;
};
LocaleQueries systemLocaleQueries();

// GDI objects a translated window uses (a font with the language's character set, the
// logo picture); they live as long as the window and go with it.
class FormGdiObjects {
public:
    FormGdiObjects() = default;
    ~FormGdiObjects();
    FormGdiObjects(const FormGdiObjects&) = delete;
    FormGdiObjects& operator=(const FormGdiObjects&) = delete;
    void keep(HGDIOBJ object) { m_objects.push_back(object); }

private:
    std::vector<HGDIOBJ> m_objects;
};

using LanguageList = std::vector<std::pair<LCID, std::wstring>>;

class C_localization {
public:
    // readLanguageSetting gives the stored "language" value (0 when missing or unreadable).
    C_localization(std::wstring programFolder, std::function<long()> readLanguageSetting,
                   LocaleQueries queries = systemLocaleQueries());

    // Decides the language and loads its files. A language named in the settings whose
    // file is missing, or a key that comes twice, throws cERROR_MSG; the texts stay English.
    void loadLclzData();
    // Falls back to the built-in English texts.
    void useEnglish();

    // True when the language's default ANSI code page is the system default locale's.
    bool validateCodePage(LCID langId) const;

    // Translates a window: caption, control texts, layout, character set, reading order
    // and the logo picture. Anything a control does not support is passed over.
    void formLclz(HWND form, const FormTags& tags, FormGdiObjects& objects) const;
    // The text for a key, else the default; each parameter is appended in order, or put
    // in front for a right-to-left language.
    std::wstring stringLclz(const std::wstring& key, const std::wstring& defaultText,
                            const std::vector<std::wstring>& parameters = {}) const;
    // Combo box items "key:English text" become their translated texts.
    void cmbBoxLclz(HWND comboBox) const;
    std::wstring comboItemLclz(const std::wstring& item) const;

    static double UStoMetric(double value) { return value * 25.4; }
    static double MetricToUS(double value) { return value / 25.4; }
    static LCID primaryLangId(LCID lgid) { return lgid & 0x3FF; }

    // Language id and name of every "lng<N>.lng" file in the language folder, found
    // once, in file name order.
    const LanguageList& availableLangs();
    LCID currLang() const { return m_currentLanguage; }
    std::wstring systemDefaultLang(bool retName) const;
    bool isMetric() const { return m_metric; }
    bool isRTL() const { return m_rightToLeft; }

    // What translation works with.
    std::wstring text(const std::wstring& key) const;                        // "" when absent
    const std::vector<std::wstring>* layout(const std::wstring& key) const;  // null when absent
    BYTE fontCharset() const;
    const std::wstring& languageFolder() const { return m_languageFolder; }
    const std::wstring& logoPath() const { return m_logoPath; }

private:
    LCID readLanguageSetting();
    std::wstring localeInfo(LCID lcid, LCTYPE type) const { return m_queries.localeInfo(lcid, type); }
    bool measuresMetric(LCID lcid) const { return localeInfo(lcid, LOCALE_IMEASURE) == L"0"; }

    std::wstring m_programFolder;
    std::function<long()> m_readSetting;
    LocaleQueries m_queries;

    TextTable m_strings;
    LayoutTable m_layouts;
    std::unique_ptr<LanguageList> m_available;
    std::wstring m_languageFolder;
    LCID m_currentLanguage = 0;
    bool m_metric = false;
    bool m_rightToLeft = false;
    std::wstring m_logoPath;
};
