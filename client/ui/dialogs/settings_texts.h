#pragma once
// Texts the settings dialog and the main window build from several localized pieces.
#include <string>

#include "localization.h"

// "&" doubled, so that a label shows the character instead of an accelerator.
std::wstring escapeAmpersands(const std::wstring& text);

// The message for a language whose code page is not the system's: what does not match,
// what goes wrong, what to do, and the system's language.
std::wstring codePageRefusalText(const C_localization& localization);

// The message for an error while showing the settings: what failed, its code and its
// description.
std::wstring settingsErrorText(const C_localization& localization, long code, const std::wstring& description);

// The entries of the language box in order: system default (0), English (1), then each
// installed language with its id.
struct LanguageEntry {
    std::wstring text;
    long id;
};
std::vector<LanguageEntry> languageEntries(C_localization& localization);
