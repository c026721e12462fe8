#include "error_msg.h"

#include <cstdarg>
#include <cstdio>

cERROR_MSG::cERROR_MSG(uint32_t errorCode, const char* format, ...) : code(errorCode) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
}
