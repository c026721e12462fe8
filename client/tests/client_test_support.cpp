#include "client_test_support.h"

#include "lab_paths.h"

namespace {
using Entry = HRESULT(STDAPICALLTYPE*)();

Entry entryOf(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

HKEY openClientKey(REGSAM access) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kClientKeySubkey, 0, nullptr, 0, access, nullptr, &key, nullptr);
    return key;
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

void writeClientNumber(const wchar_t* name, DWORD value) {
    HKEY key = openClientKey(KEY_WRITE);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void writeClientText(const wchar_t* name, const std::string& value) {
    HKEY key = openClientKey(KEY_WRITE);
    std::string ansiName(name, name + wcslen(name));
    RegSetValueExA(key, ansiName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   (DWORD)value.size() + 1);
    RegCloseKey(key);
}

std::optional<DWORD> clientNumber(const wchar_t* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    LONG status = RegGetValueW(HKEY_LOCAL_MACHINE, kClientKeySubkey, name, RRF_RT_ANY, &type, &value, &size);
    if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return value;
}
