#pragma once
// Reading the properties of the running installation through the installer handle.
#include <windows.h>
#include <msi.h>

#include <string>

// The property's value ("" when it is not set). Throws 1000 "Cannot get property: %s"
// when the installer refuses the read.
std::wstring readInstallerProperty(MSIHANDLE install, const wchar_t* name);
