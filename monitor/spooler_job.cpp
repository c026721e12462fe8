#include "spooler_job.h"

#include <winspool.h>

#include <vector>

#include "handles.h"
#include "port_text.h"

namespace {

#if defined(ZOLT_PORT_9X)
BOOL openPrinter(PortString& name, HANDLE* printer) { return OpenPrinterA(&name[0], printer, nullptr); }
BOOL getJob(HANDLE printer, DWORD jobId, BYTE* buffer, DWORD size, DWORD* needed) {
    return GetJobA(printer, jobId, 1, buffer, size, needed);
}
using JobInfo = JOB_INFO_1A;
#else
BOOL openPrinter(PortString& name, HANDLE* printer) { return OpenPrinterW(&name[0], printer, nullptr); }
BOOL getJob(HANDLE printer, DWORD jobId, BYTE* buffer, DWORD size, DWORD* needed) {
    return GetJobW(printer, jobId, 1, buffer, size, needed);
}
using JobInfo = JOB_INFO_1W;
#endif

}  // namespace

bool spoolerJobCancelled(const std::wstring& printerName, DWORD jobId) {
    PortString name;
    try {
        name = portText(printerName);
    } catch (...) {
        return false;
    }
    PrinterHandle printer;
    if (name.empty() || !openPrinter(name, printer.out())) return false;
    DWORD needed = 0;
    getJob(printer.get(), jobId, nullptr, 0, &needed);
    if (needed < sizeof(JobInfo)) return false;
    std::vector<BYTE> buffer(needed);
    if (!getJob(printer.get(), jobId, buffer.data(), needed, &needed)) return false;
    DWORD status = reinterpret_cast<const JobInfo*>(buffer.data())->Status;
    return (status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED)) != 0;
}
