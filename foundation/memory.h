#pragma once
// cMEMORY: an owned, zero-filled byte buffer. The allocation is the size rounded up to
// (size + 15) with the low three bits cleared, so at least 8 spare zero bytes follow the
// data (a text read from outside is always terminated).
#include <cstddef>

class cMEMORY {
public:
    cMEMORY() = default;
    // Throws 11 "cMEMORY: cannot allocate memory %d\n".
    explicit cMEMORY(size_t size);
    ~cMEMORY() { free(); }
    cMEMORY(cMEMORY&& other) noexcept;
    cMEMORY& operator=(cMEMORY&& other) noexcept;
    cMEMORY(const cMEMORY&) = delete;
    cMEMORY& operator=(const cMEMORY&) = delete;

    // Grows only: a smaller size just records the size. keepContent keeps the old bytes
    // up to the smaller of the two sizes; otherwise the buffer comes back zero-filled.
    // Throws 11 "cMEMORY: allocate memory %d\n".
    void resize(size_t newSize, bool keepContent);
    void free();

    unsigned char* data() { return m_data; }
    const unsigned char* data() const { return m_data; }
    template <typename T>
    T* as() {
        return reinterpret_cast<T*>(m_data);
    }
    size_t size() const { return m_size; }
    size_t capacity() const { return m_capacity; }

private:
    unsigned char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};
