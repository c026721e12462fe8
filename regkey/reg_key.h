#pragma once
// C_regKey: one open registry key and what can be done with it. Copies share the
// system handle (C_regKeyHandle); the key is closed when the last copy lets go, so an
// operation that holds a copy is never left with a closed handle. Failures throw
// cERROR_MSG 1000 with the texts the registry component hands to its callers.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "handles.h"
#include "variant.h"

class C_regKeyHandle {
public:
    C_regKeyHandle(HKEY key, REGSAM access) : m_key(key), m_access(access) {}
    C_regKeyHandle(const C_regKeyHandle&) = delete;
    C_regKeyHandle& operator=(const C_regKeyHandle&) = delete;

    HKEY get() const { return m_key.get(); }
    REGSAM access() const { return m_access; }
    // The same key opened once more with the same access.
    std::shared_ptr<C_regKeyHandle> duplicateKey() const;

private:
    RegKey m_key;
    REGSAM m_access;
};

class C_regKey {
public:
    // Opens "<root>\<subkey>". Only the full root names are accepted
    // (HKEY_LOCAL_MACHINE, never HKLM): anything else throws
    // "C_regKey::openKey - Invalid key name : <path>".
    static C_regKey openKey(const std::wstring& path, REGSAM access);

    std::vector<std::wstring> subKeys() const;
    std::vector<std::wstring> values() const;

    // REG_SZ/REG_EXPAND_SZ as a string, REG_DWORD as a 32-bit integer, REG_BINARY as an
    // array of byte variants, REG_MULTI_SZ as an array of string variants.
    Variant getValue(const std::wstring& name) const;
    // 16- and 32-bit integers as REG_DWORD; singles, doubles and strings as REG_SZ text.
    void setValue(const std::wstring& name, const VARIANT& value) const;
    void deleteValue(const std::wstring& name) const;

    C_regKey getSubKey(const std::wstring& name) const;     // opens, full access
    C_regKey createSubKey(const std::wstring& name) const;  // creates or opens, full access
    void deleteSubKey(const std::wstring& name) const;      // one key without sub-keys

    C_regKey duplicate() const { return C_regKey(m_handle->duplicateKey()); }
    HKEY handle() const { return m_handle->get(); }
    // How many holders share the system handle (for tests of the sharing).
    long holders() const { return m_handle.use_count(); }

private:
    explicit C_regKey(std::shared_ptr<C_regKeyHandle> handle) : m_handle(std::move(handle)) {}

    std::shared_ptr<C_regKeyHandle> m_handle;
};

// A one-dimensional array of string variants.
Variant namesVariant(const std::vector<std::wstring>& names);

// "C_regKey::<operation> [<error>-<system text>]"
[[noreturn]] void throwRegKeyError(const char* operation, LONG error);
