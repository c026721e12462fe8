#include "typelib_dispatch.h"

#include <comdef.h>

#include <map>
#include <mutex>

namespace com {
namespace {

struct TypeLibCache {
    std::mutex lock;
    ComPtr<ITypeLib> library;
    HRESULT loadResult = S_OK;
    bool loaded = false;
    std::map<GUID, ComPtr<ITypeInfo>, bool (*)(const GUID&, const GUID&)> infos{
        [](const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) < 0; }};
};

TypeLibCache& cache() {
    static TypeLibCache instance;
    return instance;
}

HRESULT loadLibrary(TypeLibCache& c) {
    if (!c.loaded) {
        c.loaded = true;
        c.loadResult = LoadTypeLibEx(modulePath().c_str(), REGKIND_NONE, &c.library);
    }
    return c.loadResult;
}

}  // namespace

HRESULT lookUpModuleTypeInfo(REFGUID guid, ComPtr<ITypeInfo>& typeInfo) {
    TypeLibCache& c = cache();
    std::lock_guard<std::mutex> guard(c.lock);
    auto found = c.infos.find(guid);
    if (found != c.infos.end()) {
        typeInfo = found->second;
        return S_OK;
    }
    HRESULT hr = loadLibrary(c);
    if (FAILED(hr)) return hr;
    hr = c.library->GetTypeInfoOfGuid(guid, &typeInfo);
    if (FAILED(hr)) return hr;
    c.infos.emplace(guid, typeInfo);
    return S_OK;
}

ComPtr<ITypeInfo> moduleTypeInfo(REFGUID guid) {
    ComPtr<ITypeInfo> typeInfo;
    HRESULT hr = lookUpModuleTypeInfo(guid, typeInfo);
    if (FAILED(hr)) throw _com_error(hr);
    return typeInfo;
}

ComPtr<ITypeLib> moduleTypeLib() {
    TypeLibCache& c = cache();
    std::lock_guard<std::mutex> guard(c.lock);
    HRESULT hr = loadLibrary(c);
    if (FAILED(hr)) throw _com_error(hr);
    return c.library;
}

}  // namespace com
