#pragma once
// Reading registry values and names whole through the ANSI registry interface, and
// turning value data into variants. A value or name that grows between the size query
// and the read is read again with its new size: never cut short, never reported as read
// when it was not.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "variant.h"

struct RegistryValueData {
    DWORD type = REG_NONE;
    std::vector<unsigned char> bytes;
};

// ERROR_SUCCESS with the value's type and bytes, or the registry's failure.
LONG readRegistryValue(HKEY key, const char* name, RegistryValueData& value);

// The names of the key's subkeys (keys) or values in the system's order: ERROR_SUCCESS,
// or the registry's failure (*infoFailed tells whether it was the query of the key's
// sizes, when given).
LONG readRegistryNames(HKEY key, bool keys, std::vector<std::string>& names, bool* infoFailed = nullptr);

// REG_SZ and REG_EXPAND_SZ (not expanded) give a string, REG_DWORD a 32-bit integer,
// REG_BINARY an array of byte variants, REG_MULTI_SZ an array of string variants. Nothing
// for any other type or a REG_DWORD of fewer than four bytes.
std::optional<Variant> registryValueVariant(const RegistryValueData& value);
