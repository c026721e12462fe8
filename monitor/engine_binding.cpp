#include "engine_binding.h"

#include <ole2.h>

#include "cstring.h"
#include "debug_log.h"

using Microsoft::WRL::ComPtr;

static_assert(kEngineClassContext == 23, "the engine is activated with class context 23");

namespace {
ComPtr<IDriverManager> unreachable(const char* caller, const char* step, HRESULT hr) {
    DebugLine() << caller << " - engine not reachable (" << step << " " << cSTRING::format("0x%x", (unsigned)hr).c_str()
                << ")";
    return nullptr;
}
}  // namespace

ComPtr<IDriverManager> activateEngine(const char* caller) {
    ComPtr<IUnknown> object;
    HRESULT hr = CoCreateInstance(CLSID_DriverManager, nullptr, kEngineClassContext, IID_IUnknown,
                                  reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(hr)) return unreachable(caller, "CoCreateInstance", hr);
    hr = OleRun(object.Get());
    if (FAILED(hr)) return unreachable(caller, "OleRun", hr);
    ComPtr<IDriverManager> manager;
    hr = object.As(&manager);
    if (FAILED(hr)) return unreachable(caller, "QueryInterface", hr);
    return manager;
}
