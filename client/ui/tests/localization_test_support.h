#pragma once
// Language folders made by the tests, and a localization object that sees the system
// locale the test chooses.
#include <windows.h>

#include <memory>
#include <string>

#include "lab_paths.h"
#include "localization.h"

// A program folder with a "Localization" folder inside, removed afterwards.
class LanguageFolder {
public:
    LanguageFolder() { CreateDirectoryW(languages().c_str(), nullptr); }
    const std::wstring& root() const { return m_folder.path(); }
    std::wstring languages() const { return m_folder.path() + L"Localization"; }

    // "lng<id>.lng" as UTF-16 with its byte order mark; lines separated by CR LF.
    void writeTexts(unsigned long id, const std::wstring& lines) const;
    // "lng<id>.dgn" as ANSI text.
    void writeLayout(unsigned long id, const std::string& lines) const {
        lab::writeFileBytes(languages() + L"\\lng" + std::to_wstring(id) + L".dgn", lines);
    }

private:
    lab::TempFolder m_folder{L"kelo-lng"};
};

// The system default locale as the test says, the locale texts as the system says.
LocaleQueries localeQueriesWithSystem(LCID system);

std::unique_ptr<C_localization> makeLocalization(const LanguageFolder& folder, long setting, LCID system);
