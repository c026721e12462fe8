#include "registry.h"

#include <comdef.h>

#include <cstring>

#include "debug_log.h"
#include "handles.h"
#include "memory.h"
#include "safearray.h"
#include "text_convert.h"

namespace {
[[noreturn]] void cannotGet(const cSTRING& keyPath, const cSTRING& valueName, LONG error) {
    SetLastError((DWORD)error);
    throw cERROR_MSG(BV_ERR_GENERAL, "getRegistryValue: cannot get registry data [%s],[%s],error=[%d]", keyPath.c_str(),
                     valueName.c_str(), (int)error);
}

Variant arrayOf(LIST<Variant>& items) {
    SafeArray array = SafeArray::vector(VT_VARIANT, (ULONG)items.count());
    for (LONG i = 0; i < items.count(); ++i) {
        HRESULT hr = SafeArrayPutElement(array.get(), &i, &items[i]);
        if (FAILED(hr)) throw _com_error(hr);
    }
    Variant result;
    result.vt = VT_ARRAY | VT_VARIANT;
    result.parray = array.release();
    return result;
}

Variant fromMultiString(const char* data, size_t size) {
    LIST<Variant> strings;
    for (size_t position = 0; size >= 2 && position < size - 1;) {
        size_t length = strnlen(data + position, size - position);
        strings.append(Variant(toWide(std::string(data + position, length))));
        position += length + 1;
    }
    return arrayOf(strings);
}

Variant fromBinary(const unsigned char* data, size_t size) {
    LIST<Variant> bytes((int)size);
    for (size_t i = 0; i < size; ++i) {
        Variant byte;
        byte.vt = VT_UI1;
        byte.bVal = data[i];
        bytes.append(std::move(byte));
    }
    return arrayOf(bytes);
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
    DWORD size = 0;
    result = RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr, nullptr, &size);
    if (result != ERROR_SUCCESS) cannotGet(keyPath, valueName, result);
    cMEMORY data(size);
    DWORD type = REG_NONE;
    result = RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, data.data(), &size);
    if (result != ERROR_SUCCESS) cannotGet(keyPath, valueName, result);
    key.reset();

    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return Variant(toWide(std::string(data.as<char>(), strnlen(data.as<char>(), size))));
    case REG_DWORD:
        return Variant((long)*data.as<DWORD>());
    case REG_BINARY:
        return fromBinary(data.data(), size);
    case REG_MULTI_SZ:
        return fromMultiString(data.as<char>(), size);
    default:
        throw cERROR_MSG(BV_ERR_GENERAL, "getRegistryValue: unsupported registry data type");
    }
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
