#pragma once
// The library's error exception: thrown by value, caught by reference.
#include <cstdint>

// Error classes of cERROR_MSG::code.
enum : uint32_t {
    BV_ERR_OUT_OF_MEMORY = 11,
    BV_ERR_COM_CREATE = 800,
    BV_ERR_GENERAL = 1000,
};

struct cERROR_MSG {
    static constexpr int kMessageSize = 300;

    uint32_t code = 0;
    char message[kMessageSize] = {};

    cERROR_MSG() = default;
    // Formats printf-style; the text is cut to fit the message buffer.
    cERROR_MSG(uint32_t errorCode, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
};
