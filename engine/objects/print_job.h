#pragma once
// CPrintJob: the engine's record of one spooler job on one printer of this system. Its
// driver drives it through the steps of the job; the tray client reads its properties
// and listens to its events.
#include <windows.h>

#include <mutex>
#include <optional>
#include <string>

#include "com/connection_point.h"
#include "com/error_info.h"
#include "com/object.h"
#include "com/typelib_dispatch.h"
#include "engine_events.h"
#include "engine_h.h"
#include "mta2sta.h"

class CPrintJob : public com::Object<CPrintJob, com::TypeLibDispatch<IPrintJob>, com::EventSource<_IPrintJobEvents>,
                                     com::SupportErrorInfo<IPrintJob>> {
public:
    static constexpr bool kFreeThreaded = true;

    CPrintJob() = default;
    ~CPrintJob() override;

    // Takes name, pages, copies and paper from the spooler's record of the job (defaults
    // when it cannot be read). Throws "Unsupported Operating System" on other platforms.
    void initialize(IPrintDriver* driver, long jobId);
    long startPage();
    long endPage();
    long writePrinter(long bytes);
    // Tells the spooler that the job went to the printer (NT 4 and later) or cancels it.
    void endDoc();
    void abort();
    // Writes job.xml beside layout.ps, or removes the folder of an aborted job, then
    // reports the folder with onCloseDoc.
    void close();
    void setJobFolder(const std::wstring& folder);

    std::wstring jobName() const;
    std::wstring jobFolder() const;
    bool aborted() const { return m_aborted; }

    // IPrintJob
    STDMETHODIMP get_Name(BSTR* pVal) override;
    STDMETHODIMP get_jobId(long* pVal) override;
    STDMETHODIMP get_State(jobStates* pVal) override;
    STDMETHODIMP get_Driver(IPrintDriver** pVal) override;
    STDMETHODIMP get_Copies(long* pVal) override;
    STDMETHODIMP put_Copies(long value) override;
    STDMETHODIMP get_Pages(long* pVal) override;
    STDMETHODIMP put_Pages(long value) override;
    STDMETHODIMP get_pageWidth(double* pVal) override;
    STDMETHODIMP put_pageWidth(double value) override;
    STDMETHODIMP get_pageHeight(double* pVal) override;
    STDMETHODIMP put_pageHeight(double value) override;
    STDMETHODIMP get_pageName(long* pVal) override;
    STDMETHODIMP put_pageName(long value) override;
    STDMETHODIMP get_paramsOK(VARIANT_BOOL* pVal) override;

private:
    void writeDescription(const std::wstring& folder);

    mutable std::mutex m_textLock;  // guards the two strings against readers on other threads
    std::optional<std::wstring> m_name;
    std::wstring m_jobFolder;
    std::wstring m_printerName;

    tMTA2STA<IPrintDriver> m_driver;
    long m_jobId = 0;
    volatile jobStates m_state = jobStartDoc;
    long m_copies = 1;
    long m_pages = 1;
    double m_pageWidth = 0.0;
    double m_pageHeight = 0.0;
    long m_pageName = 0;
    bool m_paramsOK = false;
    bool m_aborted = false;
};
