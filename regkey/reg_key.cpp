#include "reg_key.h"

#include <comdef.h>

#include <cstring>

#include "error_msg.h"
#include "error_text.h"
#include "memory.h"
#include "registry_pattern.h"
#include "text_convert.h"
#include "variant_list.h"

namespace {

struct Root {
    HKEY key;
    const char* pattern;
};

// Tested in this order; the '*' lets the text go on after the name.
const Root kRoots[] = {
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE*"},
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT*"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER*"},
    {HKEY_USERS, "HKEY_USERS*"},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA*"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG*"},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA*"},
};

std::string trimmedSystemText(LONG error) {
    std::string text = systemErrorText((DWORD)error);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

void check(LONG status, const char* operation) {
    if (status != ERROR_SUCCESS) throwRegKeyError(operation, status);
}

Variant stringVariant(const char* data, size_t size) { return Variant(toWide(std::string(data, strnlen(data, size)))); }

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

// Names of sub-keys (keys = true) or values, in the system's order.
std::vector<std::wstring> enumerate(HKEY key, bool keys, const char* operation) {
    DWORD longestKey = 0, longestValue = 0;
    check(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &longestKey, nullptr, nullptr, &longestValue,
                           nullptr, nullptr, nullptr),
          operation);
    std::vector<char> name((keys ? longestKey : longestValue) + 1);
    std::vector<std::wstring> names;
    for (DWORD index = 0;;) {
        DWORD length = (DWORD)name.size();
        LONG status = keys ? RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr)
                           : RegEnumValueA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_MORE_DATA) {  // a longer name appeared meanwhile
            name.resize(name.size() * 2 + 256);
            continue;
        }
        check(status, operation);
        names.push_back(toWide(std::string(name.data(), length)));
        ++index;
    }
    return names;
}

}  // namespace

void throwRegKeyError(const char* operation, LONG error) {
    throw cERROR_MSG(BV_ERR_GENERAL, "C_regKey::%s [%d-%s]", operation, (int)error, trimmedSystemText(error).c_str());
}

std::shared_ptr<C_regKeyHandle> C_regKeyHandle::duplicateKey() const {
    HKEY copy = nullptr;
    check(RegOpenKeyExA(key_.get(), "", 0, access_, &copy), "duplicateKey");
    return std::make_shared<C_regKeyHandle>(copy, access_);
}

C_regKey C_regKey::openKey(const std::wstring& path, REGSAM access) {
    std::string ansiPath = toAnsi(path);
    size_t backslash = ansiPath.find('\\');
    std::string rootName = ansiPath.substr(0, backslash);
    for (const Root& root : kRoots) {
        if (!matchRegistryPattern(rootName.c_str(), root.pattern)) continue;
        std::string subkey = backslash == std::string::npos ? std::string() : ansiPath.substr(backslash + 1);
        HKEY key = nullptr;
        check(RegOpenKeyExA(root.key, subkey.c_str(), 0, access, &key), "openKey");
        return C_regKey(std::make_shared<C_regKeyHandle>(key, access));
    }
    throw cERROR_MSG(BV_ERR_GENERAL, "C_regKey::openKey - Invalid key name : %s", ansiPath.c_str());
}

std::vector<std::wstring> C_regKey::subKeys() const { return enumerate(handle(), true, "subKeys"); }

std::vector<std::wstring> C_regKey::values() const { return enumerate(handle(), false, "values"); }

Variant C_regKey::getValue(const std::wstring& name) const {
    std::string ansiName = toAnsi(name);
    DWORD size = 0, type = REG_NONE;
    cMEMORY data;
    LONG status;
    for (;;) {
        status = RegQueryValueExA(handle(), ansiName.c_str(), nullptr, nullptr, nullptr, &size);
        if (status != ERROR_SUCCESS) break;
        data = cMEMORY(size);
        DWORD read = size;
        status = RegQueryValueExA(handle(), ansiName.c_str(), nullptr, &type, data.data(), &read);
        if (status == ERROR_MORE_DATA) continue;  // the value grew in between
        size = read;
        break;
    }
    check(status, "getValue");

    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return stringVariant(data.as<char>(), size);
    case REG_DWORD:
        if (size < sizeof(DWORD)) break;
        return Variant((long)*data.as<DWORD>());
    case REG_BINARY:
        return binaryVariant(data.data(), size);
    case REG_MULTI_SZ:
        return multiStringVariant(data.as<char>(), size);
    default:
        break;
    }
    throw cERROR_MSG(BV_ERR_GENERAL, "C_regKey::getValue unsupported registry data type");
}

void C_regKey::setValue(const std::wstring& name, const VARIANT& given) const {
    Variant value;
    if (FAILED(VariantCopyInd(value.out(), const_cast<VARIANT*>(&given)))) value = Variant(given);

    DWORD type = REG_NONE;
    std::string bytes;
    switch (value.vt) {
    case VT_I2:
    case VT_I4: {
        DWORD number = value.vt == VT_I2 ? (DWORD)(long)value.iVal : (DWORD)value.lVal;
        type = REG_DWORD;
        bytes.assign(reinterpret_cast<const char*>(&number), sizeof number);
        break;
    }
    case VT_R4:
    case VT_R8:
    case VT_BSTR: {
        Variant text;
        HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
        if (FAILED(hr)) throw _com_error(hr);
        std::string ansi = toAnsi(text.bstrVal ? text.bstrVal : L"");
        type = REG_SZ;
        bytes.assign(ansi.c_str(), ansi.size() + 1);
        break;
    }
    default:
        throw cERROR_MSG(BV_ERR_GENERAL, "C_regKey::setValue  - unsupported variant type");
    }
    check(RegSetValueExA(handle(), toAnsi(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         (DWORD)bytes.size()),
          "setValue");
}

void C_regKey::deleteValue(const std::wstring& name) const {
    check(RegDeleteValueA(handle(), toAnsi(name).c_str()), "deleteValue");
}

C_regKey C_regKey::getSubKey(const std::wstring& name) const {
    HKEY key = nullptr;
    check(RegOpenKeyExA(handle(), toAnsi(name).c_str(), 0, KEY_ALL_ACCESS, &key), "getSubKey");
    return C_regKey(std::make_shared<C_regKeyHandle>(key, KEY_ALL_ACCESS));
}

C_regKey C_regKey::createSubKey(const std::wstring& name) const {
    HKEY key = nullptr;
    check(RegCreateKeyExA(handle(), toAnsi(name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr),
          "createSubKey");
    return C_regKey(std::make_shared<C_regKeyHandle>(key, KEY_ALL_ACCESS));
}

void C_regKey::deleteSubKey(const std::wstring& name) const {
    check(RegDeleteKeyA(handle(), toAnsi(name).c_str()), "deleteSubKey");
}

Variant namesVariant(const std::vector<std::wstring>& names) {
    tVARIANTLIST list;
    for (const std::wstring& name : names) list.append(Variant(name));
    return list.toVariant();
}
