#include "bstr.h"

#include <comdef.h>

BStr::BStr(const wchar_t* text) {
    if (!text) return;
    value_ = SysAllocString(text);
    if (!value_) throw _com_error(E_OUTOFMEMORY);
}

BStr::BStr(const wchar_t* text, UINT length) {
    value_ = SysAllocStringLen(text, length);
    if (!value_) throw _com_error(E_OUTOFMEMORY);
}

BStr BStr::copyOf(BSTR raw) {
    if (!raw) return BStr();
    return BStr(raw, SysStringLen(raw));
}
