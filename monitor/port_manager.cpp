#include "port_manager.h"

#include <mutex>

#include "port_listing.h"
#include "refusal.h"
#include "registry.h"
#include "registry_root.h"
#include "text_convert.h"

namespace {
std::mutex singletonLock;
C_portMgr* singleton = nullptr;  // holds one reference
}  // namespace

RefPtr<C_portMgr> C_portMgr::instance(const cSTRING& registryRoot) {
    std::lock_guard<std::mutex> guard(singletonLock);
    if (!singleton) {
        C_portMgr* made = nullptr;
        if (com::runCaught([&] { made = new C_portMgr(registryRoot); })) return {};
        singleton = made;
    }
    return RefPtr<C_portMgr>::share(singleton);
}

void C_portMgr::releaseInstance() {
    C_portMgr* held = nullptr;
    {
        std::lock_guard<std::mutex> guard(singletonLock);
        held = std::exchange(singleton, nullptr);
    }
    if (held) held->Release();
}

C_portMgr::C_portMgr(const cSTRING& registryRoot) : m_ports(true, 5), m_registryRoot(registryRoot) {
    refreshPortList();
}

void C_portMgr::refreshPortList() {
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "C_portMgr::refreshPortList");
    auto failure = com::runCaught([&] {
        LIST<cSTRING> names = enumRegistryKeys(portsKeyPath(m_registryRoot));
        m_ports.clear();
        for (const cSTRING& name : names) {
            RefPtr<C_portImpl> port = RefPtr<C_portImpl>::adopt(new C_portImpl(portKeyPath(m_registryRoot, name)));
            m_ports.add(toWide(name.str()), port);
        }
    });
    if (failure) {
        com::logFailure("C_portMgr::refreshPortList", kPortTexts, *failure);
        m_ports.clear();
    }
}

std::vector<PortString> C_portMgr::portNames() {
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "C_portMgr::enumPorts");
    std::vector<PortString> names;
    names.reserve(m_ports.count());
    for (int i = 0; i < m_ports.count(); ++i) names.push_back(portText(m_ports.keyAt(i)));
    return names;
}

BOOL C_portMgr::enumPorts(DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned) {
    if (!needed || !returned) return refuse("C_portMgr::enumPorts", "no count to return", ERROR_INVALID_PARAMETER);
    *returned = 0;
    *needed = 0;
    refreshPortList();
    std::vector<PortString> names = portNames();
    if (!isPortInfoLevel(level)) return refuse("C_portMgr::enumPorts", "unknown level", ERROR_INVALID_LEVEL);
    unsigned long long total = 0;
    for (const PortString& name : names) total += portInfoSize(level, name);
    if (total > MAXDWORD) return refuse("C_portMgr::enumPorts", "the list exceeds 4 GB", ERROR_NOT_ENOUGH_MEMORY);
    *needed = (DWORD)total;
    if (total == 0) return TRUE;
    if (!ports || size < total) {  // the size the caller asks for next: not logged
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    writePortInfo(level, names, ports, size);
    *returned = (DWORD)names.size();
    return TRUE;
}

BOOL C_portMgr::openPort(const std::wstring& name, PHANDLE handle) {
    if (!handle) return refuse("C_portMgr::openPort", "no handle to return", ERROR_INVALID_PARAMETER);
    *handle = nullptr;
    // The lock also keeps two threads from opening one port at the same time.
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "C_portMgr::openPort ");
    int index = m_ports.find(name);
    if (index < 0) return refuse("C_portMgr::openPort", "no such port", ERROR_FILE_NOT_FOUND);
    RefPtr<C_portImpl> port = m_ports.valueAt(index);
    if (!port->open()) return FALSE;
    // The spooler's reference, released by ClosePort.
    *handle = port.release();
    return TRUE;
}

BOOL C_portMgr::deletePort(const std::wstring& name) {
    BOOL result = TRUE;
    cSTRING keyPath;
    {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "C_portMgr::deletePort");
        int index = m_ports.find(name);
        if (index >= 0) keyPath = m_ports.valueAt(index)->keyPath();
    }
    if (!keyPath.empty() && com::runCaught([&] { bvfsDeleteRegistryKey(keyPath); })) result = FALSE;
    refreshPortList();
    return result;
}
