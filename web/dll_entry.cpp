// KeloWeb.dll: the in-process server of the iWeb class.
#include <windows.h>

#include "ciweb.h"
#include "com/class_factory.h"
#include "com/module.h"
#include "com/registration.h"
#include "web_interfaces.h"

namespace {

com::ClassInfo iWebClass() {
    return {__uuidof(iWeb), L"iWeb Class", L"KeloWeb.iWeb", L"KeloWeb.iWeb.1", LIBID_KeloWeb};
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

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
    return com::registerModuleTypeLib();
}

STDAPI DllUnregisterServer() {
    HRESULT classResult = com::unregisterClass(iWebClass());
    HRESULT libraryResult = com::unregisterModuleTypeLib();
    return FAILED(classResult) ? classResult : libraryResult;
}
