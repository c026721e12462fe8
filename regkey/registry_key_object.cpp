#include "registry_key_object.h"

#include "bstr.h"
#include "com/guard.h"
#include "error_msg.h"

namespace {
constexpr char kPathLabel[] = "C_registryKey::setPath";
constexpr char kListLabel[] = "C_registryKey::get_subKeys";
constexpr wchar_t kSource[] = L"KeloReg.RegistryKey.1";

std::wstring textOf(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

// Runs a member's body: anything it throws becomes E_FAIL with the description set.
template <class Body>
HRESULT member(Body&& body) noexcept {
    auto failure = com::runCaught(body);
    if (!failure) return S_OK;
    std::wstring description = failure->kind == com::Failure::LibraryError ? failure->description : L"Unknown Error";
    return com::setRichError(E_FAIL, description, kSource, IID_IRegistryKey);
}

}  // namespace

const com::ClassInfo CRegistryKey::kClassInfo = {
    CLSID_RegistryKey, L"RegistryKey Class", L"KeloReg.RegistryKey", L"KeloReg.RegistryKey.1", LIBID_KeloRegistry,
};

void CRegistryKey::assign(C_regKey key) { replaceKey(std::move(key)); }

void CRegistryKey::replaceKey(std::optional<C_regKey> key) {
    std::optional<C_regKey> old;  // closed outside the field lock
    std::lock_guard<std::mutex> guard(m_fields);
    old.swap(m_key);
    m_key = std::move(key);
    m_valid = m_key.has_value();
}

C_regKey CRegistryKey::validKey() {
    std::lock_guard<std::mutex> guard(m_fields);
    if (!m_valid || !m_key) throw cERROR_MSG(BV_ERR_GENERAL, "Key is not valid");
    return *m_key;
}

HRESULT CRegistryKey::newObjectOn(C_regKey key, IRegistryKey** subKey) {
    auto object = com::make<CRegistryKey>();
    object->assign(std::move(key));
    *subKey = object.Detach();
    return S_OK;
}

STDMETHODIMP CRegistryKey::setPath(BSTR regPath) {
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, kPathLabel);
    return member([&] {
        replaceKey(std::nullopt);  // a failing setPath leaves the object invalid
        replaceKey(C_regKey::openKey(textOf(regPath), KEY_ALL_ACCESS));
    });
}

STDMETHODIMP CRegistryKey::get_isValid(VARIANT_BOOL* valid) {
    if (!valid) return E_POINTER;
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, kPathLabel);
    std::lock_guard<std::mutex> guard(m_fields);
    *valid = m_valid ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CRegistryKey::get_subKeys(VARIANT* names) {
    if (!names) return E_POINTER;
    VariantInit(names);
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, kListLabel);
    return member([&] { namesVariant(validKey().subKeys()).detachTo(names); });
}

STDMETHODIMP CRegistryKey::get_values(VARIANT* names) {
    if (!names) return E_POINTER;
    VariantInit(names);
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, kListLabel);
    return member([&] { namesVariant(validKey().values()).detachTo(names); });
}

STDMETHODIMP CRegistryKey::get_value(BSTR name, VARIANT* data) {
    if (!data) return E_POINTER;
    VariantInit(data);
    return member([&] { validKey().getValue(textOf(name)).detachTo(data); });
}

STDMETHODIMP CRegistryKey::put_value(BSTR name, VARIANT data) {
    return member([&] { validKey().setValue(textOf(name), data); });
}

STDMETHODIMP CRegistryKey::deleteValue(BSTR name) {
    return member([&] { validKey().deleteValue(textOf(name)); });
}

STDMETHODIMP CRegistryKey::navigateToSubKey(BSTR name) {
    return member([&] { replaceKey(validKey().getSubKey(textOf(name))); });
}

STDMETHODIMP CRegistryKey::deleteSubKey(BSTR name) {
    return member([&] { validKey().deleteSubKey(textOf(name)); });
}

STDMETHODIMP CRegistryKey::createSubKey(BSTR name, IRegistryKey** subKey) {
    if (!subKey) return E_POINTER;
    *subKey = nullptr;
    return member([&] { newObjectOn(validKey().createSubKey(textOf(name)), subKey); });
}

STDMETHODIMP CRegistryKey::getSubKey(BSTR name, IRegistryKey** subKey) {
    if (!subKey) return E_POINTER;
    *subKey = nullptr;
    return member([&] { newObjectOn(validKey().getSubKey(textOf(name)), subKey); });
}
