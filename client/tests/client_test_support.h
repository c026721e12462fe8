#pragma once
// What the client's tests share: KeloReg registered for a while, the client settings
// key saved and put back, and raw access to it for setting up and checking.
#include <windows.h>

#include <optional>
#include <string>

#include "lab_registry.h"

// KeloReg.dll beside the test program, registered (as regsvr32 does) for the life of
// the object; unregistered afterwards unless it was registered before.
class KeloRegRegistration {
public:
    KeloRegRegistration();
    ~KeloRegRegistration();
    KeloRegRegistration(const KeloRegRegistration&) = delete;
    KeloRegRegistration& operator=(const KeloRegRegistration&) = delete;
    bool registered() const { return m_registered; }

private:
    HMODULE m_module = nullptr;
    bool m_registered = false, m_registeredBefore = false;
};

extern const wchar_t kClientKeySubkey[];  // SOFTWARE\Vorlane\Kelo Print Driver

// The client settings key as it was, put back when the object goes; meanwhile empty.
class ClientSettingsBackup {
public:
    ClientSettingsBackup();

private:
    lab::RegistryBackup m_backup;
};

// The stored REG_DWORD, or nothing when the value is missing or of another type.
std::optional<DWORD> clientNumber(const wchar_t* name);
