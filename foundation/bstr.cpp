#include "bstr.h"

#include <comdef.h>

BStr::BStr(const wchar_t* text) {
    if (!text) return;
    m_value = SysAllocString(text);
    if (!m_value) throw _com_error(E_OUTOFMEMORY);
}

BStr::BStr(const wchar_t* text, UINT length) {
    m_value = SysAllocStringLen(text, length);
    if (!m_value) throw _com_error(E_OUTOFMEMORY);
}

BStr BStr::copyOf(BSTR raw) {
    if (!raw) return BStr();
    return BStr(raw, SysStringLen(raw));
}
