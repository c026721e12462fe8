#pragma once
// The texts the monitor hands to the spooler, in the character width of its variant:
// UTF-16 for the NT family, the ANSI code page for Windows 9x (ZOLT_PORT_9X).
#include <string>

#if defined(ZOLT_PORT_9X)
using PortChar = char;
#else
using PortChar = wchar_t;
#endif
using PortString = std::basic_string<PortChar>;

// The name under which the installer registers the monitor with the spooler.
extern const wchar_t kMonitorName[];  // "ZOLT Print Port"
// What level-2 port information names as the port's monitor and description.
extern const PortChar kPortMonitorName[];  // "ZOLT Monitor"
extern const PortChar kPortDescription[];  // NT: "ZOLT Print Driver Port", 9x: "ZOLT Print Engine Component"

// Wide text in the variant's width. Throws cERROR_MSG when it cannot be converted.
PortString portText(const std::wstring& text);
