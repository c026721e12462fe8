#include "memory.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "error_msg.h"

namespace {
size_t allocationFor(size_t size) { return size > SIZE_MAX - 15 ? 0 : (size + 15) & ~size_t(7); }

unsigned char* allocate(size_t size) {
    size_t bytes = allocationFor(size);
    return bytes ? static_cast<unsigned char*>(calloc(1, bytes)) : nullptr;
}
}  // namespace

cMEMORY::cMEMORY(size_t size) : m_data(allocate(size)), m_size(size), m_capacity(allocationFor(size)) {
    if (!m_data)
        throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "cMEMORY: cannot allocate memory %llu\n", (unsigned long long)size);
}

cMEMORY::cMEMORY(cMEMORY&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

cMEMORY& cMEMORY::operator=(cMEMORY&& other) noexcept {
    if (this != &other) {
        free();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

void cMEMORY::resize(size_t newSize, bool keepContent) {
    if (newSize <= m_size) {
        m_size = newSize;
        return;
    }
    unsigned char* bigger = allocate(newSize);
    if (!bigger) throw cERROR_MSG(BV_ERR_OUT_OF_MEMORY, "cMEMORY: allocate memory %llu\n", (unsigned long long)newSize);
    if (keepContent && m_data) memcpy(bigger, m_data, m_size);
    ::free(m_data);
    m_data = bigger;
    m_size = newSize;
    m_capacity = allocationFor(newSize);
}

void cMEMORY::free() {
    ::free(m_data);
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
}
