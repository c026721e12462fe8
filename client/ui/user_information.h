#pragma once
// C_userInformation: who is logged in to the provider's server (kept in memory only).
#include <string>

struct C_userInformation {
    std::wstring loginName;
    std::wstring loginPassword;
};
