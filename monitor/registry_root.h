#pragma once
// Where the monitor's ports live: below the registry root the spooler passes at
// initialisation (the monitor's own key), the key "Private" holds one key per port.
#include "cstring.h"

// The root as a full registry path: a path that does not begin with "HKEY" (any case)
// is taken as relative to HKEY_LOCAL_MACHINE.
cSTRING portRegistryRoot(const cSTRING& givenRoot);

cSTRING portsKeyPath(const cSTRING& root);                          // root\Private
cSTRING portKeyPath(const cSTRING& root, const cSTRING& portName);  // root\Private\<port>

// True when the key of the full path exists.
bool registryKeyExists(const cSTRING& keyPath);
