#include "bstr.h"
#include "safearray.h"
#include "test_support.h"
#include "variant_list.h"

#include <gtest/gtest.h>

// A round trip through a variant array of copies; arrays of plain types by value and by
// reference taken in, others refused.
TEST(VariantList, RoundTripAndArraysOfPlainTypesByValueAndByReference) {
    tVARIANTLIST first;
    for (const Variant& item : {Variant(5L), Variant(L"layout.ps"), Variant(), Variant(2.5)}) first.append(item);
    Variant array = first.toVariant();
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, array.vt);
    tVARIANTLIST back(array);
    array.clear();  // copies, not shared values: the array can go
    ASSERT_EQ(4, back.count());
    EXPECT_EQ(5, back[0].toLong());
    EXPECT_EQ(L"layout.ps", back[1].toString());
    EXPECT_EQ(VT_R8, back[3].vt);
    EXPECT_EQ(0, tVARIANTLIST(tVARIANTLIST().toVariant()).count());

    SafeArray strings = SafeArray::vector(VT_BSTR, 2);
    const wchar_t* texts[] = {L"a", L"bc"};
    for (LONG i = 0; i < 2; ++i) SafeArrayPutElement(strings.get(), &i, BStr(texts[i]).get());
    Variant byValue;
    byValue.vt = VT_ARRAY | VT_BSTR;
    byValue.parray = strings.release();
    tVARIANTLIST list(byValue);
    ASSERT_EQ(2, list.count());
    EXPECT_EQ(L"bc", list[1].toString());

    SAFEARRAY* slot = byValue.parray;
    VARIANT byReference, referring;
    byReference.vt = VT_ARRAY | VT_BSTR | VT_BYREF;
    byReference.pparray = &slot;
    referring.vt = VT_VARIANT | VT_BYREF;
    referring.pvarVal = &byReference;
    list.assign(referring);
    EXPECT_EQ(2, list.count());
    EXPECT_EQ(L"a", list[0].toString());

    EXPECT_EQ("tVARIANTLIST: cannot assign to variant which is not an array",
              errorMessageOf([&] { list.assign(Variant(L"text")); }));
    Variant decimals;
    decimals.vt = VT_ARRAY | VT_DECIMAL;
    decimals.parray = SafeArray::vector(VT_DECIMAL, 1).release();
    EXPECT_EQ("tVARIANTLIST: Unkonwn variant type in safe array", errorMessageOf([&] { list.assign(decimals); }));
    EXPECT_EQ(2, list.count());
}
