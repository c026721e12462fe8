#include "print_job.h"

#include <winspool.h>

#include <vector>

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "delete_tree.h"
#include "engine_ids.h"
#include "handles.h"
#include "job_description.h"
#include "paths.h"
#include "platform.h"
#include "postscript_scan.h"
#include "printing_api.h"
#include "spooler_job_record.h"
#include "text_convert.h"
#include "variant.h"

namespace {

const wchar_t kOutputFileName[] = L"\\layout.ps";
const wchar_t kDescriptionFileName[] = L"\\job.xml";

void controlSpoolerJob(const std::wstring& printerName, long jobId) {
    engine::SpoolerJobControl control = engine::endOfDocumentControl(windowsVersionClass());
    PrinterHandle printer;
    if (control.api == engine::PrintingApi::Wide) {
        if (OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), printer.out(), nullptr))
            SetJobW(printer.get(), (DWORD)jobId, 0, nullptr, control.command);
    } else {
        std::string name = toAnsi(printerName);
        if (OpenPrinterA(const_cast<char*>(name.c_str()), printer.out(), nullptr))
            SetJobA(printer.get(), (DWORD)jobId, 0, nullptr, control.command);
    }
}

}  // namespace

CPrintJob::~CPrintJob() {
    m_driver.revoke();
    DebugLine() << "CPrintJob - DTOR2";
}

void CPrintJob::initialize(IPrintDriver* driver, long jobId) {
    if (driver) driver->AddRef();
    m_driver.set(driver);  // takes over the reference just added
    m_jobId = jobId;
    BStr printerName;
    if (driver) com::check(driver->get_printerName(printerName.out()));

    bool wide = engine::printingApi() == engine::PrintingApi::Wide;
    engine::JobStartInfo info = engine::readJobStartInfo(printerName.str(), jobId, wide);
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_printerName = printerName.str();
        m_name = info.name;
    }
    m_pages = info.pages;
    m_copies = info.paper.copies;
    m_pageName = info.paper.pageName;
    m_pageHeight = info.paper.height;
    m_pageWidth = info.paper.width;
    m_paramsOK = info.paper.paramsOK;
    m_state = jobStartDoc;
    m_aborted = false;
}

long CPrintJob::startPage() {
    m_state = jobStartPage;
    events().fire(kOnStartPage, {Variant(m_pages)});
    return 1;
}

long CPrintJob::endPage() {
    m_state = jobEndPage;
    events().fire(kOnEndPage);
    return 1;
}

long CPrintJob::writePrinter(long bytes) {
    events().fire(kOnWritePrinter, {Variant(bytes)});
    return 1;
}

void CPrintJob::endDoc() {
    std::wstring printerName;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        printerName = m_printerName;
    }
    controlSpoolerJob(printerName, m_jobId);
    m_state = jobEndDoc;
    events().fire(kOnEndDoc);
}

void CPrintJob::abort() {
    m_state = jobAbort;
    m_aborted = true;
    events().fire(kOnAbort);
}

void CPrintJob::close() {
    m_state = jobCloseDoc;
    std::wstring folder = jobFolder();
    if (!folder.empty()) {
        if (m_aborted)
            DeleteTreeU(folder);
        else
            writeDescription(folder);
    }
    // Built in place: a copied VARIANT would turn Wine's null BSTR into an empty one.
    std::vector<Variant> arguments;
    arguments.reserve(2);
    arguments.emplace_back((short)(m_aborted ? 1 : 0));
    arguments.emplace_back(folder.empty() ? nullptr : folder.c_str());
    events().fire(kOnCloseDoc, arguments);
}

void CPrintJob::writeDescription(const std::wstring& folder) {
    if (!bvfsFileExists(folder.c_str())) bvfsCreateFolderTree(folder.c_str());
    engine::PageLayout layout =
        engine::scanPostScriptFile(folder + kOutputFileName, {m_pageWidth, m_pageHeight, m_pages});
    m_pageWidth = layout.width;
    m_pageHeight = layout.height;
    m_pages = layout.pages;

    engine::JobDescription description;
    description.name = jobName();
    description.copies = m_copies;
    description.paperHeight = m_pageHeight;
    description.paperWidth = m_pageWidth;
    description.paperName = m_pageName;
    description.paperCount = m_pages;
    description.paramsOK = m_paramsOK;
    engine::writeJobDescription(folder + kDescriptionFileName, description);
}

void CPrintJob::setJobFolder(const std::wstring& folder) {
    std::lock_guard<std::mutex> guard(m_textLock);
    m_jobFolder = folder;
}

std::wstring CPrintJob::jobName() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_name.value_or(L"");
}

std::wstring CPrintJob::jobFolder() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_jobFolder;
}

STDMETHODIMP CPrintJob::get_Name(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return com::guard(engine::kPrintJobSource, [&] {
        std::lock_guard<std::mutex> guard(m_textLock);
        if (m_name) *pVal = BStr(*m_name).release();
    });
}

STDMETHODIMP CPrintJob::get_jobId(long* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = m_jobId;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_State(jobStates* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = m_state;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_Driver(IPrintDriver** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return com::guard(engine::kPrintJobSource, [&] { *pVal = m_driver.get().Detach(); });
}

STDMETHODIMP CPrintJob::get_Copies(long* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = m_copies;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_Copies(long value) {
    m_copies = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_Pages(long* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = m_pages;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_Pages(long value) {
    m_pages = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_pageWidth(double* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = m_pageWidth;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_pageWidth(double value) {
    m_pageWidth = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_pageHeight(double* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = m_pageHeight;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_pageHeight(double value) {
    m_pageHeight = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_pageName(long* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = m_pageName;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_pageName(long value) {
    m_pageName = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_paramsOK(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = m_paramsOK ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
