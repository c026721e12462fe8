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
    driver_.revoke();
    DebugLine() << "CPrintJob - DTOR2";
}

void CPrintJob::initialize(IPrintDriver* driver, long jobId) {
    if (driver) driver->AddRef();
    driver_.set(driver);  // takes over the reference just added
    jobId_ = jobId;
    BStr printerName;
    if (driver) com::check(driver->get_printerName(printerName.out()));

    bool wide = engine::printingApi() == engine::PrintingApi::Wide;
    engine::JobStartInfo info = engine::readJobStartInfo(printerName.str(), jobId, wide);
    {
        std::lock_guard<std::mutex> guard(textLock_);
        printerName_ = printerName.str();
        name_ = info.name;
    }
    pages_ = info.pages;
    copies_ = info.paper.copies;
    pageName_ = info.paper.pageName;
    pageHeight_ = info.paper.height;
    pageWidth_ = info.paper.width;
    paramsOK_ = info.paper.paramsOK;
    state_ = jobStartDoc;
    aborted_ = false;
}

long CPrintJob::startPage() {
    state_ = jobStartPage;
    events().fire(kOnStartPage, {Variant(pages_)});
    return 1;
}

long CPrintJob::endPage() {
    state_ = jobEndPage;
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
        std::lock_guard<std::mutex> guard(textLock_);
        printerName = printerName_;
    }
    controlSpoolerJob(printerName, jobId_);
    state_ = jobEndDoc;
    events().fire(kOnEndDoc);
}

void CPrintJob::abort() {
    state_ = jobAbort;
    aborted_ = true;
    events().fire(kOnAbort);
}

void CPrintJob::close() {
    state_ = jobCloseDoc;
    std::wstring folder = jobFolder();
    if (!folder.empty()) {
        if (aborted_)
            DeleteTreeU(folder);
        else
            writeDescription(folder);
    }
    // Built in place: a copied VARIANT would turn Wine's null BSTR into an empty one.
    std::vector<Variant> arguments;
    arguments.reserve(2);
    arguments.emplace_back((short)(aborted_ ? 1 : 0));
    arguments.emplace_back(folder.empty() ? nullptr : folder.c_str());
    events().fire(kOnCloseDoc, arguments);
}

void CPrintJob::writeDescription(const std::wstring& folder) {
    if (!bvfsFileExists(folder.c_str())) bvfsCreateFolderTree(folder.c_str());
    engine::PageLayout layout = engine::scanPostScriptFile(folder + kOutputFileName, {pageWidth_, pageHeight_, pages_});
    pageWidth_ = layout.width;
    pageHeight_ = layout.height;
    pages_ = layout.pages;

    engine::JobDescription description;
    description.name = jobName();
    description.copies = copies_;
    description.paperHeight = pageHeight_;
    description.paperWidth = pageWidth_;
    description.paperName = pageName_;
    description.paperCount = pages_;
    description.paramsOK = paramsOK_;
    engine::writeJobDescription(folder + kDescriptionFileName, description);
}

void CPrintJob::setJobFolder(const std::wstring& folder) {
    std::lock_guard<std::mutex> guard(textLock_);
    jobFolder_ = folder;
}

std::wstring CPrintJob::jobName() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return name_.value_or(L"");
}

std::wstring CPrintJob::jobFolder() const {
    std::lock_guard<std::mutex> guard(textLock_);
    return jobFolder_;
}

STDMETHODIMP CPrintJob::get_Name(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return com::guard(engine::kPrintJobSource, [&] {
        std::lock_guard<std::mutex> guard(textLock_);
        if (name_) *pVal = BStr(*name_).release();
    });
}

STDMETHODIMP CPrintJob::get_jobId(long* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = jobId_;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_State(jobStates* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = state_;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_Driver(IPrintDriver** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return com::guard(engine::kPrintJobSource, [&] { *pVal = driver_.get().Detach(); });
}

STDMETHODIMP CPrintJob::get_Copies(long* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = copies_;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_Copies(long value) {
    copies_ = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_Pages(long* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = pages_;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_Pages(long value) {
    pages_ = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_pageWidth(double* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = pageWidth_;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_pageWidth(double value) {
    pageWidth_ = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_pageHeight(double* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = pageHeight_;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_pageHeight(double value) {
    pageHeight_ = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_pageName(long* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = pageName_;
    return S_OK;
}

STDMETHODIMP CPrintJob::put_pageName(long value) {
    pageName_ = value;
    return S_OK;
}

STDMETHODIMP CPrintJob::get_paramsOK(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = paramsOK_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
