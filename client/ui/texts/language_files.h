#pragma once
// The two files of a language: "lng<N>.lng" (UTF-16 lines key=text) and "lng<N>.dgn"
// (ANSI lines key=value|value|...). The first "=" of a line splits it; lines without
// one are ignored. A key that comes twice stops the reading with a cERROR_MSG 1000.
#include <map>
#include <optional>
#include <string>
#include <vector>

using TextTable = std::map<std::wstring, std::wstring>;
using LayoutTable = std::map<std::wstring, std::vector<std::wstring>>;

// The bytes of a .lng file: UTF-16 little-endian, with or without its byte order mark
// (a big-endian mark is honoured too).
TextTable parseLanguageText(const std::string& bytes);
// The bytes of a .dgn file in the ANSI code page.
LayoutTable parseLayoutText(const std::string& bytes);

// Layout values as numbers; a value that is missing or not a number stays unset.
std::vector<std::optional<int>> layoutNumbers(const std::vector<std::wstring>& values, size_t count = 4);

// The language id of a language file name "lng<N>.lng" (any letter case), or 0.
unsigned long languageIdOfFileName(const std::wstring& fileName);
