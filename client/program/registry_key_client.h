#pragma once
// The client's way into the registry: a RegistryKey object of the registry component
// (KeloReg, in-process COM). Failures throw _com_error carrying the component's
// description.
#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "kelo_reg_h.h"
#include "variant.h"

class RegistryKeyClient {
public:
    // Creates the object; throws _com_error when the component is not registered.
    RegistryKeyClient();

    void setPath(const std::wstring& path);
    Variant value(const std::wstring& name);
    void setValue(const std::wstring& name, const VARIANT& value);
    // Creates (or opens) a sub-key of the current key and moves there.
    void createAndEnter(const std::wstring& subKey);

private:
    Microsoft::WRL::ComPtr<IRegistryKey> m_key;
};
