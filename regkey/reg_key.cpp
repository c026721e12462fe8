#include "reg_key.h"

#include <comdef.h>

#include "error_msg.h"
#include "error_text.h"
#include "registry_data.h"
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

// Names of sub-keys (keys = true) or values, in the system's order.
std::vector<std::wstring> enumerate(HKEY key, bool keys, const char* operation) {
    std::vector<std::string> ansiNames;
    check(readRegistryNames(key, keys, ansiNames), operation);
    std::vector<std::wstring> names;
    for (const std::string& name : ansiNames) names.push_back(toWide(name));
    return names;
}

}  // namespace

void throwRegKeyError(const char* operation, LONG error) {
    throw cERROR_MSG(BV_ERR_GENERAL, "C_regKey::%s [%d-%s]", operation, (int)error, trimmedSystemText(error).c_str());
}

std::shared_ptr<C_regKeyHandle> C_regKeyHandle::duplicateKey() const {
    HKEY copy = nullptr;
    check(RegOpenKeyExA(m_key.get(), "", 0, m_access, &copy), "duplicateKey");
    return std::make_shared<C_regKeyHandle>(copy, m_access);
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
    RegistryValueData data;
    check(readRegistryValue(handle(), toAnsi(name).c_str(), data), "getValue");
    if (std::optional<Variant> value = registryValueVariant(data)) return *value;
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
    default: throw cERROR_MSG(BV_ERR_GENERAL, "C_regKey::setValue  - unsupported variant type");
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
