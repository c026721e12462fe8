#pragma once
// Puts HTML text into a caller's HTML document object through its stream
// initialisation. Each failing step throws cERROR_MSG with its own text.
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace web {

void assignHtml(IDispatch* document, const std::wstring& html);

}  // namespace web
