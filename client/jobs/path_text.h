#pragma once
// Path texts as the client builds them on the road of a job: either separator, "\" or "/", may occur.
#include <string>

// The text after the last "\" or "/" (the whole text when there is none).
std::wstring lastPathElement(const std::wstring& path);
// The text before the last "\" or "/" ("" when there is none).
std::wstring parentPath(const std::wstring& path);
