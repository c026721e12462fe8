#pragma once
// The engine's class objects, registered with COM for local-server activation with
// multiple use. DriverManager hands every client the same object.
#include <windows.h>

#include <vector>

#include "com/object.h"

namespace engine {

class ClassObjects {
public:
    ClassObjects() = default;
    ~ClassObjects() { revoke(); }
    ClassObjects(const ClassObjects&) = delete;
    ClassObjects& operator=(const ClassObjects&) = delete;

    // Registers all of them suspended; CoResumeClassObjects lets activations in.
    HRESULT registerSuspended();
    void revoke();

private:
    HRESULT add(REFCLSID clsid, com::ComPtr<IClassFactory> factory);

    std::vector<com::ComPtr<IClassFactory>> m_factories;
    std::vector<DWORD> m_cookies;
};

}  // namespace engine
