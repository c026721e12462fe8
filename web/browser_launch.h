#pragma once
// Opening a server page in the user's browser: the browser is the program associated
// with ".HTM" files, started through the shell with the page's address as its
// parameter text. Failures throw cERROR_MSG.
#include <string>

#include "web_interfaces.h"

namespace web {

// The page's address (as browserAddress makes it) followed by "&encrypt=1" and
// "&key=value" for every entry of the parameters in their order: values read as text,
// "username" and "password" scrambled, all values in UTF-8 and percent-encoded. Keys
// are taken as they are.
std::wstring browserParameterText(const std::wstring& url, const ScriptDictionary& parameters);

// The browser program: the association of a ".HTM" file in the temporary folder
// (made with "<HTML></HTML>" when missing), cut after its first ".exe".
std::wstring findBrowser();

// Starts the program with the address as its one, quoted argument, in a normal window.
void startBrowser(const std::wstring& program, const std::wstring& address);

}  // namespace web
