#pragma once
// Registers the print monitor "ZOLT Print Port" with the spooler and gives it a new port.
// The monitor takes its ports from the keys under its Private key: the port's key is
// written first, then the monitor is told to reread them.
#include <string>
#include <vector>

#include "cstring.h"

// HKEY_LOCAL_MACHINE\...\Print\Monitors\ZOLT Print Port\Private
cSTRING monitorPortsKey();

// "ZOLT" followed by the number of existing ports, or by the next higher number that no
// existing port (any letter case) has.
std::wstring nextPortName(const std::vector<std::wstring>& existingPorts);

// Installs the monitor when missing (ntFamily chooses "ZoltPort.dll", else
// "ZoltPort98.dll" for the environment "Windows 4.0"), adds a port and returns its name.
// Throws the foundation's errors: "Cannot Create ZOLT Port :\n%s",
// "Cannot Add ZOLT Port Monitor [%d]:\n%s", or those of enumRegistryKeys when the
// monitor is installed without its Private key.
std::wstring installMonitorAndPort(bool ntFamily);
