#include "monitor_test_support.h"

#include <fcntl.h>
#include <io.h>
#include <gtest/gtest-spi.h>
#include <ole2.h>

#include <cstdio>

#include "bstr.h"
#include "com/object.h"
#include "com/registration.h"
#include "error_msg.h"
#include "lab_text.h"

namespace monitortest {

const wchar_t kMonitorRoot[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ZOLT Print Port";

namespace {

std::string number(long value) { return std::to_string(value); }

RegKey openKey(HKEY root, const std::wstring& path) {
    RegKey key;
    RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE, key.out());
    return key;
}

}  // namespace

// ---------------------------------------------------------------- registry

MonitorKey::MonitorKey(HKEY root, const std::wstring& path)
    : m_root(root), m_path(path), m_saved(lab::captureRegistryTree(root, path)) {
    removePrivateKey();
}

MonitorKey::~MonitorKey() {
    try {
        lab::restoreRegistryTree(m_root, m_path, m_saved);
    } catch (const cERROR_MSG& error) {
        ADD_FAILURE() << "the monitor's key cannot be restored: " << error.message;
    }
}

void MonitorKey::addPort(const std::wstring& name) {
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_root, portKey(name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             key.out(), nullptr));
}

void MonitorKey::removePortKey(const std::wstring& name) { lab::deleteRegistryTree(m_root, portKey(name)); }

void MonitorKey::removePrivateKey() { lab::deleteRegistryTree(m_root, m_path + L"\\Private"); }

bool MonitorKey::portKeyExists(const std::wstring& name) const { return openKey(m_root, portKey(name)).valid(); }

std::optional<DWORD> MonitorKey::active(const std::wstring& name) const {
    RegKey key = openKey(m_root, portKey(name));
    DWORD value = 0, size = sizeof value, type = 0;
    if (!key || RegQueryValueExW(key.get(), L"active", nullptr, &type, (BYTE*)&value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

void MonitorKey::setActive(const std::wstring& name, DWORD value) {
    lab::writeRegistryNumber(m_root, portKey(name), L"active", value);
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

NtMonitor::~NtMonitor() = default;

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

Monitor9x::Monitor9x(const std::string& registryRoot)
    : m_library(LoadLibraryW((lab::programFolder() + L"ZoltPort98.dll").c_str())) {
    if (!m_library) throw cERROR_MSG(BV_ERR_GENERAL, "ZoltPort98.dll cannot be loaded (%lu)", GetLastError());
    auto initialize = reinterpret_cast<BOOL(WINAPI*)(LPSTR, Monitor9xTable*)>(
        reinterpret_cast<void*>(GetProcAddress(m_library.get(), "InitializeMonitorEx")));
    if (!initialize) throw cERROR_MSG(BV_ERR_GENERAL, "ZoltPort98.dll has no InitializeMonitorEx");
    std::string root = registryRoot;
    m_initialized = initialize(&root[0], &m_table);
}

Monitor9x::~Monitor9x() = default;

// ---------------------------------------------------------------- engine stand-in

std::vector<std::string> EngineRecord::calls() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
}

int EngineRecord::activations() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_activations;
}

void EngineRecord::clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.clear();
    m_activations = 0;
}

void EngineRecord::activated() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_activations++;
}

long EngineRecord::startDoc(const std::wstring& printer, long jobId) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back("splStartDoc printer=" + lab::toUtf8(printer) + " job=" + number(jobId));
    return 0x7000 + ++m_jobs;
}

HRESULT EngineRecord::writePrinter(long handle, long size, std::wstring& path) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back("splWritePrinter handle=" + number(handle) + " size=" + number(size));
    if (++m_writes == failingWrite) return failingWriteResult;
    for (long given : m_pathGiven)
        if (given == handle) return S_OK;
    m_pathGiven.push_back(handle);
    path = outputPath((int)(handle - 0x7000));
    return S_OK;
}

HRESULT EngineRecord::endDoc(long handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back("splEndDoc handle=" + number(handle));
    return endDocResult;
}

HRESULT EngineRecord::abort(long handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back("splAbort handle=" + number(handle));
    return S_OK;
}

HRESULT EngineRecord::close(long handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back("splClose handle=" + number(handle));
    return closeResult;
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
        *handle = m_record.startDoc(printer ? printer : L"", jobId);
        return S_OK;
    }
    STDMETHODIMP splEndDoc(LONG handle) override { return m_record.endDoc(handle); }
    STDMETHODIMP splClose(LONG handle) override { return m_record.close(handle); }
    STDMETHODIMP splStartPage(LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP splEndPage(LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP splAbort(LONG handle) override { return m_record.abort(handle); }
    STDMETHODIMP enumPrinters(VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP splWritePrinter(LONG handle, LONG size, BSTR* toFile) override {
        *toFile = nullptr;
        std::wstring path;
        HRESULT hr = m_record.writePrinter(handle, size, path);
        if (SUCCEEDED(hr) && !path.empty()) *toFile = BStr(path).release();
        return hr;
    }

private:
    EngineRecord& m_record;
};

// An object that is not a working engine: OleRun fails on it, or it runs and lacks
// IDriverManager.
class BrokenEngine : public com::Object<BrokenEngine, IRunnableObject> {
public:
    explicit BrokenEngine(bool runs) : m_runs(runs) {}
    STDMETHODIMP GetRunningClass(CLSID* clsid) override {
        *clsid = CLSID_DriverManager;
        return S_OK;
    }
    STDMETHODIMP Run(IBindCtx*) override { return m_runs ? S_OK : E_FAIL; }
    BOOL STDMETHODCALLTYPE IsRunning() override { return m_runs; }
    STDMETHODIMP LockRunning(BOOL, BOOL) override { return S_OK; }
    STDMETHODIMP SetContainedObject(BOOL) override { return S_OK; }

private:
    bool m_runs;
};

class EngineFactory : public com::Object<EngineFactory, IClassFactory> {
public:
    EngineFactory(EngineRecord& record, EngineKind kind)
        : com::Object<EngineFactory, IClassFactory>(com::ModuleLock::None), m_record(record), m_kind(kind) {}

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        m_record.activated();
        if (m_kind == EngineKind::Working) return com::make<StandInDriverManager>(m_record)->QueryInterface(iid, out);
        return com::make<BrokenEngine>(m_kind == EngineKind::NoDriverManager)->QueryInterface(iid, out);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    EngineRecord& m_record;
    EngineKind m_kind;
};

}  // namespace

ScopedEngine::ScopedEngine(EngineRecord& record, EngineKind kind) {
    com::ComPtr<EngineFactory> factory = com::make<EngineFactory>(record, kind);
    HRESULT hr = CoRegisterClassObject(CLSID_DriverManager, factory->identity(),
                                       CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    if (FAILED(hr)) throw cERROR_MSG(BV_ERR_GENERAL, "the engine stand-in cannot be registered (0x%lx)", hr);
}

ScopedEngine::~ScopedEngine() { revoke(); }

ScopedEngineTypeLib::ScopedEngineTypeLib() {
    RegKey key;
    bool registered = RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"TypeLib\\" + com::guidText(LIBID_keloPrintEngine)).c_str(), 0,
                                    KEY_READ, key.out()) == ERROR_SUCCESS;
    if (registered) return;
    HRESULT hr = com::registerModuleTypeLib();
    if (FAILED(hr)) throw cERROR_MSG(BV_ERR_GENERAL, "the engine's type library cannot be registered (0x%lx)", hr);
    m_owned = true;
}

ScopedEngineTypeLib::~ScopedEngineTypeLib() {
    if (m_owned) com::unregisterModuleTypeLib();
}

void ScopedEngine::revoke() {
    if (m_cookie) CoRevokeClassObject(std::exchange(m_cookie, 0));
}

// ---------------------------------------------------------------- output

std::string outputOf(const std::function<void()>& action) {
    lab::TempFolder folder(L"stdout");
    fflush(stdout);
    int saved = _dup(1);
    int file = _wopen(folder.file(L"out.txt").c_str(), _O_CREAT | _O_RDWR | _O_TRUNC | _O_BINARY, 0600);
    if (saved < 0 || file < 0) throw cERROR_MSG(BV_ERR_GENERAL, "standard output cannot be captured");
    _dup2(file, 1);
    ::testing::TestPartResultArray failures;
    {
        // Failures are held back while the output goes to the file, and reported after.
        ::testing::ScopedFakeTestPartResultReporter holdBack(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        action();
    }
    fflush(stdout);
    _dup2(saved, 1);
    _close(saved);
    std::string text;
    long end = _lseek(file, 0, SEEK_END);
    text.resize(end > 0 ? (size_t)end : 0);
    _lseek(file, 0, SEEK_SET);
    int read = text.empty() ? 0 : _read(file, &text[0], (unsigned)text.size());
    text.resize(read > 0 ? (size_t)read : 0);
    _close(file);
    for (int i = 0; i < failures.size(); i++) {
        const ::testing::TestPartResult& failure = failures.GetTestPartResult(i);
        ADD_FAILURE_AT(failure.file_name() ? failure.file_name() : "?", failure.line_number()) << failure.message();
    }
    return text;
}

}  // namespace monitortest
