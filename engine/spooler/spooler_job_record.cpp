#include "spooler_job_record.h"

#include <winspool.h>

#include "handles.h"
#include "memory.h"
#include "printer_papers.h"
#include "text_convert.h"

namespace engine {

const wchar_t kDefaultJobName[] = L"New Job";

namespace {

std::wstring wideText(const wchar_t* text) { return text ? text : L""; }
std::wstring wideText(const char* text) { return text ? toWide(text) : L""; }

// The paper list of the printer named in the record, for the record's device mode.
std::vector<PrinterPaper> papersOf(const JOB_INFO_2W& record) {
    return printerPaperList(wideText(record.pPrinterName), record.pDevMode);
}
std::vector<PrinterPaper> papersOf(const JOB_INFO_2A& record) {
    return printerPaperList(std::string(record.pPrinterName ? record.pPrinterName : ""), record.pDevMode);
}

template <class JobInfo>
JobStartInfo fromRecord(const JobInfo& record, bool wide) {
    JobStartInfo info = defaultJobStartInfo();
    std::wstring document = wideText(record.pDocument);
    if (!document.empty()) info.name = document;
    info.pages = record.TotalPages != 0 ? (long)record.TotalPages : 1;
    if (!record.pDevMode) return info;
    info.paper = paperFromDeviceMode(*record.pDevMode, wide, [&record] { return papersOf(record); });
    return info;
}

}  // namespace

JobStartInfo jobStartInfoFromRecord(const JOB_INFO_2W& record, bool applyScale) {
    return fromRecord(record, applyScale);
}

JobStartInfo jobStartInfoFromRecord(const JOB_INFO_2A& record, bool applyScale) {
    return fromRecord(record, applyScale);
}

JobStartInfo defaultJobStartInfo() {
    JobStartInfo info;
    info.name = kDefaultJobName;
    info.pages = 1;
    info.paper = defaultJobPaper();
    return info;
}

JobStartInfo readJobStartInfo(const std::wstring& printerName, long jobId, bool wide) {
    PrinterHandle printer;
    DWORD needed = 0;
    cMEMORY buffer;
    if (wide) {
        if (!OpenPrinterW(const_cast<wchar_t*>(printerName.c_str()), printer.out(), nullptr))
            return defaultJobStartInfo();
        GetJobW(printer.get(), (DWORD)jobId, 2, nullptr, 0, &needed);
        if (needed == 0) return defaultJobStartInfo();
        buffer = cMEMORY(needed);
        if (!GetJobW(printer.get(), (DWORD)jobId, 2, buffer.data(), needed, &needed)) return defaultJobStartInfo();
        printer.reset();
        return jobStartInfoFromRecord(*buffer.as<JOB_INFO_2W>(), true);
    }
    std::string ansiName = toAnsi(printerName);
    if (!OpenPrinterA(const_cast<char*>(ansiName.c_str()), printer.out(), nullptr)) return defaultJobStartInfo();
    GetJobA(printer.get(), (DWORD)jobId, 2, nullptr, 0, &needed);
    if (needed == 0) return defaultJobStartInfo();
    buffer = cMEMORY(needed);
    if (!GetJobA(printer.get(), (DWORD)jobId, 2, buffer.data(), needed, &needed)) return defaultJobStartInfo();
    printer.reset();
    return jobStartInfoFromRecord(*buffer.as<JOB_INFO_2A>(), false);
}

}  // namespace engine
