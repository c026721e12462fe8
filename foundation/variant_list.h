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

    void append(const VARIANT& value) { items_.append(Variant(value)); }
    int count() const { return items_.count(); }
    const Variant& operator[](int index) const { return items_[index]; }
    Variant& operator[](int index) { return items_[index]; }
    void removeAt(int index) { items_.removeAt(index); }
    void clear() { items_.clear(); }

    // A new array holding copies of the items.
    Variant toVariant() const;
    // Replaces the items with copies of an array's elements (also through a reference).
    // Arrays of VARIANTs and of plain automation types are taken. Throws 1000
    // "tVARIANTLIST: cannot assign to variant which is not an array" or
    // "tVARIANTLIST: Unkonwn variant type in safe array".
    void assign(const VARIANT& array);

private:
    LIST<Variant> items_;
};
