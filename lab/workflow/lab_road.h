#pragma once
// The whole system in the lab prefix: the print engine, the web and registry components
// and the print monitor registered, a printer of this system on the monitor's port
// pointing at a provider, the client's settings key, and the recorder as the browser
// and as the package starter. Everything is put back as it was when the object goes.
// Besides: the client program running, documents printed through the spooler stand-in,
// and documents handed to the engine directly as a port monitor does.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "handles.h"
#include "lab_gui.h"
#include "lab_printers.h"
#include "lab_recorder.h"
#include "lab_registry.h"
#include "lab_spooler.h"

namespace lab {

// A COM server DLL registered (as regsvr32 does) for the life of the object;
// unregistered afterwards unless its class was registered before. Throws cERROR_MSG.
class ScopedDllRegistration {
public:
    ScopedDllRegistration(const std::wstring& dllPath, const std::wstring& clsid);
    ~ScopedDllRegistration();
    ScopedDllRegistration(const ScopedDllRegistration&) = delete;
    ScopedDllRegistration& operator=(const ScopedDllRegistration&) = delete;

private:
    LibraryHandle m_module;
    bool m_registeredBefore = false;
};

// KeloEngine.exe registered for the life of the object. No engine server outlives it:
// they are ended before registering and afterwards. Throws cERROR_MSG.
class ScopedEngineRegistration {
public:
    explicit ScopedEngineRegistration(const std::wstring& exePath);
    ~ScopedEngineRegistration();
    ScopedEngineRegistration(const ScopedEngineRegistration&) = delete;
    ScopedEngineRegistration& operator=(const ScopedEngineRegistration&) = delete;

private:
    std::wstring m_exePath;
    bool m_registeredBefore = false;
};

struct SystemSetup {
    // Where KeloEngine.exe, KeloWeb.dll, KeloReg.dll, ZoltPort.dll and KeloClient.exe are.
    std::wstring programFolder;
    std::wstring printer = L"Kelo Lab Printer";
    std::wstring port = L"ZOLT0";
    // The printer's "keloServerIp": the provider's host and port ("127.0.0.1:4711").
    std::wstring serverAddress;
    // The client settings: "Version" and "language" (1: English).
    std::wstring clientVersion = L"5.0.2";
    DWORD language = 1;
    bool recorderAsBrowser = true;
    bool recorderAsPackageStarter = true;
};

class InstalledSystem {
public:
    explicit InstalledSystem(SystemSetup setup);
    ~InstalledSystem();
    InstalledSystem(const InstalledSystem&) = delete;
    InstalledSystem& operator=(const InstalledSystem&) = delete;

    const SystemSetup& setup() const { return m_setup; }
    // The printer's folder of job folders: %TEMP%\KeloJobs\<printer>\ .
    std::wstring jobsFolder() const;
    // The job folders in it now.
    std::vector<std::wstring> jobFolders() const;
    // Deletes every job folder of the printer.
    void removeJobFolders() const;

private:
    SystemSetup m_setup;
    std::unique_ptr<ScopedEngineRegistration> m_engine;
    std::unique_ptr<ScopedDllRegistration> m_web;
    std::unique_ptr<ScopedDllRegistration> m_registry;
    std::unique_ptr<ScopedMonitorRegistration> m_monitor;
    std::unique_ptr<ScopedPrinter> m_printer;
    std::unique_ptr<RegistryBackup> m_clientSettings;
    std::unique_ptr<RegistryBackup> m_unmanagedWindows;
    std::unique_ptr<FileAssociation> m_browser;
    std::unique_ptr<FileAssociation> m_packageStarter;
};

// KeloClient.exe started from the program folder, running until end() or the object goes.
class RunningClient {
public:
    // Starts the client and waits (up to the timeout) until it has bound its printers.
    // Throws cERROR_MSG when it does not start.
    explicit RunningClient(const std::wstring& programFolder, DWORD timeoutMs = 90000);
    // The same for a client the test started itself.
    explicit RunningClient(std::unique_ptr<gui::ProgramUnderTest> program, DWORD timeoutMs = 90000);
    ~RunningClient();
    RunningClient(const RunningClient&) = delete;
    RunningClient& operator=(const RunningClient&) = delete;

    gui::ProgramUnderTest& program() { return *m_program; }
    DWORD processId() const { return m_program->processId(); }
    std::string output() const { return m_program->output(); }
    bool waitForOutput(const std::string& text, DWORD timeoutMs = 60000) const {
        return m_program->waitForOutput(text, timeoutMs);
    }
    // A visible window of the client with this caption.
    HWND waitForWindow(const std::wstring& caption, DWORD timeoutMs = 60000, HWND excluding = nullptr) const;
    bool running() const { return m_program->running(); }
    // Ends the client as its Unload button does; terminates it when it does not end.
    void end();

private:
    std::unique_ptr<gui::ProgramUnderTest> m_program;
};

// One document printed by lab-spooler.exe in its own process, as an application
// prints to the printer and the spooler hands the document to the port monitor.
class PrintRun {
public:
    PrintRun(const std::wstring& programFolder, const std::wstring& printer, const std::wstring& file,
             const std::wstring& documentName = std::wstring(), const std::wstring& extraArguments = std::wstring());
    // The stand-in's exit status (0: printed), or nothing when it has not ended in time.
    std::optional<DWORD> waitForEnd(DWORD timeoutMs = 120000) { return m_program.waitForExit(timeoutMs); }
    std::string output() const { return m_program.output(); }

private:
    gui::ProgramUnderTest m_program;
};

// A document handed to the registered engine directly, on a thread of this process,
// the way the port monitor does it: splStartDoc (which returns once the client has
// taken the new-job event), the bytes into the file the engine names, then splEndDoc
// and splClose, or, for an aborted document, splAbort and splClose.
class EngineDocument {
public:
    EngineDocument(const std::wstring& printer, long jobId, const std::string& bytes, bool aborted = false);
    ~EngineDocument();
    EngineDocument(const EngineDocument&) = delete;
    EngineDocument& operator=(const EngineDocument&) = delete;

    // True when the document went through; false on failure or when it is not over in time.
    bool waitForEnd(DWORD timeoutMs = 120000);
    // What failed, "" when nothing did.
    std::string failure() const;
    // The job folder the engine named.
    std::wstring jobFolder() const;

private:
    void run(std::wstring printer, long jobId, std::string bytes, bool aborted);

    KernelHandle m_done;
    std::thread m_thread;
    std::string m_failure;
    std::wstring m_jobFolder;
};

// The PostScript document the lab prints: a few A4 pages of text.
std::string labDocument(int pages = 2);

}  // namespace lab
