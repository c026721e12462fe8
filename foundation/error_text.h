#pragma once
// Texts for system errors, COM errors and Windows Sockets errors.
#include <windows.h>

#include <string>

class _com_error;

// The system's message for a Win32 error number in the default language, with every
// carriage return and line feed turned into a blank; "" when the system has none.
std::string systemErrorText(DWORD error);

// The description a COM error carries; without one, the system's message for its HRESULT
// (trailing line break removed); without that, "IDispatch error #%d" for HRESULTs from
// 0x80040200 to 0x8004FFFF (numbered from 0x80040200) or "Unknown error 0x%0lX".
std::wstring comErrorText(const _com_error& error);
std::wstring comErrorText(HRESULT hr);

// The text of a Windows Sockets or name-resolution error code; null for other codes.
const char* socketErrorText(int code);
