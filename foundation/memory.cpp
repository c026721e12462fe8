#include "memory.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "error_msg.h"

namespace {
size_t allocationFor(size_t size) {
    return size > SIZE_MAX - 15 ? 0 : (size + 15) & ~size_t(7);
}

unsigned char* allocate(size_t size) {
    size_t bytes = allocationFor(size);
    return bytes ? static_cast<unsigned char*>(calloc(1, bytes)) : nullptr;
}
}  // namespace

cMEMORY::cMEMORY(size_t size) : data_(allocate(size)), size_(size), capacity_(allocationFor(size)) {
    if (!data_) throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "cMEMORY: cannot allocate memory %llu\n", (unsigned long long)size);
}

cMEMORY::cMEMORY(cMEMORY&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

cMEMORY& cMEMORY::operator=(cMEMORY&& other) noexcept {
    if (this != &other) {
        free();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

void cMEMORY::resize(size_t newSize, bool keepContent) {
    if (newSize <= size_) {
        size_ = newSize;
        return;
    }
    unsigned char* bigger = allocate(newSize);
    if (!bigger) throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "cMEMORY: allocate memory %llu\n", (unsigned long long)newSize);
    if (keepContent && data_) memcpy(bigger, data_, size_);
    ::free(data_);
    data_ = bigger;
    size_ = newSize;
    capacity_ = allocationFor(newSize);
}

void cMEMORY::free() {
    ::free(data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}
