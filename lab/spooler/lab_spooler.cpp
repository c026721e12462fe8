#include "lab_spooler.h"

#include "error_msg.h"
#include "handles.h"
#include "job_marks.h"
#include "lab_text.h"
#include "monitor_catalog.h"
#include "port_monitor.h"

#include <winspool.h>

#include <chrono>
#include <thread>

namespace lab {
namespace {

using Clock = std::chrono::steady_clock;

std::wstring fileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// Reads up to size bytes; fewer only at the end of the file.
DWORD readBlock(HANDLE file, std::vector<BYTE>& block, bool& failed) {
    DWORD total = 0;
    failed = false;
    while (total < block.size()) {
        DWORD read = 0;
        if (!ReadFile(file, block.data() + total, (DWORD)block.size() - total, &read, nullptr)) {
            failed = true;
            break;
        }
        if (read == 0) break;
        total += read;
    }
    return total;
}

ReportLine callLine(const char* call, int doc) {
    ReportLine line{call};
    line.add("doc", doc);
    return line;
}

void addResult(ReportLine& line, const MonitorCall& call) {
    line.add("result", call.result).add("error", call.error);
    if (call.missing) line.add("missing", 1);
}

// One document's road through the port, in the order the Windows spooler takes it.
class DocumentRun {
public:
    DocumentRun(Report& report, MonitorCatalog& catalog, const StandInOptions& options, const DocumentRequest& request,
                int index)
        : m_report(report), m_catalog(catalog), m_options(options), m_request(request) {
        m_result.index = index;
        m_documentName = request.name.empty() ? fileNameOf(request.file) : request.name;
    }

    DocumentResult run() {
        m_started = Clock::now();
        if (m_request.blockSize == 0) return finish("the block size is 0");
        if (!findPrinterPort()) return finish("the printer cannot be read");
        FileHandle input(CreateFileW(m_request.file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!input) {
            DWORD error = GetLastError();
            ReportLine line{"file"};
            line.add("doc", index()).add("path", m_request.file).add("result", 0).add("error", error);
            m_report.add(line);
            return finish("the document file cannot be opened");
        }
        PortMonitor* monitor = m_catalog.ownerOf(m_port, index(), m_port);
        if (!monitor) return finish("no monitor lists the port");
        std::lock_guard<std::mutex> portTurn(m_catalog.portLock(m_port));
        return drive(*monitor, input.get());
    }

private:
    int index() const { return m_result.index; }

    bool findPrinterPort() {
        SetLastError(ERROR_SUCCESS);
        DWORD needed = 0, error = ERROR_SUCCESS;
        bool ok = OpenPrinterW(const_cast<LPWSTR>(m_request.printer.c_str()), m_printer.out(), nullptr);
        if (!ok) error = GetLastError();
        if (ok) {
            GetPrinterW(m_printer.get(), 2, nullptr, 0, &needed);
            std::vector<BYTE> buffer(needed ? needed : 1);
            ok = needed && GetPrinterW(m_printer.get(), 2, buffer.data(), needed, &needed);
            if (!ok) error = GetLastError();
            if (ok) {
                const PRINTER_INFO_2W* info = (const PRINTER_INFO_2W*)buffer.data();
                m_printerName = info->pPrinterName ? info->pPrinterName : m_request.printer;
                // A pooled printer lists several ports; the first one takes the job.
                std::wstring ports = info->pPortName ? info->pPortName : L"";
                m_port = ports.substr(0, ports.find(L','));
                while (!m_port.empty() && m_port.back() == L' ') m_port.pop_back();
                ok = !m_port.empty();
            }
        }
        ReportLine line{"printer"};
        line.add("doc", index())
            .add("name", m_request.printer)
            .add("port", m_port)
            .add("result", ok ? 1 : 0)
            .add("error", error);
        m_report.add(line);
        return ok;
    }

    DocumentResult drive(PortMonitor& monitor, HANDLE input) {
        HANDLE port = nullptr;
        MonitorCall call = monitor.openPort(m_port, port);
        ReportLine open = callLine("openport", index());
        open.add("monitor", monitor.name()).add("port", m_port);
        addResult(open, call);
        m_report.add(open);
        if (!call.result) return finish("OpenPort failed");

        if (!startSpoolerJob()) {
            closePort(monitor, port);
            return finish("the spooler job cannot be created");
        }

        call = monitor.startDocPort(port, m_printerName, m_result.jobId, m_documentName);
        ReportLine start = callLine("startdocport", index());
        start.add("printer", m_printerName).add("job", m_result.jobId).add("name", m_documentName);
        addResult(start, call);
        m_report.add(start);
        if (!call.result) {
            endSpoolerJob();
            closePort(monitor, port);
            return finish("StartDocPort failed");
        }

        bool aborted = false;
        std::string failure = writeDocument(monitor, port, input, aborted);
        bool endDocument = !aborted || m_request.endDocOnAbort;
        if (aborted) cancelSpoolerJob();
        if (endDocument) {
            call = monitor.endDocPort(port);
            ReportLine end = callLine("enddocport", index());
            addResult(end, call);
            m_report.add(end);
            if (!call.result && failure.empty()) failure = "EndDocPort failed";
        }
        endSpoolerJob();
        if (!closePort(monitor, port) && failure.empty()) failure = "ClosePort failed";
        if (!failure.empty()) return finish(failure);
        m_result.outcome = aborted ? DocumentOutcome::Aborted : DocumentOutcome::Printed;
        return finish();
    }

    // Hands the file to the monitor block by block; a block the monitor takes only in
    // part is offered again from where it stopped. Returns why writing failed, if it did.
    std::string writeDocument(PortMonitor& monitor, HANDLE port, HANDLE input, bool& aborted) {
        std::vector<BYTE> block(m_request.blockSize);
        for (;;) {
            if (m_request.abortAfterBlocks >= 0 && (long)m_result.blocks >= m_request.abortAfterBlocks) {
                aborted = true;
                return {};
            }
            bool readFailed = false;
            DWORD size = readBlock(input, block, readFailed);
            if (readFailed) return "the document file cannot be read";
            if (size == 0) return {};
            for (DWORD offset = 0; offset < size;) {
                DWORD written = 0;
                MonitorCall call = monitor.writePort(port, block.data() + offset, size - offset, written);
                bool taken = call.result && written > 0 && written <= size - offset;
                if (m_options.blockLines || !taken) {
                    ReportLine line = callLine("writeport", index());
                    line.add("block", m_result.blocks + 1)
                        .add("offset", offset)
                        .add("size", size - offset)
                        .add("written", written);
                    addResult(line, call);
                    m_report.add(line);
                }
                if (!call.result) return "WritePort failed";
                if (!taken)
                    return written ? "WritePort counted more bytes than it was given" : "WritePort took no bytes";
                offset += written;
                m_result.bytes += written;
            }
            m_result.blocks++;
        }
    }

    // Creates the spooler's job for the document, as the application's StartDocPrinter
    // does. The job prints into a file of its own rather than to the port.
    // Wine: ending a job (EndDocPrinter, or ClosePrinter with the document open) on a
    // port that Wine cannot print to fails and leaves the printer's job lock held, so
    // that the next StartDocPrinter or GetJob on that printer from another thread waits
    // for ever. With an output file the job ends cleanly; on Windows it keeps the
    // spooler from sending the stand-in's job to the port as well.
    bool startSpoolerJob() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_jobOutput = std::wstring(temp) + L"lab-spooler-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(GetCurrentThreadId()) + L".prn";
        DOC_INFO_1W info = {const_cast<LPWSTR>(m_documentName.c_str()), const_cast<LPWSTR>(m_jobOutput.c_str()),
                            const_cast<LPWSTR>(L"RAW")};
        SetLastError(ERROR_SUCCESS);
        bool opened = OpenPrinterW(const_cast<LPWSTR>(m_printerName.c_str()), m_jobPrinter.out(), nullptr);
        m_result.jobId = opened ? StartDocPrinterW(m_jobPrinter.get(), 1, (LPBYTE)&info) : 0;
        DWORD error = m_result.jobId ? ERROR_SUCCESS : GetLastError();
        ReportLine line{"job"};
        line.add("doc", index()).add("printer", m_printerName).add("job", m_result.jobId);
        if (m_result.jobId) {
            // What GetJob level 2 tells a monitor running in this process.
            DWORD needed = 0;
            GetJobW(m_jobPrinter.get(), m_result.jobId, 2, nullptr, 0, &needed);
            std::vector<BYTE> buffer(needed ? needed : 1);
            if (needed && GetJobW(m_jobPrinter.get(), m_result.jobId, 2, buffer.data(), needed, &needed)) {
                const JOB_INFO_2W* job = (const JOB_INFO_2W*)buffer.data();
                line.add("record", job->pDocument ? job->pDocument : L"");
            } else {
                line.add("record", "-");
            }
        }
        line.add("result", m_result.jobId ? 1 : 0).add("error", error);
        m_report.add(line);
        return m_result.jobId != 0;
    }

    void cancelSpoolerJob() {
        SetLastError(ERROR_SUCCESS);
        BOOL cancelled = SetJobW(m_jobPrinter.get(), m_result.jobId, 0, nullptr, JOB_CONTROL_DELETE);
        DWORD error = cancelled ? ERROR_SUCCESS : GetLastError();
        markJobDeleting(m_result.jobId, true);
        ReportLine line{"abort"};
        line.add("doc", index())
            .add("blocks", m_result.blocks)
            .add("job", m_result.jobId)
            .add("result", cancelled)
            .add("error", error);
        m_report.add(line);
    }

    void endSpoolerJob() {
        SetLastError(ERROR_SUCCESS);
        BOOL ended = EndDocPrinter(m_jobPrinter.get());
        markJobDeleting(m_result.jobId, false);
        DWORD error = ended ? ERROR_SUCCESS : GetLastError();
        m_jobPrinter.reset();
        DeleteFileW(m_jobOutput.c_str());
        ReportLine line{"jobend"};
        line.add("doc", index()).add("job", m_result.jobId).add("result", ended).add("error", error);
        m_report.add(line);
    }

    bool closePort(PortMonitor& monitor, HANDLE port) {
        MonitorCall call = monitor.closePort(port);
        ReportLine line = callLine("closeport", index());
        addResult(line, call);
        m_report.add(line);
        return call.result;
    }

    DocumentResult finish(const std::string& failure = {}) {
        if (!failure.empty()) {
            m_result.outcome = DocumentOutcome::Failed;
            m_result.reason = failure;
        }
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_started).count();
        ReportLine line{"document"};
        line.add("doc", index())
            .add("result", outcomeName(m_result.outcome))
            .add("bytes", m_result.bytes)
            .add("blocks", m_result.blocks)
            .add("ms", (long long)elapsed);
        if (!failure.empty()) line.add("reason", failure);
        m_report.add(line);
        return m_result;
    }

    Report& m_report;
    MonitorCatalog& m_catalog;
    const StandInOptions& m_options;
    const DocumentRequest& m_request;
    DocumentResult m_result;
    std::wstring m_documentName;
    std::wstring m_printerName;
    std::wstring m_port;
    PrinterHandle m_printer;     // the printer, to find its port
    PrinterHandle m_jobPrinter;  // the handle that holds the spooler job
    std::wstring m_jobOutput;    // where the spooler job itself prints
    Clock::time_point m_started;
};

}  // namespace

const char* outcomeName(DocumentOutcome outcome) {
    switch (outcome) {
    case DocumentOutcome::Printed: return "printed";
    case DocumentOutcome::Aborted: return "aborted";
    case DocumentOutcome::Copied: return "copied";
    case DocumentOutcome::Failed: break;
    }
    return "failed";
}

SpoolerStandIn::SpoolerStandIn(Report& report, StandInOptions options)
    : m_report(report), m_options(options), m_catalog(std::make_unique<MonitorCatalog>(report)) {}

SpoolerStandIn::~SpoolerStandIn() = default;

DocumentResult SpoolerStandIn::print(const DocumentRequest& request, int index) {
    return DocumentRun(m_report, *m_catalog, m_options, request, index).run();
}

std::vector<DocumentResult> SpoolerStandIn::printAll(const std::vector<DocumentRequest>& requests) {
    std::vector<DocumentResult> results(requests.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < requests.size(); i++)
        threads.emplace_back([&, i] { results[i] = print(requests[i], (int)i + 1); });
    for (std::thread& thread : threads) thread.join();
    return results;
}

DocumentResult copyOnly(const CopyRequest& request, Report& report, StandInOptions options, int index) {
    Clock::time_point started = Clock::now();
    DocumentResult result;
    result.index = index;
    FileHandle input(CreateFileW(request.file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD error = GetLastError();
    FileHandle output;
    if (input) {
        output.reset(CreateFileW(request.destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        error = GetLastError();
    }
    bool opened = input && output && request.blockSize > 0;
    ReportLine open{"copy"};
    open.add("doc", index)
        .add("file", request.file)
        .add("dest", request.destination)
        .add("block", request.blockSize)
        .add("result", opened ? 1 : 0)
        .add("error", opened ? 0 : error);
    report.add(open);

    if (!opened) {
        result.reason = request.blockSize ? "the files cannot be opened" : "the block size is 0";
    } else {
        std::vector<BYTE> block(request.blockSize);
        for (;;) {
            bool readFailed = false;
            DWORD size = readBlock(input.get(), block, readFailed);
            if (readFailed) {
                result.reason = "the document file cannot be read";
                break;
            }
            if (size == 0) {
                result.outcome = DocumentOutcome::Copied;
                break;
            }
            DWORD written = 0;
            SetLastError(ERROR_SUCCESS);
            BOOL ok = WriteFile(output.get(), block.data(), size, &written, nullptr);
            DWORD error = ok ? ERROR_SUCCESS : GetLastError();
            if (options.blockLines || !ok || written != size) {
                ReportLine line{"writefile"};
                line.add("doc", index)
                    .add("block", result.blocks + 1)
                    .add("size", size)
                    .add("written", written)
                    .add("result", ok)
                    .add("error", error);
                report.add(line);
            }
            result.bytes += written;
            if (!ok || written != size) {
                result.reason = "the destination cannot be written";
                break;
            }
            result.blocks++;
        }
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    ReportLine done{"document"};
    done.add("doc", index)
        .add("result", outcomeName(result.outcome))
        .add("bytes", result.bytes)
        .add("blocks", result.blocks)
        .add("ms", (long long)elapsed);
    if (!result.reason.empty()) done.add("reason", result.reason);
    report.add(done);
    return result;
}

ScopedMonitorRegistration::ScopedMonitorRegistration(const std::wstring& monitorName, const std::wstring& driver)
    : m_name(monitorName), m_backup(HKEY_LOCAL_MACHINE, monitorRegistryRoot(monitorName)) {
    writeRegistryString(HKEY_LOCAL_MACHINE, monitorRegistryRoot(monitorName), L"Driver", driver);
}

std::wstring ScopedMonitorRegistration::registryRoot() const { return monitorRegistryRoot(m_name); }

}  // namespace lab
