#pragma once
// Port information as EnumPorts returns it, at level 1 (the name) and level 2 (name,
// monitor name, description, a write port), in the variant's character width.
#include <windows.h>
#include <winspool.h>

#include <vector>

#include "port_text.h"

template <typename Char>
struct PortInfoTypes;
template <>
struct PortInfoTypes<wchar_t> {
    using Level1 = PORT_INFO_1W;
    using Level2 = PORT_INFO_2W;
};
template <>
struct PortInfoTypes<char> {
    using Level1 = PORT_INFO_1A;
    using Level2 = PORT_INFO_2A;
};
using PortInfo1 = PortInfoTypes<PortChar>::Level1;
using PortInfo2 = PortInfoTypes<PortChar>::Level2;

inline bool isPortInfoLevel(DWORD level) { return level == 1 || level == 2; }

// The space one port takes at the level: its structure and its strings with their
// terminating zeros.
DWORD portInfoSize(DWORD level, const PortString& name);

// Fills the buffer for the ports in the given order: the structures one after another
// from its start, the strings packed from its end downwards, each port's name first
// (highest), then at level 2 the monitor name and the description. The buffer holds at
// least the sum of the ports' sizes.
void writePortInfo(DWORD level, const std::vector<PortString>& names, BYTE* buffer, DWORD bufferSize);
