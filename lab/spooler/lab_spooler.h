#pragma once
// The lab's spooler stand-in. Wine's spooler loads print monitors but never hands them
// a job's data; this does what the Windows spooler does for one document: it finds the
// printer's port and the monitor that lists it, creates the spooler job, and drives
// OpenPort, StartDocPort, WritePort (block by block), EndDocPort and ClosePort,
// reporting every call (spooler_report.h).
#include "lab_registry.h"
#include "spooler_report.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace lab {

class MonitorCatalog;

const DWORD kDefaultBlockSize = 4096;

struct DocumentRequest {
    std::wstring printer;
    std::wstring file;
    std::wstring name;  // the document name; empty: the file's name
    DWORD blockSize = kDefaultBlockSize;
    // Stop after this many blocks, as when the job is deleted while it prints: the
    // spooler job is cancelled and shows as being deleted (job_marks.h) to the monitor,
    // and the port's document is still ended (EndDocPort) unless endDocOnAbort is
    // false, when the port goes straight to ClosePort.
    long abortAfterBlocks = -1;
    bool endDocOnAbort = true;
};

struct CopyRequest {
    std::wstring file;
    std::wstring destination;
    DWORD blockSize = kDefaultBlockSize;
};

enum class DocumentOutcome { Printed, Aborted, Copied, Failed };

struct DocumentResult {
    int index = 0;
    DocumentOutcome outcome = DocumentOutcome::Failed;
    unsigned long long bytes = 0;  // bytes the monitor (or the copy) took
    unsigned long blocks = 0;      // blocks handed over completely
    DWORD jobId = 0;
    std::string reason;  // why a document failed
};

struct StandInOptions {
    bool blockLines = true;  // one report line per WritePort; false: only the totals
};

class SpoolerStandIn {
public:
    explicit SpoolerStandIn(Report& report, StandInOptions options = {});
    ~SpoolerStandIn();
    SpoolerStandIn(const SpoolerStandIn&) = delete;
    SpoolerStandIn& operator=(const SpoolerStandIn&) = delete;

    // Prints one document on the calling thread; its report lines carry doc=<index>.
    DocumentResult print(const DocumentRequest& request, int index = 1);
    // Prints every document at once, each on its own thread, numbered from 1.
    // Documents on one port take turns.
    std::vector<DocumentResult> printAll(const std::vector<DocumentRequest>& requests);

private:
    Report& m_report;
    StandInOptions m_options;
    std::unique_ptr<MonitorCatalog> m_catalog;
};

// Writes the file into the destination in the same blocks, without any monitor: the
// baseline for timing a monitor.
DocumentResult copyOnly(const CopyRequest& request, Report& report, StandInOptions options = {}, int index = 1);

// Registers a print monitor for the life of the object by writing its Monitors key
// (value Driver: a DLL file name in the system folder, or a full path) and removes it
// afterwards, leaving the key as it was.
class ScopedMonitorRegistration {
public:
    ScopedMonitorRegistration(const std::wstring& monitorName, const std::wstring& driver);
    const std::wstring& name() const { return m_name; }
    // The monitor's registry root below HKEY_LOCAL_MACHINE, where its settings go.
    std::wstring registryRoot() const;

private:
    std::wstring m_name;
    RegistryBackup m_backup;
};

const char* outcomeName(DocumentOutcome outcome);

}  // namespace lab
