#pragma once
// Pieces shared by the engine's in-process tests.
#include <windows.h>
#include <gtest/gtest.h>
#include <winspool.h>

#include <memory>
#include <string>
#include <vector>

#include "com/event_sink.h"
#include "com/object.h"
#include "engine_h.h"
#include "error_msg.h"
#include "handles.h"
#include "kelo_test.h"
#include "lab_paths.h"
#include "lab_printers.h"
#include "lab_process.h"
#include "variant.h"

namespace enginetest {

using com::ComPtr;

// Points the temporary folder (and so the engine's jobs path) at a fresh folder for the
// life of the object.
class ScopedTempFolder {
public:
    ScopedTempFolder() : m_folder(L"engine"), m_tmp(L"TMP", m_folder.path()), m_temp(L"TEMP", m_folder.path()) {}
    std::wstring jobsPath() const { return m_folder.path() + L"KeloJobs\\"; }

private:
    lab::TempFolder m_folder;
    lab::ScopedEnvironment m_tmp;
    lab::ScopedEnvironment m_temp;
};

// A job of this process in the spooler's records (Wine keeps job records only in the
// process that created them), ended when the object goes.
struct ScopedSpoolerJob {
    HANDLE printer = nullptr;
    long id = 0;  // 0 when no job could be started
    ScopedSpoolerJob(const wchar_t* printerName, const wchar_t* document) {
        DOC_INFO_1W info = {const_cast<wchar_t*>(document), nullptr, nullptr};
        if (OpenPrinterW(const_cast<wchar_t*>(printerName), &printer, nullptr))
            id = (long)StartDocPrinterW(printer, 1, (BYTE*)&info);
    }
    ~ScopedSpoolerJob() {
        AbortPrinter(printer);
        ClosePrinter(printer);
    }
};

// A sink that writes each event as "<id> <type>:<value> ..." (a job as its id) and
// gives the answer.
inline ComPtr<com::EventSink> recordingSink(REFIID events, std::vector<std::wstring>& lines, HRESULT answer = S_OK) {
    return com::make<com::EventSink>(events, [&lines, answer](DISPID event, DISPPARAMS* params) {
        std::wstring line = std::to_wstring(event);
        for (UINT i = 0; params && i < params->cArgs; ++i) {
            const VARIANT* argument = com::eventArgument(params, i);
            line += L" " + std::to_wstring(argument->vt) + L":";
            ComPtr<IPrintJob> job;
            long id = -1;
            if (argument->vt == VT_BSTR)
                line += argument->bstrVal ? argument->bstrVal : L"(null)";
            else if (argument->vt == VT_DISPATCH && SUCCEEDED(argument->pdispVal->QueryInterface(IID_PPV_ARGS(&job))))
                line += std::to_wstring((job->get_jobId(&id), id));
            else
                line += std::to_wstring(Variant(*argument).toLong());
        }
        lines.push_back(line);
        return answer;
    });
}

// The names of the test printers, distinct from anything the lab or other suites add.
inline const wchar_t* testPrinterName() { return L"Kelo Engine Test"; }

}  // namespace enginetest
