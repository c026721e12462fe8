#include "port_listing.h"

#include <cstring>

namespace {
// Bytes of a text with its terminating zero.
DWORD textSize(const PortString& text) { return (DWORD)((text.size() + 1) * sizeof(PortChar)); }
DWORD textSize(const PortChar* text) {
    return (DWORD)((std::char_traits<PortChar>::length(text) + 1) * sizeof(PortChar));
}

// Places texts downwards from the end of a buffer.
class StringStack {
public:
    explicit StringStack(BYTE* end) : m_top(end) {}
    PortChar* push(const PortChar* text, DWORD size) {
        m_top -= size;
        memcpy(m_top, text, size);
        return reinterpret_cast<PortChar*>(m_top);
    }
    PortChar* push(const PortString& text) { return push(text.c_str(), textSize(text)); }
    PortChar* push(const PortChar* text) { return push(text, textSize(text)); }

private:
    BYTE* m_top;
};
}  // namespace

DWORD portInfoSize(DWORD level, const PortString& name) {
    if (level == 1) return sizeof(PortInfo1) + textSize(name);
    return sizeof(PortInfo2) + textSize(name) + textSize(kPortMonitorName) + textSize(kPortDescription);
}

void writePortInfo(DWORD level, const std::vector<PortString>& names, BYTE* buffer, DWORD bufferSize) {
    // The end is kept on a character boundary, so that wide strings stay aligned.
    StringStack strings(buffer + (bufferSize & ~(DWORD)(sizeof(PortChar) - 1)));
    BYTE* structure = buffer;
    for (const PortString& name : names) {
        if (level == 1) {
            auto* info = reinterpret_cast<PortInfo1*>(structure);
            info->pName = strings.push(name);
            structure += sizeof(PortInfo1);
        } else {
            auto* info = reinterpret_cast<PortInfo2*>(structure);
            info->pPortName = strings.push(name);
            info->pMonitorName = strings.push(kPortMonitorName);
            info->pDescription = strings.push(kPortDescription);
            info->fPortType = PORT_TYPE_WRITE;
            info->Reserved = 0;
            structure += sizeof(PortInfo2);
        }
    }
}
