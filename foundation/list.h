#pragma once
// LIST<T>: a growable array. It grows only when asked to or when an append or insert
// finds it full (then by 2 * count + 1 elements). Out-of-range indexes throw.
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

#include "error_msg.h"

template <typename T>
class LIST {
public:
    explicit LIST(int initialCapacity = 0) {
        if (initialCapacity > 0) grow(initialCapacity);
    }
    ~LIST() {
        clear();
        ::operator delete(m_items);
    }
    LIST(const LIST& other) : LIST(other.m_count) {
        for (const T& item : other) append(item);
    }
    LIST& operator=(const LIST& other) {
        if (this != &other) {
            LIST copy(other);
            swap(copy);
        }
        return *this;
    }
    LIST(LIST&& other) noexcept { swap(other); }
    LIST& operator=(LIST&& other) noexcept {
        if (this != &other) {
            LIST emptied;
            swap(other);
            other.swap(emptied);
        }
        return *this;
    }

    int count() const { return m_count; }
    int capacity() const { return m_capacity; }
    bool empty() const { return m_count == 0; }

    T& operator[](int index) {
        checkIndex(index, m_count);
        return m_items[index];
    }
    const T& operator[](int index) const {
        checkIndex(index, m_count);
        return m_items[index];
    }

    T* begin() { return m_items; }
    T* end() { return m_items + m_count; }
    const T* begin() const { return m_items; }
    const T* end() const { return m_items + m_count; }

    void append(T item) { insert(m_count, std::move(item)); }

    // Shifts the items from index on up by one.
    void insert(int index, T item) {
        checkIndex(index, m_count + 1);
        if (m_count == m_capacity) grow(2 * m_count + 1);
        new (m_items + m_count) T(std::move(item));
        for (int i = m_count; i > index; --i) std::swap(m_items[i], m_items[i - 1]);
        ++m_count;
    }

    // Shifts the later items down by one.
    void removeAt(int index) {
        checkIndex(index, m_count);
        for (int i = index; i + 1 < m_count; ++i) std::swap(m_items[i], m_items[i + 1]);
        m_items[--m_count].~T();
    }

    void clear() {
        while (m_count > 0) m_items[--m_count].~T();
    }

    // Makes room for n more elements: a new array of capacity + n, the items moved over.
    void grow(int n) {
        if (n <= 0) return;
        uint64_t elements = (uint64_t)m_capacity + (uint64_t)n;
        uint64_t bytes = elements * sizeof(T);
        T* bigger = elements > INT32_MAX || bytes > SIZE_MAX
                        ? nullptr
                        : static_cast<T*>(::operator new((size_t)bytes, std::nothrow));
        if (!bigger)
            throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "LIST: cannot allocate memory %llu\n", (unsigned long long)bytes);
        for (int i = 0; i < m_count; ++i) {
            new (bigger + i) T(std::move(m_items[i]));
            m_items[i].~T();
        }
        ::operator delete(m_items);
        m_items = bigger;
        m_capacity = (int)elements;
    }

    void swap(LIST& other) noexcept {
        std::swap(m_items, other.m_items);
        std::swap(m_count, other.m_count);
        std::swap(m_capacity, other.m_capacity);
    }

private:
    static void checkIndex(int index, int limit) {
        if (index < 0 || index >= limit) throw cERROR_MSG(BV_ERR_GENERAL, "LIST: index %d out of range", index);
    }

    T* m_items = nullptr;
    int m_count = 0;
    int m_capacity = 0;
};
