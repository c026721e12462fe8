#pragma once
// The provider escapes the characters of answer values twice; after the XML parser
// has undone the first escaping, this undoes the second: "&gt;", "&lt;", "&amp;" and
// "&apos;" (in any letter case) become their characters, and every other reference
// (such as "&quot;" or a numeric one) is dropped. An "&" with no ";" after it is kept
// with the rest of the text as it is.
#include <string>

namespace web {

std::wstring decodeEntities(const std::wstring& text);

}  // namespace web
