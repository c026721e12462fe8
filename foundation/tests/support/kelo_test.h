#pragma once
// The pieces every test program of this system shares.
#include <windows.h>
#include <gtest/gtest.h>

#include <oaidl.h>

#include <cstdint>
#include <cwchar>
#include <string>

// Every test runs in the multithreaded apartment, from before its members are made until
// after they are gone; it keeps registered class objects visible to other threads.
class ComTest : public ::testing::Test {
protected:
    ComTest() : m_initialized(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComTest() override {
        if (SUCCEEDED(m_initialized)) CoUninitialize();
    }
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(m_initialized); }

private:
    HRESULT m_initialized;
};

// A value no call would give back, for the out parameters a call must set (or leave).
template <class T>
T poisoned() {
    return (T)(uintptr_t)0xdeadbeef;
}

// A loopback port nothing listens on.
int closedPort();

// Bytes that differ from block to block, so that a lost or repeated block shows.
std::string documentBytes(size_t size, unsigned seed);

// A member as a script client reaches it by name: its dispatch id and whether it is
// restricted and hidden (FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN).
struct ScriptMember {
    const IID* type;
    const wchar_t* name;
    INVOKEKIND kind;
    MEMBERID id;
    WORD flags;
};
void expectScriptMembers(ITypeLib* library, const ScriptMember* members, size_t count);
