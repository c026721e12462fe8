#include "port_manager.h"

#include <mutex>

#include "failure_log.h"
#include "port_listing.h"
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
        logFailure("C_portMgr::refreshPortList", kPortTexts, *failure);
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
    if (!needed || !returned) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *returned = 0;
    *needed = 0;
    refreshPortList();
    std::vector<PortString> names = portNames();
    if (!isPortInfoLevel(level)) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    unsigned long long total = 0;
    for (const PortString& name : names) total += portInfoSize(level, name);
    if (total > MAXDWORD) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    *needed = (DWORD)total;
    if (total == 0) return TRUE;
    if (!ports || size < total) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    writePortInfo(level, names, ports, size);
    *returned = (DWORD)names.size();
    return TRUE;
}

BOOL C_portMgr::openPort(const std::wstring& name, PHANDLE handle) {
    if (!handle) return FALSE;
    *handle = nullptr;
    // The lock also keeps two threads from opening one port at the same time.
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "C_portMgr::openPort ");
    int index = m_ports.find(name);
    if (index < 0) return FALSE;
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
