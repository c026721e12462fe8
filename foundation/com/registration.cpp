#include "registration.h"

#include <oleauto.h>

#include "handles.h"
#include "module.h"
#include "typelib_dispatch.h"

namespace com {
namespace {

LONG setKey(const std::wstring& path, const wchar_t* valueName, const std::wstring* value) {
    RegKey key;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                  nullptr, key.out(), nullptr);
    if (status != ERROR_SUCCESS || !value) return status;
    return RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                          DWORD((value->size() + 1) * sizeof(wchar_t)));
}

LONG setDefault(const std::wstring& path, const std::wstring& value) { return setKey(path, nullptr, &value); }
LONG setNamed(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    return setKey(path, name, &value);
}
LONG createKey(const std::wstring& path) { return setKey(path, nullptr, nullptr); }

HRESULT firstFailure(std::initializer_list<LONG> results) {
    for (LONG status : results)
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    return S_OK;
}

HRESULT registerCommon(const ClassInfo& info, const std::wstring& classKey) {
    std::wstring clsid = guidText(info.clsid);
    std::wstring versioned = info.versionedProgId;
    std::wstring independent = info.progId;
    return firstFailure({
        setDefault(versioned, info.description),
        setDefault(versioned + L"\\CLSID", clsid),
        setDefault(independent, info.description),
        setDefault(independent + L"\\CLSID", clsid),
        setDefault(independent + L"\\CurVer", versioned),
        setDefault(classKey, info.description),
        setDefault(classKey + L"\\ProgID", versioned),
        setDefault(classKey + L"\\VersionIndependentProgID", independent),
        createKey(classKey + L"\\Programmable"),
        setDefault(classKey + L"\\TypeLib", guidText(info.typeLib)),
    });
}

std::wstring classKeyOf(const ClassInfo& info) { return L"CLSID\\" + guidText(info.clsid); }

}  // namespace

std::wstring guidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

HRESULT registerLocalServerClass(const ClassInfo& info, const std::wstring& exePath, const GUID& appId) {
    std::wstring classKey = classKeyOf(info);
    HRESULT hr = registerCommon(info, classKey);
    if (FAILED(hr)) return hr;
    return firstFailure({
        // Quoted: unquoted, a program at a prefix of the path that ends before a blank
        // (C:\Program.exe for C:\Program Files\...) would start in its place.
        setDefault(classKey + L"\\LocalServer32", L"\"" + exePath + L"\""),
        setNamed(classKey, L"AppID", guidText(appId)),
    });
}

HRESULT registerInprocServerClass(const ClassInfo& info, const std::wstring& dllPath, const wchar_t* threadingModel) {
    std::wstring classKey = classKeyOf(info);
    deleteKeyTree(HKEY_CLASSES_ROOT, classKey);
    HRESULT hr = registerCommon(info, classKey);
    if (FAILED(hr)) return hr;
    return firstFailure({
        setDefault(classKey + L"\\InprocServer32", dllPath),
        setNamed(classKey + L"\\InprocServer32", L"ThreadingModel", threadingModel),
    });
}

HRESULT unregisterClass(const ClassInfo& info) {
    return firstFailure({
        deleteKeyTree(HKEY_CLASSES_ROOT, info.versionedProgId),
        deleteKeyTree(HKEY_CLASSES_ROOT, info.progId),
        deleteKeyTree(HKEY_CLASSES_ROOT, classKeyOf(info)),
    });
}

HRESULT registerAppId(const GUID& appId, const wchar_t* name, const wchar_t* exeFileName) {
    std::wstring id = guidText(appId);
    return firstFailure({
        setDefault(L"AppID\\" + id, name),
        setNamed(L"AppID\\" + std::wstring(exeFileName), L"AppID", id),
    });
}

HRESULT unregisterAppId(const GUID& appId, const wchar_t* exeFileName) {
    return firstFailure({
        deleteKeyTree(HKEY_CLASSES_ROOT, L"AppID\\" + guidText(appId)),
        deleteKeyTree(HKEY_CLASSES_ROOT, L"AppID\\" + std::wstring(exeFileName)),
    });
}

HRESULT registerModuleTypeLib() {
    ComPtr<ITypeLib> library;
    std::wstring path = modulePath();
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    return RegisterTypeLib(library.Get(), &path[0], nullptr);
}

HRESULT unregisterModuleTypeLib() {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    TLIBATTR copy = *attributes;
    library->ReleaseTLibAttr(attributes);
    hr = UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
    return hr == TYPE_E_REGISTRYACCESS ? S_OK : hr;  // already gone
}

LONG deleteKeyTree(HKEY root, const std::wstring& path) {
    RegKey key;
    LONG status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE, key.out());
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    for (;;) {
        wchar_t name[256];
        DWORD length = 256;
        status = RegEnumKeyExW(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return status;
        status = deleteKeyTree(key.get(), name);
        if (status != ERROR_SUCCESS) return status;
    }
    key.reset();
    return RegDeleteKeyW(root, path.c_str());
}

}  // namespace com
