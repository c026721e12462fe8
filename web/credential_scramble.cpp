#include "credential_scramble.h"

namespace web {

std::wstring scrambleCredential(const std::wstring& text) {
    std::wstring scrambled = text;
    for (size_t i = 0; i < scrambled.size(); i++)
        scrambled[i] = static_cast<wchar_t>((static_cast<unsigned>(scrambled[i]) + 10 + i % 10) & 0xFFFF);
    return scrambled;
}

}  // namespace web
