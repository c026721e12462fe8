#pragma once
// Opening pages in a browser: with Internet Explorer (runURL) or with the program the
// system opens web pages with (runURLExternal, found by findBrowser).
#include <string>

// ShellExecute "open" of "iexplore.exe" with the text as its parameters.
void runURL(const std::wstring& commandLine);
// The same with the default browser.
void runURLExternal(const std::wstring& commandLine);

// The program associated with .htm files, asked with a file "C:\temphtm.HTM" that is
// written for the purpose and left in place. With the fallback, "iexplore.exe" when the
// system knows none; without it, "".
std::wstring findBrowser(bool fallback);

// The answer of FindExecutable made into a program path: trimmed, cut after its first
// ".exe", without the quotes around it.
std::string browserProgramOf(const std::string& found);
