#pragma once
// Rich error information: what a COM method hands its caller besides the HRESULT.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "object.h"

namespace com {

// Sets the thread's error information (description, source, GUID) and returns hr,
// so that a method can end with `return setRichError(...)`.
HRESULT setRichError(HRESULT hr, const std::wstring& description, const wchar_t* source, const GUID& guid = GUID_NULL);

// ISupportErrorInfo answering S_OK for the listed interfaces.
template <class... Interfaces>
class SupportErrorInfo : public ISupportErrorInfo {
public:
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return ((iid == __uuidof(Interfaces)) || ...) ? S_OK : S_FALSE;
    }
};

template <class... Interfaces>
struct ImplementedInterface<SupportErrorInfo<Interfaces...>> {
    using type = ISupportErrorInfo;
};

// The description of the thread's current error information, "" when there is none.
// Takes the information away from the thread, as GetErrorInfo does.
std::wstring takeErrorDescription();

}  // namespace com
