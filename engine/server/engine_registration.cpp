#include "engine_registration.h"

#include "com/module.h"
#include "com/registration.h"
#include "engine_ids.h"

namespace engine {

HRESULT registerEngine() {
    HRESULT hr = com::registerAppId(kAppId, kAppName, kExeFileName);
    if (FAILED(hr)) return hr;
    std::wstring exePath = com::modulePath();
    for (const com::ClassInfo& info : kClasses) {
        hr = com::registerLocalServerClass(info, exePath, kAppId);
        if (FAILED(hr)) return hr;
    }
    return com::registerModuleTypeLib();
}

HRESULT unregisterEngine() {
    HRESULT result = S_OK;
    auto keep = [&result](HRESULT hr) {
        if (SUCCEEDED(result) && FAILED(hr)) result = hr;
    };
    for (const com::ClassInfo& info : kClasses) keep(com::unregisterClass(info));
    keep(com::unregisterAppId(kAppId, kExeFileName));
    keep(com::unregisterModuleTypeLib());
    return result;
}

}  // namespace engine
