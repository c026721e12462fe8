#include "driver_manager.h"

#include <vector>

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "driver_creation.h"
#include "engine_ids.h"
#include "safearray.h"
#include "system_printers.h"

using engine::kDriverManagerSource;

namespace {

// The log lines of a spl* method for the three kinds of failure; each is followed by
// the calling thread's id and "] ".
struct CatchLines {
    const char* library;
    const char* com;
    const char* other;
};

auto logWithThread(const CatchLines& lines) {
    return [lines](const com::Failure& failure) {
        const char* line = failure.kind == com::Failure::LibraryError ? lines.library
                           : failure.kind == com::Failure::ComError   ? lines.com
                                                                      : lines.other;
        DebugLine() << line << GetCurrentThreadId() << "] ";
    };
}

void logStartDocFailure(const com::Failure& failure) {
    switch (failure.kind) {
    case com::Failure::LibraryError:
        DebugLine() << "CDriverManager::splStartDoc - BV err " << failure.message;
        break;
    case com::Failure::ComError:
        DebugLine() << "CDriverManager::splStartDoc - COM err";
        break;
    default:
        DebugLine() << "CDriverManager::splStartDoc - UNK err";
    }
}

const CatchLines kEndDocLines{"CDriverManager::splEndDoc CATCH[", "CDriverManager::splEndDoc CATCH COM[",
                              "CDriverManager::splEndDoc CATCH...["};
const CatchLines kCloseLines{"CDriverManager::splClose CATCH[", "CDriverManager::splClose CATCH COM[",
                             "CDriverManager::splClose CATCH...["};
const CatchLines kStartPageLines{"CDriverManager::splStartPage CATCH[", "CDriverManager::splStartPage CATCH[",
                                 "CDriverManager::splStartPage ...["};
const CatchLines kEndPageLines{"CDriverManager::splEndPage CATCH[", "CDriverManager::splEndPage CATCH COM[",
                               "CDriverManager::splEndPage CATCH...["};
const CatchLines kWritePrinterLines{"CDriverManager::splWritePrinter CATCH [",
                                    "CDriverManager::splWritePrinter CATCH COM[",
                                    "CDriverManager::splWritePrinter CATCH ...["};

void noLog(const com::Failure&) {}

}  // namespace

com::ComPtr<CPrintDriver> CDriverManager::driverFor(const std::wstring& printer) {
    {
        std::lock_guard<std::mutex> guard(driversLock_);
        int index = drivers_.find(printer);
        if (index >= 0) return drivers_.valueAt(index);
    }
    com::ComPtr<CPrintDriver> created = engine::createPrintDriver(printer);
    std::lock_guard<std::mutex> guard(driversLock_);
    int index = drivers_.find(printer);
    if (index >= 0) return drivers_.valueAt(index);  // another thread was quicker
    drivers_.add(printer, created);
    return created;
}

std::shared_ptr<CJobHandle> CDriverManager::findHandle(long handle) {
    std::lock_guard<std::mutex> guard(handlesLock_);
    int index = handles_.find(handle);
    return index < 0 ? nullptr : handles_.valueAt(index);
}

// Handles are a counter, not addresses: unique among the open handles and never 0. The
// counter starts where another engine process's would not: a handle that a monitor kept
// from an engine that has ended names no job in its successor.
long CDriverManager::firstHandleBase() {
    ULONGLONG mixed = ((ULONGLONG)GetTickCount() << 32 | GetCurrentProcessId()) * 0x9E3779B97F4A7C15ull;
    return (long)((mixed >> 33) & 0x7fff0000);
}

long CDriverManager::addHandle(std::shared_ptr<CJobHandle> jobHandle) {
    std::lock_guard<std::mutex> guard(handlesLock_);
    do {
        lastHandle_ = lastHandle_ >= 0x7fffffff ? 1 : lastHandle_ + 1;
    } while (handles_.find(lastHandle_) >= 0);
    handles_.add(lastHandle_, std::move(jobHandle));
    return lastHandle_;
}

template <class Body>
HRESULT CDriverManager::withHandle(long handle, Body&& body) {
    std::shared_ptr<CJobHandle> jobHandle = findHandle(handle);
    if (!jobHandle) return com::setRichError(E_FAIL, L"Invalid handle", kDriverManagerSource);
    body(*jobHandle);
    return S_OK;
}

STDMETHODIMP CDriverManager::getDriver(BSTR printerName, IPrintDriver** driver) {
    if (!driver) return E_POINTER;
    *driver = nullptr;
    return com::guard(kDriverManagerSource, [&] {
        *driver = driverFor(BStr::copyOf(printerName).str()).Detach();
    }, noLog);
}

STDMETHODIMP CDriverManager::splStartDoc(BSTR printer, long jobId, long* handle) {
    if (!handle) return E_POINTER;
    *handle = 0;
    return com::guard(kDriverManagerSource, [&] {
        com::ComPtr<CPrintDriver> driver = driverFor(BStr::copyOf(printer).str());
        long started = driver->startDoc(jobId);
        *handle = addHandle(std::make_shared<CJobHandle>(driver, started));
    }, logStartDocFailure);
}

STDMETHODIMP CDriverManager::splEndDoc(long handle) {
    return com::guard(kDriverManagerSource, [&] {
        return withHandle(handle, [](CJobHandle& job) { job.driver->endDoc(job.jobId); });
    }, logWithThread(kEndDocLines));
}

STDMETHODIMP CDriverManager::splClose(long handle) {
    return com::guard(kDriverManagerSource, [&]() -> HRESULT {
        HRESULT hr = withHandle(handle, [](CJobHandle& job) { job.driver->close(job.jobId); });
        if (FAILED(hr)) return hr;
        std::lock_guard<std::mutex> guard(handlesLock_);
        handles_.remove(handle);
        return S_OK;
    }, logWithThread(kCloseLines));
}

STDMETHODIMP CDriverManager::splStartPage(long handle, long* result) {
    if (!result) return E_POINTER;
    *result = 0;
    return com::guard(kDriverManagerSource, [&] {
        return withHandle(handle, [&](CJobHandle& job) { *result = job.driver->startPage(job.jobId); });
    }, logWithThread(kStartPageLines));
}

STDMETHODIMP CDriverManager::splEndPage(long handle, long* result) {
    if (!result) return E_POINTER;
    *result = 0;
    return com::guard(kDriverManagerSource, [&] {
        return withHandle(handle, [&](CJobHandle& job) { *result = job.driver->endPage(job.jobId); });
    }, logWithThread(kEndPageLines));
}

STDMETHODIMP CDriverManager::splAbort(long handle) {
    return com::guard(kDriverManagerSource, [&] {
        return withHandle(handle, [](CJobHandle& job) { job.driver->abort(job.jobId); });
    }, noLog);
}

STDMETHODIMP CDriverManager::splWritePrinter(long handle, long bufSize, BSTR* toFile) {
    if (!toFile) return E_POINTER;
    *toFile = nullptr;
    return com::guard(kDriverManagerSource, [&] {
        return withHandle(handle, [&](CJobHandle& job) {
            job.driver->writePrinter(job.jobId, bufSize);
            if (!job.outputFile().empty()) return;
            std::wstring path = job.driver->outputFile(job.jobId);
            job.setOutputFile(path);
            *toFile = BStr(path).release();
        });
    }, logWithThread(kWritePrinterLines));
}

STDMETHODIMP CDriverManager::enumPrinters(VARIANT* printersArray) {
    if (!printersArray) return E_POINTER;
    VariantInit(printersArray);
    return com::guard(kDriverManagerSource, [&] {
        std::vector<std::wstring> printers = engine::listSystemPrinters();
        SafeArray array = SafeArray::vector(VT_VARIANT, (ULONG)printers.size());
        for (LONG i = 0; i < (LONG)printers.size(); ++i) {
            Variant name(printers[i]);
            com::check(SafeArrayPutElement(array.get(), &i, &name));
        }
        printersArray->vt = VT_ARRAY | VT_VARIANT;
        printersArray->parray = array.release();
    }, noLog);
}
