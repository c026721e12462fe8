#include "printer_registry.h"

#include <vector>

#include "error_msg.h"
#include "handles.h"
#include "memory.h"
#include "printing_api.h"
#include "safearray.h"
#include "text_convert.h"

namespace engine {

const wchar_t kServerIpValue[] = L"KeloServerIp";
const wchar_t kMfgValue[] = L"Mfg";
const wchar_t kSystemMaker[] = L"Vorlane";

namespace {

[[noreturn]] void cannotGetData() {
    throw cERROR_MSG(BV_ERR_GENERAL, "getPrinterRegistryValue: cannot get registry data");
}

// The strings of a text block: one for a plain string, the NUL-separated list of a
// multi-string (ended by an empty string or the end of the data).
std::vector<std::wstring> textsOf(const BYTE* data, DWORD size, bool wide, bool list) {
    std::vector<std::wstring> texts;
    if (wide) {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(data);
        size_t count = size / sizeof(wchar_t);
        size_t start = 0;
        do {
            size_t end = start;
            while (end < count && text[end] != L'\0') ++end;
            if (list && end == start) break;
            texts.emplace_back(text + start, end - start);
            start = end + 1;
        } while (list && start < count);
    } else {
        const char* text = reinterpret_cast<const char*>(data);
        size_t start = 0;
        do {
            size_t end = start;
            while (end < size && text[end] != '\0') ++end;
            if (list && end == start) break;
            texts.push_back(toWide(std::string(text + start, end - start)));
            start = end + 1;
        } while (list && start < size);
    }
    if (!list && texts.empty()) texts.emplace_back();
    return texts;
}

Variant variantArray(const std::vector<Variant>& items) {
    SafeArray array = SafeArray::vector(VT_VARIANT, (ULONG)items.size());
    for (LONG i = 0; i < (LONG)items.size(); ++i) {
        HRESULT hr = SafeArrayPutElement(array.get(), &i, const_cast<Variant*>(&items[i]));
        if (FAILED(hr)) throw cERROR_MSG(BV_ERR_GENERAL, "getPrinterRegistryValue: cannot build array 0x%lx", hr);
    }
    Variant result;
    result.vt = VT_ARRAY | VT_VARIANT;
    result.parray = array.release();
    return result;
}

}  // namespace

std::wstring driverDataKey(const std::wstring& printerName) {
    return L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + printerName + L"\\PrinterDriverData";
}

Variant registryDataToVariant(DWORD type, const BYTE* data, DWORD size, bool wide) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: return Variant(textsOf(data, size, wide, false).front());
    case REG_DWORD: {
        DWORD value = 0;
        memcpy(&value, data, size < sizeof value ? size : sizeof value);
        return Variant((long)value);
    }
    case REG_BINARY: {
        std::vector<Variant> bytes;
        for (DWORD i = 0; i < size; ++i) {
            Variant byte;
            byte.vt = VT_UI1;
            byte.bVal = data[i];
            bytes.push_back(byte);
        }
        return variantArray(bytes);
    }
    case REG_MULTI_SZ: {
        std::vector<Variant> strings;
        for (const std::wstring& text : textsOf(data, size, wide, true)) strings.emplace_back(text);
        return variantArray(strings);
    }
    default: throw cERROR_MSG(BV_ERR_GENERAL, "getPrinterRegistryValue: unsupported registry data type");
    }
}

Variant readPrinterRegistryValue(const std::wstring& printerName, const std::wstring& valueName) {
    bool wide = printingApi() == PrintingApi::Wide;
    std::wstring keyPath = driverDataKey(printerName);
    RegKey key;
    DWORD type = REG_NONE, size = 0;
    cMEMORY data;
    if (wide) {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS)
            cannotGetData();
        if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            cannotGetData();
        data = cMEMORY(size);
        if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            cannotGetData();
    } else {
        std::string ansiKey = toAnsi(keyPath), ansiValue = toAnsi(valueName);
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ansiKey.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS)
            cannotGetData();
        if (RegQueryValueExA(key.get(), ansiValue.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            cannotGetData();
        data = cMEMORY(size);
        if (RegQueryValueExA(key.get(), ansiValue.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            cannotGetData();
    }
    key.reset();
    return registryDataToVariant(type, data.data(), size, wide);
}

}  // namespace engine
