#include "registry_root.h"

#include "handles.h"
#include "registry.h"

cSTRING portRegistryRoot(const cSTRING& givenRoot) {
    if (matchRegistryPattern(givenRoot.c_str(), "HKEY*")) return givenRoot;
    return cSTRING("HKEY_LOCAL_MACHINE\\") + givenRoot;
}

cSTRING portsKeyPath(const cSTRING& root) { return root + "\\Private"; }

cSTRING portKeyPath(const cSTRING& root, const cSTRING& portName) { return portsKeyPath(root) + "\\" + portName; }

bool registryKeyExists(const cSTRING& keyPath) {
    RegistryPath path = splitRegistryPath(keyPath);
    RegKey key;
    return path.root && RegOpenKeyExA(path.root, path.subkey.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}
