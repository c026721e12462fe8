#pragma once
// Registry access by full path: a root name ("HKEY_LOCAL_MACHINE" or "HKLM", and the
// other roots), one separator character, then the subkey path. Values travel as
// variants. Every call goes through the ANSI registry interface, and every failure is a
// cERROR_MSG 1000 except for createRegistryKey, which answers false.
#include <windows.h>

#include "cstring.h"
#include "list.h"
#include "registry_pattern.h"
#include "variant.h"

struct RegistryPath {
    HKEY root = nullptr;  // null when the path names no root
    cSTRING subkey;
};

// The first root whose full or short name (tested in that order, root by root) matches
// as a prefix; the subkey is what follows the name and the one character after it.
RegistryPath splitRegistryPath(const cSTRING& path);

// REG_SZ and REG_EXPAND_SZ (not expanded) give a string, REG_DWORD a 32-bit integer,
// REG_BINARY an array of byte variants, REG_MULTI_SZ an array of string variants.
// Throws "getRegistryValue: cannot get registry data [%s],[%s],error=[%d]" or
// "getRegistryValue: unsupported registry data type".
Variant getRegistryValue(const cSTRING& keyPath, const cSTRING& valueName);

// Creates the key when missing. 16- and 32-bit integers (also by reference) are stored as
// REG_DWORD; singles, doubles and strings (also by reference) as REG_SZ text; a
// by-reference variant as what it refers to. Other types log "Type=<hex>" and throw
// "setRegistryValue - unsupported variant type"; other failures throw
// "setRegistryValue: cannot set registry data".
void setRegistryValue(const cSTRING& keyPath, const cSTRING& valueName, const VARIANT& value);

// Subkey names in the system's order. Throws "enumRegistryKeys: unexpected error" (no
// root), "enumRegistryKeys: cannot open key" or "enumRegistryKeys: cannot query key".
LIST<cSTRING> enumRegistryKeys(const cSTRING& keyPath);

// Deletes one key without subkeys; a path without a root does nothing. Throws
// "bvfsDeleteRegistryKey: cannot delete key %d".
void bvfsDeleteRegistryKey(const cSTRING& keyPath);

// Creates the key and any missing parents. Only the full names of the classes root,
// current user, local machine and users roots are accepted. A failure to create logs
// "** Err: cannot create registry key <error>"; the result tells whether it worked.
bool createRegistryKey(const cSTRING& keyPath);
