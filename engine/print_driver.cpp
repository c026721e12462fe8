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

CPrintDriver::CPrintDriver() : jobs_(true, 5) {}

void CPrintDriver::initializeDriverInformation(const std::wstring& name, const std::wstring& description,
                                               const std::wstring& comment, const std::wstring& jobsPath) {
    C_BVMutexLock lock(lock_, kLockTimeoutMs, "CPrintDriver::initializeDriverInformation");
    printerName_ = name;
    printerDescription_ = description;
    printerComment_ = comment;
    // The server address and the printer folder are independent: a printer without a
    // readable address still gets its folder, so that its jobs never land relative to
    // the current folder of whoever writes them.
    com::runCaught([&] { serverAddress_ = engine::readPrinterRegistryValue(name, engine::kServerIpValue).toString(); });
    com::runCaught([&] {
        jobsPath_ = jobsPath + name + L"\\";
        bvfsCreateFolderTree(jobsPath_.c_str());
    });
}

com::ComPtr<CPrintJob> CPrintDriver::findJob(long jobId) {
    std::lock_guard<std::mutex> guard(jobsLock_);
    int index = jobs_.find(jobId);
    return index < 0 ? nullptr : jobs_.valueAt(index);
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
        std::lock_guard<std::mutex> guard(jobsLock_);
        if (jobs_.find(jobId) >= 0) return 0;  // the same id started on another thread meanwhile
        jobs_.add(jobId, job);
    }

    // Synchronous: every sink has seen the job before the spooler's call returns, so a
    // client that subscribes to the job inside its handler sees all of its later events.
    auto failure = com::runCaught([&] {
        events().fire(kOnNewPrintJob, {Variant(static_cast<IDispatch*>(static_cast<IPrintJob*>(job.Get())))});
    });
    if (failure) {
        switch (failure->kind) {
        case com::Failure::LibraryError:
            DebugLine() << "CPrintDriver::splStartDoc BV catch" << failure->message;
            break;
        case com::Failure::ComError: {
            char hr[16];
            snprintf(hr, sizeof hr, "0x%lx", (unsigned long)failure->hr);
            DebugLine() << "CPrintDriver::splStartDoc COM catch" << hr;
            break;
        }
        default:
            DebugLine() << "CPrintDriver::splStartDoc catch";
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
    std::lock_guard<std::mutex> guard(jobsLock_);
    int index = jobs_.find(jobId);
    if (index >= 0 && jobs_.valueAt(index) == job) jobs_.removeAt(index);
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
        C_BVMutexLock lock(lock_, kLockTimeoutMs, "CPrintDriver::outputFile");
        printerFolder = jobsPath_;
    }
    std::wstring folder = engine::chooseJobFolder(printerFolder, job->jobName(), reinterpret_cast<uintptr_t>(job.Get()));
    job->setJobFolder(folder);
    return folder + L"\\layout.ps";
}

std::wstring CPrintDriver::serverAddress() {
    C_BVMutexLock lock(lock_, kLockTimeoutMs, "CPrintDriver::serverAddress");
    return serverAddress_;
}

HRESULT CPrintDriver::copyText(const std::optional<std::wstring>& text, const char* label, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return com::guard(engine::kPrintDriverSource, [&] {
        C_BVMutexLock lock(lock_, kLockTimeoutMs, label);
        if (text) *out = BStr(*text).release();
    });
}

STDMETHODIMP CPrintDriver::get_printerName(BSTR* pVal) {
    return copyText(printerName_, "CPrintDriver::get_printerName", pVal);
}

STDMETHODIMP CPrintDriver::get_printerDescription(BSTR* pVal) {
    return copyText(printerDescription_, "CPrintDriver::get_printerDescription", pVal);
}

STDMETHODIMP CPrintDriver::get_printerComment(BSTR* pVal) {
    return copyText(printerComment_, "CPrintDriver::get_printerComment", pVal);
}

STDMETHODIMP CPrintDriver::get_jobsPath(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return com::guard(engine::kPrintDriverSource, [&] {
        C_BVMutexLock lock(lock_, kLockTimeoutMs, "CPrintDriver::get_jobsPath");
        *pVal = BStr(jobsPath_).release();
    });
}

STDMETHODIMP CPrintDriver::get_driverDataPath(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return com::guard(engine::kPrintDriverSource, [&]() -> HRESULT {
        C_BVMutexLock lock(lock_, kLockTimeoutMs, "CPrintDriver::get_driverDataPath");
        if (!printerName_ || printerName_->empty())
            return com::setRichError(E_UNEXPECTED, L"PrintDriver: Driver isn't attached to printer!",
                                     engine::kPrintDriverSource);
        *pVal = BStr(std::wstring(kDriverDataRoot) + L"\\" + *printerName_ + L"\\PrinterDriverData").release();
        return S_OK;
    });
}

STDMETHODIMP CPrintDriver::getDriverData(BSTR keyName, VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    return com::guard(engine::kPrintDriverSource, [&] {
        C_BVMutexLock lock(lock_, kLockTimeoutMs, "CPrintDriver::getDriverData");
        engine::readPrinterRegistryValue(printerName_.value_or(L""), BStr::copyOf(keyName).str()).detachTo(value);
    });
}

STDMETHODIMP CPrintDriver::get_printJobs(IReadOnlyCollection** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    try {
        std::vector<com::ComPtr<IDispatch>> jobs;
        {
            std::lock_guard<std::mutex> guard(jobsLock_);
            for (int i = 0; i < jobs_.count(); ++i)
                jobs.push_back(static_cast<IDispatch*>(static_cast<IPrintJob*>(jobs_.valueAt(i).Get())));
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
    C_BVMutexLock lock(lock_, kLockTimeoutMs, "CPrintDriver::get_Id");
    return VariantCopy(pVal, &id_);
}
