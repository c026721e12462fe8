#include "monitor_test_support.h"

#include <ole2.h>

#include <set>

#include "bstr.h"
#include "com/object.h"
#include "error_msg.h"
#include "lab_text.h"

namespace monitortest {

const wchar_t kMonitorRoot[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ZOLT Print Port";

namespace {

RegKey openKey(const std::wstring& path) {
    RegKey key;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WRITE, key.out());
    return key;
}

}  // namespace

// ---------------------------------------------------------------- registry

MonitorKey::MonitorKey() : m_saved(lab::captureRegistryTree(HKEY_LOCAL_MACHINE, kMonitorRoot)) { removePrivateKey(); }

MonitorKey::~MonitorKey() {
    try {
        lab::restoreRegistryTree(HKEY_LOCAL_MACHINE, kMonitorRoot, m_saved);
    } catch (const cERROR_MSG& error) {
        ADD_FAILURE() << "the monitor's key cannot be restored: " << error.message;
    }
}

void MonitorKey::addPort(const std::wstring& name) {
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, portKey(name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, key.out(), nullptr));
}

void MonitorKey::removePrivateKey() {
    lab::deleteRegistryTree(HKEY_LOCAL_MACHINE, kMonitorRoot + std::wstring(L"\\Private"));
}

bool MonitorKey::portKeyExists(const std::wstring& name) const { return openKey(portKey(name)).valid(); }

std::optional<DWORD> MonitorKey::active(const std::wstring& name) const {
    RegKey key = openKey(portKey(name));
    DWORD value = 0, size = sizeof value, type = 0;
    if (!key || RegQueryValueExW(key.get(), L"active", nullptr, &type, (BYTE*)&value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

// ---------------------------------------------------------------- monitors

NtMonitor::NtMonitor(const std::wstring& registryRoot)
    : m_library(LoadLibraryW((lab::programFolder() + L"ZoltPort.dll").c_str())) {
    if (!m_library) throw cERROR_MSG(BV_ERR_GENERAL, "ZoltPort.dll cannot be loaded (%lu)", GetLastError());
    auto initialize = reinterpret_cast<LPMONITOREX(WINAPI*)(LPWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(m_library.get(), "InitializePrintMonitor")));
    if (!initialize) throw cERROR_MSG(BV_ERR_GENERAL, "ZoltPort.dll has no InitializePrintMonitor");
    std::wstring root = registryRoot;
    m_table = initialize(&root[0]);
    if (!m_table) throw cERROR_MSG(BV_ERR_GENERAL, "InitializePrintMonitor returned no table");
}

std::vector<std::wstring> NtMonitor::portNames() const {
    std::vector<std::wstring> names;
    DWORD needed = 0, returned = 0;
    if (m_table->Monitor.pfnEnumPorts(nullptr, 1, nullptr, 0, &needed, &returned) || needed == 0) return names;
    std::vector<BYTE> buffer(needed);
    if (!m_table->Monitor.pfnEnumPorts(nullptr, 1, buffer.data(), needed, &needed, &returned)) return names;
    const PORT_INFO_1W* info = (const PORT_INFO_1W*)buffer.data();
    for (DWORD i = 0; i < returned; i++) names.emplace_back(info[i].pName);
    return names;
}

HANDLE NtMonitor::open(const std::wstring& port) const {
    HANDLE handle = nullptr;
    std::wstring name = port;
    return m_table->Monitor.pfnOpenPort(&name[0], &handle) ? handle : nullptr;
}

Monitor9x::Monitor9x() : m_library(LoadLibraryW((lab::programFolder() + L"ZoltPort98.dll").c_str())) {
    if (!m_library) throw cERROR_MSG(BV_ERR_GENERAL, "ZoltPort98.dll cannot be loaded (%lu)", GetLastError());
    auto initialize = reinterpret_cast<BOOL(WINAPI*)(LPSTR, Monitor9xTable*)>(
        reinterpret_cast<void*>(GetProcAddress(m_library.get(), "InitializeMonitorEx")));
    if (!initialize) throw cERROR_MSG(BV_ERR_GENERAL, "ZoltPort98.dll has no InitializeMonitorEx");
    char root[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ZOLT Print Port";
    m_initialized = initialize(root, &m_table);
}

// ---------------------------------------------------------------- engine stand-in

std::vector<std::string> EngineRecord::calls() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
}

int EngineRecord::activations() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_activations;
}

int EngineRecord::note(const std::string& call) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (call == "activate")
        m_activations++;
    else
        m_calls.push_back(call);
    return ++m_counts[call.substr(0, call.find(' '))];
}

namespace {

class StandInDriverManager : public com::Object<StandInDriverManager, IDriverManager> {
public:
    explicit StandInDriverManager(EngineRecord& record) : m_record(record) {}

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    STDMETHODIMP getDriver(BSTR, IPrintDriver**) override { return E_NOTIMPL; }
    STDMETHODIMP splStartDoc(BSTR printer, LONG jobId, LONG* handle) override {
        if (FAILED(m_record.startDocResult)) return m_record.startDocResult;
        *handle = 0x7000 + m_record.note("splStartDoc printer=" + lab::toUtf8(printer ? printer : L"") +
                                         " job=" + std::to_string(jobId));
        return S_OK;
    }
    STDMETHODIMP splEndDoc(LONG handle) override { return answer("splEndDoc", handle, m_record.endDocResult); }
    STDMETHODIMP splClose(LONG handle) override { return answer("splClose", handle, m_record.closeResult); }
    STDMETHODIMP splAbort(LONG handle) override { return answer("splAbort", handle, S_OK); }
    STDMETHODIMP splStartPage(LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP splEndPage(LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP enumPrinters(VARIANT*) override { return E_NOTIMPL; }
    // The output path on the first successful call for a handle, none afterwards.
    STDMETHODIMP splWritePrinter(LONG handle, LONG size, BSTR* toFile) override {
        *toFile = nullptr;
        int write = m_record.note("splWritePrinter handle=" + std::to_string(handle) + " size=" + std::to_string(size));
        if (write == m_record.failingWrite) return m_record.failingWriteResult;
        std::wstring path = m_named.insert(handle).second ? m_record.outputPath(handle - 0x7000) : L"";
        if (!path.empty()) *toFile = BStr(path).release();
        return S_OK;
    }

private:
    HRESULT answer(const char* call, LONG handle, HRESULT result) {
        m_record.note(call + (" handle=" + std::to_string(handle)));
        return result;
    }
    EngineRecord& m_record;
    std::set<LONG> m_named;
};

class EngineFactory : public com::Object<EngineFactory, IClassFactory> {
public:
    explicit EngineFactory(EngineRecord& record)
        : com::Object<EngineFactory, IClassFactory>(com::ModuleLock::None), m_record(record) {}

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        m_record.note("activate");
        return com::make<StandInDriverManager>(m_record)->QueryInterface(iid, out);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    EngineRecord& m_record;
};

}  // namespace

ScopedEngine::ScopedEngine(EngineRecord& record) {
    com::ComPtr<EngineFactory> factory = com::make<EngineFactory>(record);
    HRESULT hr = CoRegisterClassObject(CLSID_DriverManager, factory->identity(),
                                       CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    if (FAILED(hr)) throw cERROR_MSG(BV_ERR_GENERAL, "the engine stand-in cannot be registered (0x%lx)", hr);
}

ScopedEngine::~ScopedEngine() { CoRevokeClassObject(m_cookie); }

}  // namespace monitortest
