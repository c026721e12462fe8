#include "registry_data.h"

#include <cstring>

#include "text_convert.h"
#include "variant_list.h"

namespace {

Variant stringVariant(const char* data, size_t size) {
    return Variant(toWide(std::string(data, size ? strnlen(data, size) : 0)));
}

Variant multiStringVariant(const char* data, size_t size) {
    tVARIANTLIST strings;
    for (size_t position = 0; size >= 2 && position < size - 1;) {
        size_t length = strnlen(data + position, size - position);
        strings.append(Variant(toWide(std::string(data + position, length))));
        position += length + 1;
    }
    return strings.toVariant();
}

Variant binaryVariant(const unsigned char* data, size_t size) {
    tVARIANTLIST bytes;
    for (size_t i = 0; i < size; ++i) {
        Variant byte;
        byte.vt = VT_UI1;
        byte.bVal = data[i];
        bytes.append(byte);
    }
    return bytes.toVariant();
}

}  // namespace

LONG readRegistryValue(HKEY key, const char* name, RegistryValueData& value) {
    for (;;) {
        DWORD size = 0;
        LONG status = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        value.bytes.assign(size, 0);
        DWORD read = size;
        status = RegQueryValueExA(key, name, nullptr, &value.type, value.bytes.data(), &read);
        if (status == ERROR_MORE_DATA) continue;  // the value grew in between
        if (status != ERROR_SUCCESS) return status;
        value.bytes.resize(read);
        return ERROR_SUCCESS;
    }
}

LONG readRegistryNames(HKEY key, bool keys, std::vector<std::string>& names, bool* infoFailed) {
    DWORD longestKey = 0, longestValue = 0;
    LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &longestKey, nullptr, nullptr,
                                   &longestValue, nullptr, nullptr, nullptr);
    if (infoFailed) *infoFailed = status != ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    std::vector<char> name((keys ? longestKey : longestValue) + 1);
    names.clear();
    for (DWORD index = 0;;) {
        DWORD length = (DWORD)name.size();
        status = keys ? RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr)
                      : RegEnumValueA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status == ERROR_MORE_DATA) {  // a longer name appeared meanwhile
            name.resize(name.size() * 2 + 256);
            continue;
        }
        if (status != ERROR_SUCCESS) return status;
        names.push_back(std::string(name.data(), length));
        ++index;
    }
}

std::optional<Variant> registryValueVariant(const RegistryValueData& value) {
    const char* text = reinterpret_cast<const char*>(value.bytes.data());
    size_t size = value.bytes.size();
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: return stringVariant(text, size);
    case REG_DWORD: {
        if (size < sizeof(DWORD)) return std::nullopt;
        DWORD number;
        memcpy(&number, value.bytes.data(), sizeof number);
        return Variant((long)number);
    }
    case REG_BINARY: return binaryVariant(value.bytes.data(), size);
    case REG_MULTI_SZ: return multiStringVariant(text, size);
    default: return std::nullopt;
    }
}
