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

bool DocumentEngine::bind(const char* caller, bool inMultithreadedApartment) {
    release();
    m_engine = activateEngine(caller);
    m_bound = m_engine != nullptr;
    m_apartmentThread = inMultithreadedApartment ? 0 : GetCurrentThreadId();
    return m_bound;
}

ComPtr<IDriverManager> DocumentEngine::get(const char* caller, bool inMultithreadedApartment) const {
    if (!m_bound) return nullptr;
    bool sameApartment = m_apartmentThread ? m_apartmentThread == GetCurrentThreadId() : inMultithreadedApartment;
    return sameApartment ? m_engine : activateEngine(caller);
}

void DocumentEngine::release() {
    m_engine.Reset();
    m_bound = false;
    m_apartmentThread = 0;
}
