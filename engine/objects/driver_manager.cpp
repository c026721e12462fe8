#include "driver_manager.h"

#include <vector>

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "driver_creation.h"
#include "engine_ids.h"
#include "refusal.h"
#include "safearray.h"
#include "system_printers.h"

using engine::kDriverManagerSource;

namespace {

const com::CatchTexts kStartDocTexts{" - BV err {message}", " - COM err", " - UNK err"};
// The spl* methods' lines end with the calling thread's id.
const com::CatchTexts kThreadTexts{" CATCH[{thread}] ", " CATCH COM[{thread}] ", " CATCH...[{thread}] "};
const com::CatchTexts kStartPageTexts{" CATCH[{thread}] ", " CATCH[{thread}] ", " ...[{thread}] "};
const com::CatchTexts kWritePrinterTexts{" CATCH [{thread}] ", " CATCH COM[{thread}] ", " CATCH ...[{thread}] "};

}  // namespace

com::ComPtr<CPrintDriver> CDriverManager::driverFor(const std::wstring& printer) {
    {
        std::lock_guard<std::mutex> guard(m_driversLock);
        int index = m_drivers.find(printer);
        if (index >= 0) return m_drivers.valueAt(index);
    }
    com::ComPtr<CPrintDriver> created = engine::createPrintDriver(printer);
    std::lock_guard<std::mutex> guard(m_driversLock);
    int index = m_drivers.find(printer);
    if (index >= 0) return m_drivers.valueAt(index);  // another thread was quicker
    m_drivers.add(printer, created);
    return created;
}

std::shared_ptr<CJobHandle> CDriverManager::findHandle(long handle) {
    std::lock_guard<std::mutex> guard(m_handlesLock);
    int index = m_handles.find(handle);
    return index < 0 ? nullptr : m_handles.valueAt(index);
}

// Handles are a counter, not addresses: unique among the open handles and never 0. The
// counter starts where another engine process's would not: a handle that a monitor kept
// from an engine that has ended names no job in its successor.
long CDriverManager::firstHandleBase() {
    ULONGLONG mixed = ((ULONGLONG)GetTickCount() << 32 | GetCurrentProcessId()) * 0x9E3779B97F4A7C15ull;
    return (long)((mixed >> 33) & 0x7fff0000);
}

long CDriverManager::addHandle(std::shared_ptr<CJobHandle> jobHandle) {
    std::lock_guard<std::mutex> guard(m_handlesLock);
    do {
        m_lastHandle = m_lastHandle >= 0x7fffffff ? 1 : m_lastHandle + 1;
    } while (m_handles.find(m_lastHandle) >= 0);
    m_handles.add(m_lastHandle, std::move(jobHandle));
    return m_lastHandle;
}

template <class Body>
HRESULT CDriverManager::withHandle(const char* method, long handle, Body&& body) {
    std::shared_ptr<CJobHandle> jobHandle = findHandle(handle);
    if (!jobHandle) {
        logRefusal(method, "Invalid handle " + std::to_string(handle));
        return com::setRichError(E_FAIL, L"Invalid handle", kDriverManagerSource);
    }
    body(*jobHandle);
    return S_OK;
}

STDMETHODIMP CDriverManager::getDriver(BSTR printerName, IPrintDriver** driver) {
    if (!driver) return E_POINTER;
    *driver = nullptr;
    return com::guard(kDriverManagerSource, [&] { *driver = driverFor(BStr::copyOf(printerName).str()).Detach(); });
}

STDMETHODIMP CDriverManager::splStartDoc(BSTR printer, long jobId, long* handle) {
    if (!handle) return E_POINTER;
    *handle = 0;
    return com::guard(
        kDriverManagerSource,
        [&] {
            com::ComPtr<CPrintDriver> driver = driverFor(BStr::copyOf(printer).str());
            long started = driver->startDoc(jobId);
            *handle = addHandle(std::make_shared<CJobHandle>(driver, started));
        },
        "CDriverManager::splStartDoc", kStartDocTexts);
}

STDMETHODIMP CDriverManager::splEndDoc(long handle) {
    return com::guard(
        kDriverManagerSource,
        [&] {
            return withHandle("CDriverManager::splEndDoc", handle,
                              [](CJobHandle& job) { job.driver->endDoc(job.jobId); });
        },
        "CDriverManager::splEndDoc", kThreadTexts);
}

STDMETHODIMP CDriverManager::splClose(long handle) {
    return com::guard(
        kDriverManagerSource,
        [&]() -> HRESULT {
            HRESULT hr =
                withHandle("CDriverManager::splClose", handle, [](CJobHandle& job) { job.driver->close(job.jobId); });
            if (FAILED(hr)) return hr;
            std::lock_guard<std::mutex> guard(m_handlesLock);
            m_handles.remove(handle);
            return S_OK;
        },
        "CDriverManager::splClose", kThreadTexts);
}

STDMETHODIMP CDriverManager::splStartPage(long handle, long* result) {
    if (!result) return E_POINTER;
    *result = 0;
    return com::guard(
        kDriverManagerSource,
        [&] {
            return withHandle("CDriverManager::splStartPage", handle,
                              [&](CJobHandle& job) { *result = job.driver->startPage(job.jobId); });
        },
        "CDriverManager::splStartPage", kStartPageTexts);
}

STDMETHODIMP CDriverManager::splEndPage(long handle, long* result) {
    if (!result) return E_POINTER;
    *result = 0;
    return com::guard(
        kDriverManagerSource,
        [&] {
            return withHandle("CDriverManager::splEndPage", handle,
                              [&](CJobHandle& job) { *result = job.driver->endPage(job.jobId); });
        },
        "CDriverManager::splEndPage", kThreadTexts);
}

STDMETHODIMP CDriverManager::splAbort(long handle) {
    return com::guard(kDriverManagerSource, [&] {
        return withHandle("CDriverManager::splAbort", handle, [](CJobHandle& job) { job.driver->abort(job.jobId); });
    });
}

STDMETHODIMP CDriverManager::splWritePrinter(long handle, long bufSize, BSTR* toFile) {
    if (!toFile) return E_POINTER;
    *toFile = nullptr;
    return com::guard(
        kDriverManagerSource,
        [&] {
            return withHandle("CDriverManager::splWritePrinter", handle, [&](CJobHandle& job) {
                job.driver->writePrinter(job.jobId, bufSize);
                if (!job.outputFile().empty()) return;
                std::wstring path = job.driver->outputFile(job.jobId);
                job.setOutputFile(path);
                *toFile = BStr(path).release();
            });
        },
        "CDriverManager::splWritePrinter", kWritePrinterTexts);
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
    });
}
