#pragma once
// CDriverManager: the engine's front door. The port monitor drives each spooler job
// through the spl* methods; the tray client asks for its printer's driver object and
// for the list of this system's printers. One object serves every client process.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "com/error_info.h"
#include "com/object.h"
#include "com/typelib_dispatch.h"
#include "dictionary.h"
#include "engine_h.h"
#include "job_handle.h"
#include "print_driver.h"

class CDriverManager
    : public com::Object<CDriverManager, com::TypeLibDispatch<IDriverManager>, com::SupportErrorInfo<IDriverManager>> {
public:
    // Its class object keeps the first reference; every further one locks the module.
    CDriverManager() : Object(com::ModuleLock::PerReference) {}

    STDMETHODIMP getDriver(BSTR printerName, IPrintDriver** driver) override;
    STDMETHODIMP splStartDoc(BSTR printer, long jobId, long* handle) override;
    STDMETHODIMP splEndDoc(long handle) override;
    STDMETHODIMP splClose(long handle) override;
    STDMETHODIMP splStartPage(long handle, long* result) override;
    STDMETHODIMP splEndPage(long handle, long* result) override;
    STDMETHODIMP splAbort(long handle) override;
    STDMETHODIMP enumPrinters(VARIANT* printersArray) override;
    STDMETHODIMP splWritePrinter(long handle, long bufSize, BSTR* toFile) override;

private:
    // The printer's driver, created and stored on first use. A failed creation stores
    // nothing, so the next call tries again.
    com::ComPtr<CPrintDriver> driverFor(const std::wstring& printer);
    std::shared_ptr<CJobHandle> findHandle(long handle);
    long addHandle(std::shared_ptr<CJobHandle> jobHandle);
    // Runs body with the handle's record, or answers "Invalid handle" (E_FAIL).
    template <class Body>
    HRESULT withHandle(const char* method, long handle, Body&& body);

    std::mutex m_driversLock;
    T_Dictionary<std::wstring, com::ComPtr<CPrintDriver>> m_drivers;

    std::mutex m_handlesLock;
    T_Dictionary<long, std::shared_ptr<CJobHandle>> m_handles;
    static long firstHandleBase();
    long m_lastHandle = firstHandleBase();
};
