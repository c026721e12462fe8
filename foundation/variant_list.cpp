#include "variant_list.h"

#include <comdef.h>

#include <cstring>

#include "error_msg.h"
#include "safearray.h"

namespace {
void check(HRESULT hr) {
    if (FAILED(hr)) throw _com_error(hr);
}

// Element types whose values fit a VARIANT's value field as they lie in the array.
bool isPlainElementType(VARTYPE type) {
    switch (type) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_ERROR:
    case VT_BOOL:
    case VT_DISPATCH:
    case VT_UNKNOWN: return true;
    default: return false;
    }
}

class ArrayData {
public:
    explicit ArrayData(SAFEARRAY* array) : m_array(array) { check(SafeArrayAccessData(array, &m_data)); }
    ~ArrayData() { SafeArrayUnaccessData(m_array); }
    ArrayData(const ArrayData&) = delete;
    ArrayData& operator=(const ArrayData&) = delete;
    template <typename T>
    T* as() const {
        return static_cast<T*>(m_data);
    }

private:
    SAFEARRAY* m_array;
    void* m_data = nullptr;
};

ULONG elementCount(SAFEARRAY* array) {
    ULONG count = 1;
    for (USHORT i = 0; i < array->cDims; ++i) count *= array->rgsabound[i].cElements;
    return array->cDims ? count : 0;
}
}  // namespace

Variant tVARIANTLIST::toVariant() const {
    SafeArray array = SafeArray::vector(VT_VARIANT, (ULONG)m_items.count());
    {
        ArrayData data(array.get());
        for (int i = 0; i < m_items.count(); ++i)
            check(VariantCopy(&data.as<VARIANT>()[i], const_cast<Variant*>(&m_items[i])));
    }
    Variant result;
    result.vt = VT_ARRAY | VT_VARIANT;
    result.parray = array.release();
    return result;
}

void tVARIANTLIST::assign(const VARIANT& given) {
    const VARIANT* value = &given;
    if (given.vt == (VT_BYREF | VT_VARIANT) && given.pvarVal) value = given.pvarVal;
    if (!(value->vt & VT_ARRAY))
        throw cERROR_MSG(BV_ERR_GENERAL, "tVARIANTLIST: cannot assign to variant which is not an array");
    SAFEARRAY* array = (value->vt & VT_BYREF) ? (value->pparray ? *value->pparray : nullptr) : value->parray;
    VARTYPE type = VT_EMPTY;
    if (!array || FAILED(SafeArrayGetVartype(array, &type)) || (type != VT_VARIANT && !isPlainElementType(type)))
        throw cERROR_MSG(BV_ERR_GENERAL, "tVARIANTLIST: Unkonwn variant type in safe array");

    LIST<Variant> items;
    ULONG count = elementCount(array);
    ArrayData data(array);
    for (ULONG i = 0; i < count; ++i) {
        if (type == VT_VARIANT) {
            items.append(Variant(data.as<VARIANT>()[i]));
        } else {
            VARIANT element;  // a view of the element, deep-copied by Variant
            VariantInit(&element);
            element.vt = type;
            memcpy(&element.llVal, data.as<char>() + (size_t)i * array->cbElements, array->cbElements);
            items.append(Variant(element));
        }
    }
    m_items = std::move(items);
}
