#pragma once
// Pieces shared by the monitor's tests: the monitor DLLs loaded the way the spooler
// loads them, the monitor's registry key kept and restored, and a stand-in for the
// engine's DriverManager registered in the test process.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine_h.h"
#include "handles.h"
#include "kelo_test.h"
#include "lab_paths.h"
#include "lab_registry.h"
#include "monitor_9x_table.h"

namespace monitortest {

// The monitor's key as the installer registers it, below HKEY_LOCAL_MACHINE.
extern const wchar_t kMonitorRoot[];  // SYSTEM\CurrentControlSet\Control\Print\Monitors\ZOLT Print Port

// The monitor's key for a test: saved, its "Private" key emptied, restored afterwards.
class MonitorKey {
public:
    MonitorKey();
    ~MonitorKey();
    MonitorKey(const MonitorKey&) = delete;
    MonitorKey& operator=(const MonitorKey&) = delete;

    void addPort(const std::wstring& name);
    void removePrivateKey();
    bool portKeyExists(const std::wstring& name) const;
    // The port's "active" value; none when the key or the value is missing.
    std::optional<DWORD> active(const std::wstring& name) const;
    std::wstring portKey(const std::wstring& name) const { return kMonitorRoot + (L"\\Private\\" + name); }

private:
    lab::RegistryTree m_saved;
};

// ZoltPort.dll loaded and initialised as the NT spooler does; unloaded at the end.
class NtMonitor {
public:
    explicit NtMonitor(const std::wstring& registryRoot = kMonitorRoot);
    NtMonitor(const NtMonitor&) = delete;
    NtMonitor& operator=(const NtMonitor&) = delete;

    const MONITOR& operator*() const { return m_table->Monitor; }
    const MONITOR* operator->() const { return &m_table->Monitor; }

    // EnumPorts at level 1: the names in the order given.
    std::vector<std::wstring> portNames() const;
    // OpenPort; null when it failed.
    HANDLE open(const std::wstring& port) const;

private:
    LibraryHandle m_library;
    LPMONITOREX m_table = nullptr;
};

// ZoltPort98.dll loaded and initialised as the Windows 9x spooler does.
class Monitor9x {
public:
    Monitor9x();
    Monitor9x(const Monitor9x&) = delete;
    Monitor9x& operator=(const Monitor9x&) = delete;

    BOOL initialized() const { return m_initialized; }
    const Monitor9xTable* operator->() const { return &m_table; }

private:
    LibraryHandle m_library;
    Monitor9xTable m_table = {};
    BOOL m_initialized = FALSE;
};

// What the stand-in engine answers and what it was told. The engine's rules: a handle
// per started job, the output file path on the first splWritePrinter of a handle and
// NULL on later ones.
class EngineRecord {
public:
    // The path the first splWritePrinter of the n-th job (from 1) answers; "" by default.
    std::function<std::wstring(int job)> outputPath = [](int) { return std::wstring(); };
    HRESULT startDocResult = S_OK;
    int failingWrite = 0;  // this splWritePrinter (counted from 1 over all jobs) fails
    HRESULT failingWriteResult = E_FAIL;
    HRESULT endDocResult = S_OK;
    HRESULT closeResult = S_OK;

    // "splStartDoc printer=<name> job=<id>", "splWritePrinter handle=<h> size=<n>",
    // "splEndDoc handle=<h>", "splAbort handle=<h>", "splClose handle=<h>", in the order
    // they came.
    std::vector<std::string> calls() const;
    int activations() const;

    // Used by the stand-in objects: notes the call ("activate" for an activation) and
    // gives its number among the calls of its kind (its first word), counted from 1.
    int note(const std::string& call);

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_calls;
    std::map<std::string, int> m_counts;
    int m_activations = 0;
};

// A class object for the engine's CLSID registered in this process for the life of the
// object, so that the monitor's activation (class context 23, OleRun) reaches it.
class ScopedEngine {
public:
    explicit ScopedEngine(EngineRecord& record);
    ~ScopedEngine();
    ScopedEngine(const ScopedEngine&) = delete;
    ScopedEngine& operator=(const ScopedEngine&) = delete;

private:
    DWORD m_cookie = 0;
};

}  // namespace monitortest
