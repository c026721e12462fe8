#include "print_driver.h"

#include <vector>

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "engine_ids.h"
#include "error_msg.h"
#include "job_folder.h"
#include "paths.h"
#include "printer_registry.h"
#include "read_only_collection.h"

namespace {
const wchar_t kDriverDataRoot[] = L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
}  // namespace

CPrintDriver::CPrintDriver() : m_jobs(true, 5) {}

void CPrintDriver::initializeDriverInformation(const std::wstring& name, const std::wstring& description,
                                               const std::wstring& comment, const std::wstring& jobsPath) {
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CPrintDriver::initializeDriverInformation");
    m_printerName = name;
    m_printerDescription = description;
    m_printerComment = comment;
    // The server address and the printer folder are independent: a printer without a
    // readable address still gets its folder, so that its jobs never land relative to
    // the current folder of whoever writes them.
    com::runCaught(
        [&] { m_serverAddress = engine::readPrinterRegistryValue(name, engine::kServerIpValue).toString(); });
    com::runCaught([&] {
        m_jobsPath = jobsPath + name + L"\\";
        bvfsCreateFolderTree(m_jobsPath.c_str());
    });
}

com::ComPtr<CPrintJob> CPrintDriver::findJob(long jobId) {
    std::lock_guard<std::mutex> guard(m_jobsLock);
    int index = m_jobs.find(jobId);
    return index < 0 ? nullptr : m_jobs.valueAt(index);
}

long CPrintDriver::startDoc(long jobId) {
    if (findJob(jobId)) return 0;
    com::ComPtr<CPrintJob> job;
    try {
        job = com::make<CPrintJob>();
    } catch (...) {
        return 0;
    }
    job->initialize(this, jobId);
    {
        std::lock_guard<std::mutex> guard(m_jobsLock);
        if (m_jobs.find(jobId) >= 0) return 0;  // the same id started on another thread meanwhile
        m_jobs.add(jobId, job);
    }

    // Synchronous: every sink has seen the job before the spooler's call returns, so a
    // client that subscribes to the job inside its handler sees all of its later events.
    auto failure = com::runCaught(
        [&] { events().fire(kOnNewPrintJob, {Variant(static_cast<IDispatch*>(static_cast<IPrintJob*>(job.Get())))}); });
    if (failure) {
        switch (failure->kind) {
        case com::Failure::LibraryError: DebugLine() << "CPrintDriver::splStartDoc BV catch" << failure->message; break;
        case com::Failure::ComError: {
            char hr[16];
            snprintf(hr, sizeof hr, "0x%lx", (unsigned long)failure->hr);
            DebugLine() << "CPrintDriver::splStartDoc COM catch" << hr;
            break;
        }
        default: DebugLine() << "CPrintDriver::splStartDoc catch";
        }
    }
    return jobId;
}

long CPrintDriver::writePrinter(long jobId, long bytes) {
    com::ComPtr<CPrintJob> job = findJob(jobId);
    return job ? job->writePrinter(bytes) : 0;
}

void CPrintDriver::endDoc(long jobId) {
    if (com::ComPtr<CPrintJob> job = findJob(jobId)) job->endDoc();
}

void CPrintDriver::close(long jobId) {
    com::ComPtr<CPrintJob> job = findJob(jobId);
    if (!job) return;
    job->close();  // a failure leaves the job in the table
    std::lock_guard<std::mutex> guard(m_jobsLock);
    int index = m_jobs.find(jobId);
    if (index >= 0 && m_jobs.valueAt(index) == job) m_jobs.removeAt(index);
}

long CPrintDriver::startPage(long jobId) {
    com::ComPtr<CPrintJob> job = findJob(jobId);
    return job ? job->startPage() : 0;
}

long CPrintDriver::endPage(long jobId) {
    com::ComPtr<CPrintJob> job = findJob(jobId);
    return job ? job->endPage() : 0;
}

void CPrintDriver::abort(long jobId) {
    if (com::ComPtr<CPrintJob> job = findJob(jobId)) job->abort();
}

std::wstring CPrintDriver::outputFile(long jobId) {
    com::ComPtr<CPrintJob> job = findJob(jobId);
    if (!job) throw cERROR_MSG(BV_ERR_GENERAL, "Invalid job handle");
    std::wstring printerFolder;
    {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CPrintDriver::outputFile");
        printerFolder = m_jobsPath;
    }
    std::wstring folder =
        engine::chooseJobFolder(printerFolder, job->jobName(), reinterpret_cast<uintptr_t>(job.Get()));
    job->setJobFolder(folder);
    return folder + L"\\layout.ps";
}

std::wstring CPrintDriver::serverAddress() {
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CPrintDriver::serverAddress");
    return m_serverAddress;
}

HRESULT CPrintDriver::copyText(const std::optional<std::wstring>& text, const char* label, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return com::guard(engine::kPrintDriverSource, [&] {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, label);
        if (text) *out = BStr(*text).release();
    });
}

STDMETHODIMP CPrintDriver::get_printerName(BSTR* pVal) {
    return copyText(m_printerName, "CPrintDriver::get_printerName", pVal);
}

STDMETHODIMP CPrintDriver::get_printerDescription(BSTR* pVal) {
    return copyText(m_printerDescription, "CPrintDriver::get_printerDescription", pVal);
}

STDMETHODIMP CPrintDriver::get_printerComment(BSTR* pVal) {
    return copyText(m_printerComment, "CPrintDriver::get_printerComment", pVal);
}

STDMETHODIMP CPrintDriver::get_jobsPath(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return com::guard(engine::kPrintDriverSource, [&] {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CPrintDriver::get_jobsPath");
        *pVal = BStr(m_jobsPath).release();
    });
}

STDMETHODIMP CPrintDriver::get_driverDataPath(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return com::guard(engine::kPrintDriverSource, [&]() -> HRESULT {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CPrintDriver::get_driverDataPath");
        if (!m_printerName || m_printerName->empty())
            return com::setRichError(E_UNEXPECTED, L"PrintDriver: Driver isn't attached to printer!",
                                     engine::kPrintDriverSource);
        *pVal = BStr(std::wstring(kDriverDataRoot) + L"\\" + *m_printerName + L"\\PrinterDriverData").release();
        return S_OK;
    });
}

STDMETHODIMP CPrintDriver::getDriverData(BSTR keyName, VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    return com::guard(engine::kPrintDriverSource, [&] {
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CPrintDriver::getDriverData");
        engine::readPrinterRegistryValue(m_printerName.value_or(L""), BStr::copyOf(keyName).str()).detachTo(value);
    });
}

STDMETHODIMP CPrintDriver::get_printJobs(IReadOnlyCollection** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    try {
        std::vector<com::ComPtr<IDispatch>> jobs;
        {
            std::lock_guard<std::mutex> guard(m_jobsLock);
            for (int i = 0; i < m_jobs.count(); ++i)
                jobs.push_back(static_cast<IDispatch*>(static_cast<IPrintJob*>(m_jobs.valueAt(i).Get())));
        }
        com::ComPtr<CkeloReadOnlyCollection> collection = com::make<CkeloReadOnlyCollection>();
        collection->setData(jobs);
        *pVal = collection.Detach();
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

STDMETHODIMP CPrintDriver::get_Id(VARIANT* pVal) {
    if (!pVal) return E_POINTER;
    VariantInit(pVal);
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CPrintDriver::get_Id");
    return VariantCopy(pVal, &m_id);
}
