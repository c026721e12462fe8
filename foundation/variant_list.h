#pragma once
// tVARIANTLIST: a list of VARIANTs it owns, convertible to and from the VARIANT array
// (VT_ARRAY | VT_VARIANT, zero-based, one dimension) that automation clients use.
#include "list.h"
#include "variant.h"

class tVARIANTLIST {
public:
    tVARIANTLIST() = default;
    // Fills the list from an array; see assign.
    explicit tVARIANTLIST(const VARIANT& array) { assign(array); }

    void append(const VARIANT& value) { m_items.append(Variant(value)); }
    int count() const { return m_items.count(); }
    const Variant& operator[](int index) const { return m_items[index]; }
    Variant& operator[](int index) { return m_items[index]; }
    void removeAt(int index) { m_items.removeAt(index); }
    void clear() { m_items.clear(); }

    // A new array holding copies of the items.
    Variant toVariant() const;
    // Replaces the items with copies of an array's elements (also through a reference).
    // Arrays of VARIANTs and of plain automation types are taken. Throws 1000
    // "tVARIANTLIST: cannot assign to variant which is not an array" or
    // "tVARIANTLIST: Unkonwn variant type in safe array".
    void assign(const VARIANT& array);

private:
    LIST<Variant> m_items;
};
