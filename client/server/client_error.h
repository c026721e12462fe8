#pragma once
// Errors on the client's road of a job travel as _com_error with error information: a
// number (HRESULT), a description and a source, as the web component's errors do.
#include <windows.h>

#include <string>

extern const wchar_t kClientErrorSource[];  // "KeloClient"

[[noreturn]] void raiseError(HRESULT number, const std::wstring& description,
                             const wchar_t* source = kClientErrorSource);
