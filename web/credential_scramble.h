#pragma once
// The shift the provider's server undoes on user names and passwords: UTF-16 code unit
// i is increased by 10 + (i mod 10), modulo 65,536.
#include <string>

namespace web {

std::wstring scrambleCredential(const std::wstring& text);

}  // namespace web
