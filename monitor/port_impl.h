#pragma once
// C_portImpl: one port of the monitor, and the handle the spooler holds between OpenPort
// and ClosePort. It turns the spooler's document calls into calls on the print engine
// and writes the spooled bytes itself into the file the engine names for the job.
//
// The port's key holds the value "active" (REG_DWORD): 1 while the spooler holds the
// port open. A port object has no lock: the spooler makes one call at a time per port,
// though not always on the same thread.
#include <windows.h>

#include <memory>
#include <string>

#include "com/guard.h"
#include "cstring.h"
#include "engine_binding.h"
#include "output_file.h"
#include "ref_counted.h"

// The port operations' log lines: "C_portImpl::writePort BV catch...", "... COM catch0x...", "... catch"
extern const com::CatchTexts kPortTexts;

class C_portImpl : public C_refCounted {
public:
    // Writes active = 0 under the key. Throws cERROR_MSG when it cannot.
    explicit C_portImpl(const cSTRING& keyPath);

    const cSTRING& keyPath() const { return m_keyPath; }
    // True when "active" reads as a non-zero number; false on any failure.
    bool isActive() const;

    // Marks the port active; FALSE when it is active already.
    BOOL open();
    // Activates the engine and starts its job for the spooler's job; the engine object
    // is kept for the document. FALSE when the port is not active or the engine is not
    // reachable or refuses.
    BOOL startDocPort(const std::wstring& printerName, DWORD jobId, DWORD level, LPBYTE docInfo);
    // Tells the engine the block's size, then appends the block to the job's file (the
    // first block of a job asks the engine for the file and creates it).
    BOOL writePort(const BYTE* buffer, DWORD size, LPDWORD written);
    // Closes the job's file and ends and closes the engine's job; a job cancelled in the
    // spooler meanwhile is aborted instead of ended.
    BOOL endDocPort();
    // Marks the port inactive. Always TRUE.
    BOOL closePort();

private:
    ~C_portImpl() override;
    void writeActive(long value);
    // The engine's process went away during the document: the file is closed and the
    // rest of the document fails. Returns FALSE with the last error set.
    BOOL loseEngine(const char* operation, HRESULT hr);
    BOOL refuseLostDocument(const char* operation);

    std::unique_ptr<C_outputFile> m_outputFile;  // the running job's file, from its first block on
    cSTRING m_keyPath;
    long m_jobHandle = 0;        // the engine's handle of the running job
    std::wstring m_printerName;  // the spooler's printer and job of the running job
    DWORD m_jobId = 0;
    bool m_started = false;     // between a successful StartDocPort and EndDocPort
    bool m_engineLost = false;  // the running document's engine went away
    DocumentEngine m_engine;    // bound by StartDocPort, released when the document ends
};
