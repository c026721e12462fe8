#pragma once
// C_portMgr: the monitor's list of ports, one per key below the registry root's
// "Private" key, kept sorted by name (letter case ignored). One manager per process,
// made by the first call that needs it.
#include <windows.h>

#include <string>
#include <vector>

#include "bv_mutex.h"
#include "cstring.h"
#include "dictionary.h"
#include "port_impl.h"
#include "port_text.h"
#include "ref_counted.h"

class C_portMgr : public C_refCounted {
public:
    // The process's manager with a reference for the caller. The first call makes it on
    // the given root (a full registry path) and reads the ports; later calls ignore the
    // root. Null when it cannot be made.
    static RefPtr<C_portMgr> instance(const cSTRING& registryRoot);
    // Lets go of the process's manager (when the library is unloaded).
    static void releaseInstance();

    // Reads the port keys anew; every listed port's "active" value becomes 0. A failure
    // is logged and leaves the list empty.
    void refreshPortList();
    // EnumPorts at level 1 or 2, after a refresh.
    BOOL enumPorts(DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned);
    // OpenPort: the port object becomes the spooler's handle (with a reference) when
    // the port is listed and not open already.
    BOOL openPort(const std::wstring& name, PHANDLE handle);
    // DeletePort: removes a listed port's key, then refreshes. An unlisted name is TRUE.
    BOOL deletePort(const std::wstring& name);

    const cSTRING& registryRoot() const { return m_registryRoot; }

private:
    explicit C_portMgr(const cSTRING& registryRoot);
    ~C_portMgr() override = default;

    std::vector<PortString> portNames();

    C_BVMutex m_lock;
    T_Dictionary<std::wstring, RefPtr<C_portImpl>> m_ports;
    cSTRING m_registryRoot;
};
