#include "registry.h"

namespace {
struct RootName {
    HKEY root;
    const char* fullName;
    const char* shortName;
};

const RootName kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS, "HKEY_USERS", "HKU"},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA", "HKPD"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA", "HKDD"},
};
}  // namespace

RegistryPath splitRegistryPath(const cSTRING& path) {
    RegistryPath split;
    for (const RootName& name : kRoots) {
        for (const char* rootName : {name.fullName, name.shortName}) {
            cSTRING pattern = cSTRING(rootName) + "*";
            if (!matchRegistryPattern(path.c_str(), pattern.c_str())) continue;
            split.root = name.root;
            // The root alone ("HKLM") leaves an empty subkey.
            if (pattern.length() < path.length()) split.subkey = cSTRING(path.c_str() + pattern.length());
            return split;
        }
    }
    return split;
}
