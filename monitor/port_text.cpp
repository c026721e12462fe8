#include "port_text.h"

#include "text_convert.h"

const wchar_t kMonitorName[] = L"ZOLT Print Port";

#if defined(ZOLT_PORT_9X)
const char kPortMonitorName[] = "ZOLT Monitor";
const char kPortDescription[] = "ZOLT Print Engine Component";

PortString portText(const std::wstring& text) { return toAnsi(text); }
#else
const wchar_t kPortMonitorName[] = L"ZOLT Monitor";
const wchar_t kPortDescription[] = L"ZOLT Print Driver Port";

PortString portText(const std::wstring& text) { return text; }
#endif
