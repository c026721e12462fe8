#pragma once
// CRegistryKey: the automation object "KeloReg.RegistryKey" around one C_regKey.
// Usable from any apartment (free-threaded marshaler). Every failure is E_FAIL with
// rich error information: the raised message, source "KeloReg.RegistryKey.1".
#include <windows.h>

#include <mutex>
#include <optional>

#include "bv_mutex.h"
#include "com/error_info.h"
#include "com/object.h"
#include "com/registration.h"
#include "com/typelib_dispatch.h"
#include "kelo_reg_h.h"
#include "reg_key.h"

class CRegistryKey
    : public com::Object<CRegistryKey, com::TypeLibDispatch<IRegistryKey>, com::SupportErrorInfo<IRegistryKey>> {
public:
    static constexpr bool kFreeThreaded = true;
    static const com::ClassInfo kClassInfo;

    CRegistryKey() = default;

    // Points a new object at a key it shares with nobody else yet, and makes it valid.
    void assign(C_regKey key);

    STDMETHODIMP setPath(BSTR regPath) override;
    STDMETHODIMP get_isValid(VARIANT_BOOL* valid) override;
    STDMETHODIMP get_subKeys(VARIANT* names) override;
    STDMETHODIMP get_values(VARIANT* names) override;
    STDMETHODIMP get_value(BSTR name, VARIANT* data) override;
    STDMETHODIMP put_value(BSTR name, VARIANT data) override;
    STDMETHODIMP deleteValue(BSTR name) override;
    STDMETHODIMP navigateToSubKey(BSTR name) override;
    STDMETHODIMP deleteSubKey(BSTR name) override;
    STDMETHODIMP createSubKey(BSTR name, IRegistryKey** subKey) override;
    STDMETHODIMP getSubKey(BSTR name, IRegistryKey** subKey) override;

private:
    // A copy of the key that stays open for the caller's operation; throws
    // "Key is not valid" while the object has none.
    C_regKey validKey();
    void replaceKey(std::optional<C_regKey> key);
    HRESULT newObjectOn(C_regKey key, IRegistryKey** subKey);

    C_BVMutex m_lock;
    std::mutex m_fields;  // guards m_key and m_valid while they are read or swapped
    std::optional<C_regKey> m_key;
    bool m_valid = false;
};
