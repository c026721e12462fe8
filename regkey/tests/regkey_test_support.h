#pragma once
// Shared pieces of the KeloReg tests: the registered DLL, fresh objects, a scratch key
// and the error information of a failed call.
#include <windows.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "kelo_reg_h.h"

using Microsoft::WRL::ComPtr;

// KeloReg.dll beside the test program, loaded and registered for the whole run.
class KeloRegEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
    static HMODULE module();
    static std::wstring dllPath();
    // An export of the loaded DLL as a function pointer, or null.
    template <class Function>
    static Function entry(const char* name) {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module(), name)));
    }
};

// Every test runs in the multithreaded apartment below its own scratch key
// HKEY_CURRENT_USER\Software\KeloTest\RegKey<pid>, which goes away afterwards.
class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ComPtr<IRegistryKey> newKey();
    // A new object already pointed at the scratch key (or a sub-key path below it).
    ComPtr<IRegistryKey> openScratch(const std::wstring& below = L"");

    std::wstring scratchPath() const { return L"HKEY_CURRENT_USER\\" + m_scratchSubkey; }
    const std::wstring& scratchSubkey() const { return m_scratchSubkey; }

    // Raw registry access (ANSI data) for setting up and checking, bypassing the component.
    void writeRaw(const std::wstring& below, const wchar_t* name, DWORD type, const void* data, DWORD size);
    bool readRaw(const std::wstring& below, const wchar_t* name, DWORD* type, std::vector<BYTE>* data);

private:
    std::wstring m_scratchSubkey;
};

struct ErrorInformation {
    std::wstring description;
    std::wstring source;
    GUID guid = GUID_NULL;
};
// Takes the thread's error information.
ErrorInformation takeErrorInformation();

// "C_regKey::<operation> [<error>-<system text>]", as the component words it.
std::wstring regKeyErrorText(const char* operation, DWORD error);

// A BSTR argument that lives to the end of the full expression.
struct Bstr {
    explicit Bstr(const wchar_t* text) : value(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value); }
    operator BSTR() const { return value; }
    BSTR value;
};
