// KeloWeb.dll: the in-process server of the iWeb class.
#include <windows.h>

#include "ciweb.h"
#include "handles.h"
#include "com/class_factory.h"
#include "com/module.h"
#include "com/registration.h"
#include "web_interfaces.h"

namespace {

com::ClassInfo iWebClass() {
    return {__uuidof(iWeb), L"iWeb Class", L"KeloWeb.iWeb", L"KeloWeb.iWeb.1", LIBID_KeloWeb};
}

// Wine: the type library marshaler (which carries _IWebEvents to sinks in other
// apartments) looks the library up under the neutral locale only, and this one is
// registered under 0x409; its path is entered under the neutral locale as well.
std::wstring neutralLocaleKey() { return L"TypeLib\\" + com::guidText(LIBID_KeloWeb) + L"\\1.0\\0"; }

HRESULT registerNeutralLocalePath() {
    RegKey key;
    std::wstring path = neutralLocaleKey() + (sizeof(void*) == 8 ? L"\\win64" : L"\\win32");
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                  nullptr, key.out(), nullptr);
    if (status == ERROR_SUCCESS) {
        std::wstring module = com::modulePath();
        status = RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(module.c_str()),
                                DWORD((module.size() + 1) * sizeof(wchar_t)));
    }
    return HRESULT_FROM_WIN32(status);
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != __uuidof(iWeb)) return CLASS_E_CLASSNOTAVAILABLE;
    try {
        return com::make<com::ClassFactory<web::CiWeb>>()->QueryInterface(iid, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllCanUnloadNow() { return com::moduleLockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    HRESULT hr = com::registerInprocServerClass(iWebClass(), com::modulePath(), L"Both");
    if (FAILED(hr)) return hr;
    hr = com::registerModuleTypeLib();
    if (FAILED(hr)) return hr;
    return registerNeutralLocalePath();
}

STDAPI DllUnregisterServer() {
    HRESULT classResult = com::unregisterClass(iWebClass());
    com::deleteKeyTree(HKEY_CLASSES_ROOT, neutralLocaleKey());
    HRESULT libraryResult = com::unregisterModuleTypeLib();
    return FAILED(classResult) ? classResult : libraryResult;
}
