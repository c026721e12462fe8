#include "installer_property.h"

#include <msiquery.h>

#include <vector>

#include "error_msg.h"
#include "text_convert.h"

namespace {
[[noreturn]] void cannotGet(const wchar_t* name) {
    throw cERROR_MSG(BV_ERR_GENERAL, "Cannot get property: %s", toAnsi(name).c_str());
}
}  // namespace

std::wstring readInstallerProperty(MSIHANDLE install, const wchar_t* name) {
    wchar_t empty[1] = {L'\0'};
    DWORD length = 0;
    UINT result = MsiGetPropertyW(install, name, empty, &length);
    if (result != ERROR_MORE_DATA && result != ERROR_SUCCESS) cannotGet(name);

    std::vector<wchar_t> value(length + 2, L'\0');
    DWORD capacity = (DWORD)value.size();
    if (MsiGetPropertyW(install, name, value.data(), &capacity) != ERROR_SUCCESS) cannotGet(name);
    return std::wstring(value.data());
}
