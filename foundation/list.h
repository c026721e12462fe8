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
        ::operator delete(items_);
    }
    LIST(const LIST& other) : LIST(other.count_) {
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

    int count() const { return count_; }
    int capacity() const { return capacity_; }
    bool empty() const { return count_ == 0; }

    T& operator[](int index) {
        checkIndex(index, count_);
        return items_[index];
    }
    const T& operator[](int index) const {
        checkIndex(index, count_);
        return items_[index];
    }

    T* begin() { return items_; }
    T* end() { return items_ + count_; }
    const T* begin() const { return items_; }
    const T* end() const { return items_ + count_; }

    void append(T item) { insert(count_, std::move(item)); }

    // Shifts the items from index on up by one.
    void insert(int index, T item) {
        checkIndex(index, count_ + 1);
        if (count_ == capacity_) grow(2 * count_ + 1);
        new (items_ + count_) T(std::move(item));
        for (int i = count_; i > index; --i) std::swap(items_[i], items_[i - 1]);
        ++count_;
    }

    // Shifts the later items down by one.
    void removeAt(int index) {
        checkIndex(index, count_);
        for (int i = index; i + 1 < count_; ++i) std::swap(items_[i], items_[i + 1]);
        items_[--count_].~T();
    }

    void clear() {
        while (count_ > 0) items_[--count_].~T();
    }

    // Makes room for n more elements: a new array of capacity + n, the items moved over.
    void grow(int n) {
        if (n <= 0) return;
        uint64_t elements = (uint64_t)capacity_ + (uint64_t)n;
        uint64_t bytes = elements * sizeof(T);
        T* bigger = elements > INT32_MAX || bytes > SIZE_MAX
                        ? nullptr
                        : static_cast<T*>(::operator new((size_t)bytes, std::nothrow));
        if (!bigger) throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "LIST: cannot allocate memory %llu\n", (unsigned long long)bytes);
        for (int i = 0; i < count_; ++i) {
            new (bigger + i) T(std::move(items_[i]));
            items_[i].~T();
        }
        ::operator delete(items_);
        items_ = bigger;
        capacity_ = (int)elements;
    }

    void swap(LIST& other) noexcept {
        std::swap(items_, other.items_);
        std::swap(count_, other.count_);
        std::swap(capacity_, other.capacity_);
    }

private:
    static void checkIndex(int index, int limit) {
        if (index < 0 || index >= limit) throw cERROR_MSG(BV_ERR_GENERAL, "LIST: index %d out of range", index);
    }

    T* items_ = nullptr;
    int count_ = 0;
    int capacity_ = 0;
};
