#pragma once
// Saving a registry key with everything below it and putting it back exactly, for
// fixtures that change shared keys (file associations, monitors) for a while.
#include <windows.h>

#include <string>
#include <vector>

namespace lab {

struct RegistryTree {
    struct Value {
        std::wstring name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        bool operator==(const Value& other) const {
            return name == other.name && type == other.type && data == other.data;
        }
    };
    bool exists = false;
    std::vector<Value> values;
    std::vector<std::pair<std::wstring, RegistryTree>> subkeys;

    bool operator==(const RegistryTree& other) const {
        return exists == other.exists && values == other.values && subkeys == other.subkeys;
    }
    bool operator!=(const RegistryTree& other) const { return !(*this == other); }
};

// Reads the key and its subkeys; an absent key gives a tree with exists == false.
RegistryTree captureRegistryTree(HKEY root, const std::wstring& path);
// Deletes the key with all its subkeys; true when it is gone afterwards.
bool deleteRegistryTree(HKEY root, const std::wstring& path);
// Replaces the key by the captured tree (or deletes it when the tree did not exist).
// Throws cERROR_MSG on failure.
void restoreRegistryTree(HKEY root, const std::wstring& path, const RegistryTree& tree);

// Write one value, creating the key. Throw cERROR_MSG on failure.
void writeRegistryValue(HKEY root, const std::wstring& path, const std::wstring& valueName, DWORD type,
                        const void* data, DWORD size);
void writeRegistryString(HKEY root, const std::wstring& path, const std::wstring& valueName, const std::wstring& data);
void writeRegistryStrings(HKEY root, const std::wstring& path, const std::wstring& valueName,
                          const std::vector<std::wstring>& list);  // REG_MULTI_SZ
void writeRegistryNumber(HKEY root, const std::wstring& path, const std::wstring& valueName, DWORD number);

// Captures a key when made and restores it when it goes away.
class RegistryBackup {
public:
    RegistryBackup(HKEY root, const std::wstring& path);
    ~RegistryBackup();
    RegistryBackup(const RegistryBackup&) = delete;
    RegistryBackup& operator=(const RegistryBackup&) = delete;

    const RegistryTree& saved() const { return m_saved; }

private:
    HKEY m_root;
    std::wstring m_path;
    RegistryTree m_saved;
};

}  // namespace lab
