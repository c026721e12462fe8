#include "lab_registry.h"

#include "error_msg.h"
#include "handles.h"
#include "lab_text.h"

namespace lab {
namespace {

std::wstring join(const std::wstring& path, const std::wstring& name) {
    return path.empty() ? name : path + L"\\" + name;
}

std::vector<std::wstring> subkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD index = 0;; index++) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

void writeTree(HKEY root, const std::wstring& path, const RegistryTree& tree) {
    RegKey key;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.out(), nullptr);
    if (status != ERROR_SUCCESS)
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot create registry key %s: %s", toUtf8(path).c_str(),
                         errorText(status).c_str());
    for (const RegistryTree::Value& value : tree.values) {
        status =
            RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(), (DWORD)value.data.size());
        if (status != ERROR_SUCCESS)
            throw cERROR_MSG(BV_ERR_GENERAL, "Cannot write registry value %s\\%s: %s", toUtf8(path).c_str(),
                             toUtf8(value.name).c_str(), errorText(status).c_str());
    }
    for (const auto& subkey : tree.subkeys) writeTree(root, join(path, subkey.first), subkey.second);
}

}  // namespace

RegistryTree captureRegistryTree(HKEY root, const std::wstring& path) {
    RegistryTree tree;
    RegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return tree;
    tree.exists = true;
    for (DWORD index = 0;; index++) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        RegistryTree::Value value;
        value.name.assign(name, nameLength);
        value.data.resize(size);
        nameLength = 16384;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &value.type, value.data.data(), &size) !=
            ERROR_SUCCESS)
            break;
        value.data.resize(size);
        tree.values.push_back(std::move(value));
    }
    for (const std::wstring& name : subkeyNames(key.get()))
        tree.subkeys.emplace_back(name, captureRegistryTree(root, join(path, name)));
    return tree;
}

bool deleteRegistryTree(HKEY root, const std::wstring& path) {
    {
        RegKey key;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) return true;
        for (const std::wstring& name : subkeyNames(key.get())) deleteRegistryTree(root, join(path, name));
    }
    LONG status = RegDeleteKeyW(root, path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

void restoreRegistryTree(HKEY root, const std::wstring& path, const RegistryTree& tree) {
    if (!deleteRegistryTree(root, path))
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot delete registry key %s", toUtf8(path).c_str());
    if (tree.exists) writeTree(root, path, tree);
}

void writeRegistryValue(HKEY root, const std::wstring& path, const std::wstring& valueName, DWORD type,
                        const void* data, DWORD size) {
    RegistryTree tree;
    tree.exists = true;
    RegistryTree::Value value;
    value.name = valueName;
    value.type = type;
    value.data.assign((const BYTE*)data, (const BYTE*)data + size);
    tree.values.push_back(value);
    writeTree(root, path, tree);
}

void writeRegistryString(HKEY root, const std::wstring& path, const std::wstring& valueName, const std::wstring& data) {
    writeRegistryValue(root, path, valueName, REG_SZ, data.c_str(), (DWORD)((data.size() + 1) * sizeof(wchar_t)));
}

void writeRegistryStrings(HKEY root, const std::wstring& path, const std::wstring& valueName,
                          const std::vector<std::wstring>& list) {
    std::wstring data;
    for (const std::wstring& item : list) data += item + L'\0';
    data += L'\0';
    writeRegistryValue(root, path, valueName, REG_MULTI_SZ, data.c_str(), (DWORD)(data.size() * sizeof(wchar_t)));
}

void writeRegistryNumber(HKEY root, const std::wstring& path, const std::wstring& valueName, DWORD number) {
    writeRegistryValue(root, path, valueName, REG_DWORD, &number, sizeof number);
}

RegistryBackup::RegistryBackup(HKEY root, const std::wstring& path)
    : m_root(root), m_path(path), m_saved(captureRegistryTree(root, path)) {}

RegistryBackup::~RegistryBackup() {
    try {
        restoreRegistryTree(m_root, m_path, m_saved);
    } catch (const cERROR_MSG&) {
    }
}

}  // namespace lab
