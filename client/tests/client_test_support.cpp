#include "client_test_support.h"

#include <functional>

#include "lab_paths.h"

namespace {
using Entry = HRESULT(STDAPICALLTYPE*)();

Entry entryOf(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

HKEY openClientKey(REGSAM access) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kClientKeySubkey, 0, nullptr, 0, access, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return nullptr;
    return key;
}
}  // namespace

const wchar_t kClientKeySubkey[] = L"SOFTWARE\\Vorlane\\Kelo Print Driver";

bool classRegistered(const wchar_t* clsid) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + clsid).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

KeloRegRegistration::KeloRegRegistration() {
    m_registeredBefore = classRegistered(L"{7E903BB8-4631-4311-B4AB-424B769C49C8}");
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
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClientKeySubkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD value = 0, size = sizeof value, type = 0;
    LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return value;
}

bool pumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    MSG message;
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}
