#include "registry.h"

#include <cstring>
#include <vector>

#include "debug_log.h"
#include "handles.h"
#include "registry_data.h"

LIST<cSTRING> enumRegistryKeys(const cSTRING& keyPath) {
    RegistryPath path = splitRegistryPath(keyPath);
    if (!path.root) throw cERROR_MSG(BV_ERR_GENERAL, "enumRegistryKeys: unexpected error");
    RegKey key;
    if (RegOpenKeyExA(path.root, path.subkey.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS)
        throw cERROR_MSG(BV_ERR_GENERAL, "enumRegistryKeys: cannot open key");
    std::vector<std::string> found;
    bool infoFailed = false;
    if (readRegistryNames(key.get(), true, found, &infoFailed) != ERROR_SUCCESS)
        throw cERROR_MSG(BV_ERR_GENERAL,
                         infoFailed ? "enumRegistryKeys: cannot query key" : "enumRegistryKeys: unexpected error");
    LIST<cSTRING> names(5);
    for (const std::string& name : found) names.append(cSTRING(name.c_str(), (int)name.size()));
    return names;
}

void bvfsDeleteRegistryKey(const cSTRING& keyPath) {
    RegistryPath path = splitRegistryPath(keyPath);
    if (!path.root) return;
    LONG result = RegDeleteKeyA(path.root, path.subkey.c_str());
    if (result != ERROR_SUCCESS)
        throw cERROR_MSG(BV_ERR_GENERAL, "bvfsDeleteRegistryKey: cannot delete key %d", (int)result);
}

namespace {
// Opens a key named by the full name of one of four roots, with full access.
RegKey openByFullName(const cSTRING& keyPath) {
    static const struct {
        HKEY root;
        const char* name;
    } roots[] = {
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
        {HKEY_USERS, "HKEY_USERS"},
    };
    RegKey key;
    for (const auto& root : roots) {
        size_t length = strlen(root.name);
        if (_strnicmp(keyPath.c_str(), root.name, length) != 0) continue;
        const char* subkey = keyPath.c_str() + length;
        if (strlen(subkey) >= 2) ++subkey;  // the separator after the root name
        RegOpenKeyExA(root.root, subkey, 0, KEY_ALL_ACCESS, key.out());
        break;
    }
    return key;
}
}  // namespace

bool createRegistryKey(const cSTRING& keyPath) {
    const char* text = keyPath.c_str();
    const char* lastBackslash = strrchr(text, '\\');
    if (!lastBackslash || lastBackslash == text) return false;
    cSTRING parentPath(text, (int)(lastBackslash - text));
    const char* leaf = lastBackslash + 1;

    RegKey parent = openByFullName(parentPath);
    if (!parent.valid()) {
        if (!createRegistryKey(parentPath)) return false;
        parent = openByFullName(parentPath);
        if (!parent.valid()) return false;
    }
    RegKey created;
    LONG result = RegCreateKeyExA(parent.get(), leaf, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  created.out(), nullptr);
    if (result != ERROR_SUCCESS) {
        DebugLine() << "** Err: cannot create registry key " << result;
        return false;
    }
    RegFlushKey(created.get());
    return true;
}
