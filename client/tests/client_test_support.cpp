#include "client_test_support.h"

#include "lab_paths.h"

namespace {
using Entry = HRESULT(STDAPICALLTYPE*)();

Entry entryOf(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

const wchar_t kClientKeySubkey[] = L"SOFTWARE\\Vorlane\\Kelo Print Driver";

KeloRegRegistration::KeloRegRegistration() {
    HKEY key = nullptr;
    m_registeredBefore = RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{7E903BB8-4631-4311-B4AB-424B769C49C8}", 0, KEY_READ,
                                       &key) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    m_module = LoadLibraryW((lab::programFolder() + L"KeloReg.dll").c_str());
    Entry registerServer = m_module ? entryOf(m_module, "DllRegisterServer") : nullptr;
    m_registered = registerServer && SUCCEEDED(registerServer());
}

KeloRegRegistration::~KeloRegRegistration() {
    if (m_registered && !m_registeredBefore) entryOf(m_module, "DllUnregisterServer")();
    if (m_module) FreeLibrary(m_module);
}

ClientSettingsBackup::ClientSettingsBackup() : m_backup(HKEY_LOCAL_MACHINE, kClientKeySubkey) {
    lab::deleteRegistryTree(HKEY_LOCAL_MACHINE, kClientKeySubkey);
}

std::optional<DWORD> clientNumber(const wchar_t* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    LONG status = RegGetValueW(HKEY_LOCAL_MACHINE, kClientKeySubkey, name, RRF_RT_ANY, &type, &value, &size);
    if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return value;
}
