#include "calculator.h"

#include "bstr.h"

STDMETHODIMP CCalculator::add(long a, long b, long* sum) {
    if (!sum) return E_POINTER;
    *sum = a + b;
    return S_OK;
}

STDMETHODIMP CCalculator::get_total(long* value) {
    if (!value) return E_POINTER;
    *value = m_total;
    return S_OK;
}

STDMETHODIMP CCalculator::put_total(long value) {
    m_total = value;
    return S_OK;
}

STDMETHODIMP CCalculator::fail(long kind) {
    return com::guard(kSource, [&] {
        switch (kind) {
        case 0: throw cERROR_MSG(BV_ERR_GENERAL, "Cannot find printer: %s", "P1");
        case 1: com::check(com::setRichError(E_INVALIDARG, L"described COM error", L"inner")); break;
        case 2: throw _com_error(E_ACCESSDENIED);
        case 3: throw 42;
        }
    });
}

STDMETHODIMP CCalculator::announce(long value, BSTR text, long* delivered) {
    if (!delivered) return E_POINTER;
    *delivered = events().fire(1, {Variant(value), Variant(BStr::copyOf(text).c_str())});
    return S_OK;
}
