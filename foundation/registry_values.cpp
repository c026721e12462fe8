#include "registry.h"

#include <comdef.h>

#include "debug_log.h"
#include "handles.h"
#include "registry_data.h"
#include "text_convert.h"

namespace {
[[noreturn]] void cannotGet(const cSTRING& keyPath, const cSTRING& valueName, LONG error) {
    SetLastError((DWORD)error);
    throw cERROR_MSG(BV_ERR_GENERAL, "getRegistryValue: cannot get registry data [%s],[%s],error=[%d]", keyPath.c_str(),
                     valueName.c_str(), (int)error);
}

struct RegistryData {
    DWORD type;
    std::string bytes;
};

// The value as it is to be stored. An unsupported type logs and throws.
RegistryData toRegistryData(const VARIANT& given) {
    const VARIANT* value = &given;
    if (given.vt == (VT_BYREF | VT_VARIANT) && given.pvarVal) value = given.pvarVal;
    bool byRefWithoutTarget = (value->vt & VT_BYREF) && !value->byref;
    switch (byRefWithoutTarget ? (VARTYPE)VT_EMPTY : value->vt) {
    case VT_I2:
    case VT_I2 | VT_BYREF:
    case VT_I4:
    case VT_I4 | VT_BYREF: {
        Variant number;
        HRESULT hr = VariantChangeType(&number, const_cast<VARIANT*>(value), 0, VT_I4);
        if (FAILED(hr)) throw _com_error(hr);
        DWORD dword = (DWORD)number.lVal;
        return {REG_DWORD, std::string(reinterpret_cast<const char*>(&dword), sizeof dword)};
    }
    case VT_R4:
    case VT_R4 | VT_BYREF:
    case VT_R8:
    case VT_R8 | VT_BYREF:
    case VT_BSTR:
    case VT_BSTR | VT_BYREF: {
        Variant text;
        HRESULT hr = VariantChangeType(&text, const_cast<VARIANT*>(value), 0, VT_BSTR);
        if (FAILED(hr)) throw _com_error(hr);
        std::string ansi = toAnsi(text.bstrVal ? text.bstrVal : L"");
        return {REG_SZ, std::string(ansi.c_str(), ansi.size() + 1)};
    }
    default:
        DebugLine() << "Type=" << std::hex << value->vt;
        throw cERROR_MSG(BV_ERR_GENERAL, "setRegistryValue - unsupported variant type");
    }
}
}  // namespace

Variant getRegistryValue(const cSTRING& keyPath, const cSTRING& valueName) {
    RegistryPath path = splitRegistryPath(keyPath);
    if (!path.root) cannotGet(keyPath, valueName, ERROR_BAD_PATHNAME);
    RegKey key;
    LONG result = RegOpenKeyExA(path.root, path.subkey.c_str(), 0, KEY_READ, key.out());
    if (result != ERROR_SUCCESS) cannotGet(keyPath, valueName, result);
    RegistryValueData data;
    result = readRegistryValue(key.get(), valueName.c_str(), data);
    if (result != ERROR_SUCCESS) cannotGet(keyPath, valueName, result);
    key.reset();
    if (std::optional<Variant> value = registryValueVariant(data)) return *value;
    throw cERROR_MSG(BV_ERR_GENERAL, "getRegistryValue: unsupported registry data type");
}

void setRegistryValue(const cSTRING& keyPath, const cSTRING& valueName, const VARIANT& value) {
    RegistryPath path = splitRegistryPath(keyPath);
    if (!path.root) throw cERROR_MSG(BV_ERR_GENERAL, "setRegistryValue: cannot set registry data");
    RegistryData data = toRegistryData(value);
    RegKey key;
    if (RegCreateKeyExA(path.root, path.subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.out(), nullptr) != ERROR_SUCCESS)
        throw cERROR_MSG(BV_ERR_GENERAL, "setRegistryValue: cannot set registry data");
    if (RegSetValueExA(key.get(), valueName.c_str(), 0, data.type, reinterpret_cast<const BYTE*>(data.bytes.data()),
                       (DWORD)data.bytes.size()) != ERROR_SUCCESS)
        throw cERROR_MSG(BV_ERR_GENERAL, "setRegistryValue: cannot set registry data");
}
