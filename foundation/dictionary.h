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
        : pairs_(initialCapacity), throwWhenMissing_(throwWhenMissing) {}

    int count() const { return pairs_.count(); }
    int capacity() const { return pairs_.capacity(); }
    bool throwsWhenMissing() const { return throwWhenMissing_; }
    void setThrowWhenMissing(bool value) { throwWhenMissing_ = value; }

    // Index of the key, or -1.
    int find(const K& key) const { return search(key, false); }
    // Where the key stands or would be inserted.
    int insertPosition(const K& key) const { return search(key, true); }

    // Inserts at the sorted position; an existing key gets the new value and add returns false.
    bool add(const K& key, V value) {
        int index = search(key, true);
        if (index < pairs_.count() && Order::compare(pairs_[index].key, key) == 0) {
            pairs_[index].value = std::move(value);
            return false;
        }
        pairs_.insert(index, Pair{key, std::move(value)});
        return true;
    }

    // The value of a key. Missing: throws 1000 "T_Dictionary: Key not found." when the
    // throw flag is set, else yields the default slot (nothing is inserted).
    V& lookup(const K& key) {
        int index = find(key);
        if (index >= 0) return pairs_[index].value;
        if (throwWhenMissing_) throw cERROR_MSG(BV_ERR_GENERAL, "T_Dictionary: Key not found.");
        return defaultValue_;
    }
    const V& lookup(const K& key) const { return const_cast<T_Dictionary*>(this)->lookup(key); }

    // The value at an index. Outside 0 ... count-1: throws 1000
    // "T_Dictionary: Index out of bounds." when the throw flag is set, else the default slot.
    V& valueAt(int index) {
        if (index >= 0 && index < pairs_.count()) return pairs_[index].value;
        if (throwWhenMissing_) throw cERROR_MSG(BV_ERR_GENERAL, "T_Dictionary: Index out of bounds.");
        return defaultValue_;
    }
    const V& valueAt(int index) const { return const_cast<T_Dictionary*>(this)->valueAt(index); }
    // Throws 1000 for a bad index.
    const K& keyAt(int index) const { return pairs_[index].key; }

    void removeAt(int index) { pairs_.removeAt(index); }
    // Removes the key when present; true when it was.
    bool remove(const K& key) {
        int index = find(key);
        if (index < 0) return false;
        pairs_.removeAt(index);
        return true;
    }
    void clear() { pairs_.clear(); }

    V& defaultValue() { return defaultValue_; }
    void setDefaultValue(V value) { defaultValue_ = std::move(value); }

private:
    struct Pair {
        K key;
        V value;
    };

    int search(const K& key, bool insertMode) const {
        int lower = 0;
        int upper = pairs_.count();
        while (lower < upper) {
            int middle = lower + (upper - lower) / 2;
            int order = Order::compare(key, pairs_[middle].key);
            if (order == 0) return middle;
            if (order < 0)
                upper = middle;
            else
                lower = middle + 1;
        }
        return insertMode ? upper : -1;
    }

    LIST<Pair> pairs_;
    V defaultValue_{};
    bool throwWhenMissing_;
};
