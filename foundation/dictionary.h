#pragma once
// T_Dictionary<K, V>: pairs kept in ascending key order in a LIST, found by binary search.
// Wide-string keys compare without regard to case; integer keys compare as signed numbers.
// A missing key or a bad index either throws (throw flag set) or yields the default slot.
#include <cwchar>
#include <string>
#include <utility>

#include "error_msg.h"
#include "list.h"

template <typename K>
struct DictionaryKeyOrder {
    static int compare(const K& a, const K& b) { return a < b ? -1 : (b < a ? 1 : 0); }
};

template <>
struct DictionaryKeyOrder<std::wstring> {
    static int compare(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()); }
};

template <typename K, typename V, typename Order = DictionaryKeyOrder<K>>
class T_Dictionary {
public:
    explicit T_Dictionary(bool throwWhenMissing = false, int initialCapacity = 0)
        : m_pairs(initialCapacity), m_throwWhenMissing(throwWhenMissing) {}

    int count() const { return m_pairs.count(); }
    int capacity() const { return m_pairs.capacity(); }
    bool throwsWhenMissing() const { return m_throwWhenMissing; }
    void setThrowWhenMissing(bool value) { m_throwWhenMissing = value; }

    // Index of the key, or -1.
    int find(const K& key) const { return search(key, false); }
    // Where the key stands or would be inserted.
    int insertPosition(const K& key) const { return search(key, true); }

    // Inserts at the sorted position; an existing key gets the new value and add returns false.
    bool add(const K& key, V value) {
        int index = search(key, true);
        if (index < m_pairs.count() && Order::compare(m_pairs[index].key, key) == 0) {
            m_pairs[index].value = std::move(value);
            return false;
        }
        m_pairs.insert(index, Pair{key, std::move(value)});
        return true;
    }

    // The value of a key. Missing: throws 1000 "T_Dictionary: Key not found." when the
    // throw flag is set, else yields the default slot (nothing is inserted).
    V& lookup(const K& key) {
        int index = find(key);
        if (index >= 0) return m_pairs[index].value;
        if (m_throwWhenMissing) throw cERROR_MSG(BV_ERR_GENERAL, "T_Dictionary: Key not found.");
        return m_defaultValue;
    }
    const V& lookup(const K& key) const { return const_cast<T_Dictionary*>(this)->lookup(key); }

    // The value at an index. Outside 0 ... count-1: throws 1000
    // "T_Dictionary: Index out of bounds." when the throw flag is set, else the default slot.
    V& valueAt(int index) {
        if (index >= 0 && index < m_pairs.count()) return m_pairs[index].value;
        if (m_throwWhenMissing) throw cERROR_MSG(BV_ERR_GENERAL, "T_Dictionary: Index out of bounds.");
        return m_defaultValue;
    }
    const V& valueAt(int index) const { return const_cast<T_Dictionary*>(this)->valueAt(index); }
    // Throws 1000 for a bad index.
    const K& keyAt(int index) const { return m_pairs[index].key; }

    void removeAt(int index) { m_pairs.removeAt(index); }
    // Removes the key when present; true when it was.
    bool remove(const K& key) {
        int index = find(key);
        if (index < 0) return false;
        m_pairs.removeAt(index);
        return true;
    }
    void clear() { m_pairs.clear(); }

    V& defaultValue() { return m_defaultValue; }
    void setDefaultValue(V value) { m_defaultValue = std::move(value); }

private:
    struct Pair {
        K key;
        V value;
    };

    int search(const K& key, bool insertMode) const {
        int lower = 0;
        int upper = m_pairs.count();
        while (lower < upper) {
            int middle = lower + (upper - lower) / 2;
            int order = Order::compare(key, m_pairs[middle].key);
            if (order == 0) return middle;
            if (order < 0)
                upper = middle;
            else
                lower = middle + 1;
        }
        return insertMode ? upper : -1;
    }

    LIST<Pair> m_pairs;
    V m_defaultValue{};
    bool m_throwWhenMissing;
};
