#pragma once
// Text conversions and messages used by the lab's programs.
#include <windows.h>

#include <string>
#include <vector>

namespace lab {

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);
std::string toAnsi(const std::wstring& text);
std::wstring fromAnsi(const std::string& text);

// The system's message for an error number, without the trailing line break.
std::string errorText(DWORD error);

bool equalsNoCase(const std::wstring& a, const std::wstring& b);

// Standard output and error without line-end translation: lines end in "\n".
void useBinaryOutput();

// The program's arguments as the system splits them (without the program name).
std::vector<std::wstring> commandLineArguments();

}  // namespace lab
