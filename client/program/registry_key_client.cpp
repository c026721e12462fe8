#include "registry_key_client.h"

#include "bstr.h"
#include "com/guard.h"

RegistryKeyClient::RegistryKeyClient() {
    com::check(CoCreateInstance(CLSID_RegistryKey, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistryKey,
                                reinterpret_cast<void**>(m_key.GetAddressOf())));
}

void RegistryKeyClient::setPath(const std::wstring& path) { com::check(m_key->setPath(BStr(path).get())); }

Variant RegistryKeyClient::value(const std::wstring& name) {
    Variant data;
    com::check(m_key->get_value(BStr(name).get(), data.out()));
    return data;
}

void RegistryKeyClient::setValue(const std::wstring& name, const VARIANT& value) {
    com::check(m_key->put_value(BStr(name).get(), value));
}

void RegistryKeyClient::createAndEnter(const std::wstring& subKey) {
    Microsoft::WRL::ComPtr<IRegistryKey> created;
    com::check(m_key->createSubKey(BStr(subKey).get(), created.GetAddressOf()));
    m_key = created;
}
