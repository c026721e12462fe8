#include "lab_workflow.h"

#include <objbase.h>
#include <wrl/client.h>

#include <cstdio>

#include "bstr.h"
#include "delete_tree.h"
#include "engine_h.h"
#include "error_msg.h"
#include "lab_engine.h"
#include "lab_paths.h"
#include "lab_process.h"
#include "lab_text.h"

namespace lab {
namespace {

const wchar_t kEngineClsid[] = L"{84BBBEFB-D418-11D5-8E15-0002B36229DD}";
const wchar_t kWebClsid[] = L"{452A5491-A466-401B-9430-441A23E7E6B2}";
const wchar_t kRegistryClsid[] = L"{7E903BB8-4631-4311-B4AB-424B769C49C8}";
const wchar_t kMonitorName[] = L"ZOLT Print Port";
const wchar_t kClientSettingsKey[] = L"SOFTWARE\\Vorlane\\Kelo Print Driver";
const wchar_t kClientX11Settings[] = L"Software\\Wine\\AppDefaults\\KeloClient.exe\\X11 Driver";

using Entry = HRESULT(STDAPICALLTYPE*)();

Entry entryOf(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool classRegistered(const std::wstring& clsid) {
    RegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

std::wstring withSlash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring temporaryFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    return temp;
}

}  // namespace

// ---------------------------------------------------------------- registrations

ScopedDllRegistration::ScopedDllRegistration(const std::wstring& dllPath, const std::wstring& clsid)
    : registeredBefore_(classRegistered(clsid)) {
    module_.reset(LoadLibraryW(dllPath.c_str()));
    if (!module_)
        throw cERROR_MSG(BV_ERR_GENERAL, "%s cannot be loaded: %s", toUtf8(dllPath).c_str(),
                         errorText(GetLastError()).c_str());
    Entry registerServer = entryOf(module_.get(), "DllRegisterServer");
    HRESULT hr = registerServer ? registerServer() : E_NOINTERFACE;
    if (FAILED(hr)) {
        throw cERROR_MSG(BV_ERR_GENERAL, "%s cannot be registered (0x%lx)", toUtf8(dllPath).c_str(), (unsigned long)hr);
    }
}

ScopedDllRegistration::~ScopedDllRegistration() {
    if (!registeredBefore_)
        if (Entry unregisterServer = entryOf(module_.get(), "DllUnregisterServer")) unregisterServer();
}

ScopedEngineRegistration::ScopedEngineRegistration(const std::wstring& exePath)
    : exePath_(exePath), registeredBefore_(classRegistered(kEngineClsid)) {
    endEngineServers();
    DWORD code = runEngineRegistration(exePath_, false);
    if (code != 0) throw cERROR_MSG(BV_ERR_GENERAL, "the engine's registration ended with %lu", (unsigned long)code);
}

ScopedEngineRegistration::~ScopedEngineRegistration() {
    try {
        endEngineServers();
        if (!registeredBefore_) runEngineRegistration(exePath_, true);
    } catch (const cERROR_MSG&) {
    }
}

// ---------------------------------------------------------------- the system

InstalledSystem::InstalledSystem(SystemSetup setup) : setup_(std::move(setup)) {
    const std::wstring folder = withSlash(setup_.programFolder.empty() ? programFolder() : setup_.programFolder);
    setup_.programFolder = folder;
    engine_ = std::make_unique<ScopedEngineRegistration>(folder + L"KeloEngine.exe");
    web_ = std::make_unique<ScopedDllRegistration>(folder + L"KeloWeb.dll", kWebClsid);
    registry_ = std::make_unique<ScopedDllRegistration>(folder + L"KeloReg.dll", kRegistryClsid);

    // The monitor as the installer registers it, with its one port.
    monitor_ = std::make_unique<ScopedMonitorRegistration>(kMonitorName, folder + L"ZoltPort.dll");
    deleteRegistryTree(HKEY_LOCAL_MACHINE, monitor_->registryRoot() + L"\\Private");
    writeRegistryNumber(HKEY_LOCAL_MACHINE, monitor_->registryRoot() + L"\\Private\\" + setup_.port, L"active", 0);

    printer_ = std::make_unique<ScopedPrinter>(keloPrinter(setup_.printer, setup_.port, setup_.serverAddress));
    removeJobFolders();

    clientSettings_ = std::make_unique<RegistryBackup>(HKEY_LOCAL_MACHINE, kClientSettingsKey);
    deleteRegistryTree(HKEY_LOCAL_MACHINE, kClientSettingsKey);
    writeRegistryString(HKEY_LOCAL_MACHINE, kClientSettingsKey, L"Version", setup_.clientVersion);
    writeRegistryNumber(HKEY_LOCAL_MACHINE, kClientSettingsKey, L"language", setup_.language);

    // As recorderAsBrowser() and recorderAsPackageStarter() make them.
    // Wine: without a window manager every closing window waits two seconds for one;
    // the client's windows are left unmanaged in the lab.
    unmanagedWindows_ = std::make_unique<RegistryBackup>(HKEY_CURRENT_USER, kClientX11Settings);
    writeRegistryString(HKEY_CURRENT_USER, kClientX11Settings, L"Managed", L"N");

    if (setup_.recorderAsBrowser)
        browser_ = std::make_unique<FileAssociation>(L".htm", L"htmlfile", openCommandFor(recorderProgram()));
    if (setup_.recorderAsPackageStarter)
        packageStarter_ = std::make_unique<FileAssociation>(L".msi", L"Msi.Package",
                                                            L"\"" + recorderProgram() + L"\" /i \"%1\"");
}

InstalledSystem::~InstalledSystem() {
    try {
        endEngineServers();
    } catch (const cERROR_MSG&) {
    }
    removeJobFolders();
    RemoveDirectoryW(jobsFolder().c_str());
    RemoveDirectoryW((temporaryFolder() + L"KeloJobs").c_str());  // only when nothing else is left in it
    packageStarter_.reset();
    browser_.reset();
    unmanagedWindows_.reset();
    clientSettings_.reset();
    printer_.reset();
    monitor_.reset();
    registry_.reset();
    web_.reset();
    engine_.reset();
}

std::wstring InstalledSystem::jobsFolder() const { return temporaryFolder() + L"KeloJobs\\" + setup_.printer + L"\\"; }

std::vector<std::wstring> InstalledSystem::jobFolders() const {
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW((jobsFolder() + L"*").c_str(), &found));
    if (!search) return folders;
    do {
        std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            folders.push_back(jobsFolder() + name);
    } while (FindNextFileW(search.get(), &found));
    return folders;
}

void InstalledSystem::removeJobFolders() const {
    for (const std::wstring& folder : jobFolders()) {
        try {
            DeleteTreeU(folder);
        } catch (const cERROR_MSG&) {
        }
    }
}

// ---------------------------------------------------------------- the client

RunningClient::RunningClient(const std::wstring& programFolder, DWORD timeoutMs)
    : RunningClient(std::make_unique<gui::ProgramUnderTest>(quoteArgument(withSlash(programFolder) + L"KeloClient.exe")),
                    timeoutMs) {}

RunningClient::RunningClient(std::unique_ptr<gui::ProgramUnderTest> program, DWORD timeoutMs)
    : program_(std::move(program)) {
    if (!program_->waitForOutput("frmPrinterClientMain - started", timeoutMs))
        throw cERROR_MSG(BV_ERR_GENERAL, "the client did not start: %s", program_->output().c_str());
}

RunningClient::~RunningClient() { end(); }

HWND RunningClient::waitForWindow(const std::wstring& caption, DWORD timeoutMs, HWND excluding) const {
    return gui::waitForWindow(caption, timeoutMs, program_->processId(), excluding);
}

void RunningClient::end() {
    if (!program_->running()) return;
    // What the notification area tells the client when its icon is double-clicked:
    // the main window shows, and its Unload button ends the program.
    HWND tray = gui::findWindowOfClass(L"KeloTrayHandle", program_->processId());
    HWND main = gui::findWindowOfClass(L"KeloPrinterClientMain", program_->processId());
    if (tray && main) {
        PostMessageW(tray, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
        if (gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; }, 5000)) {
            gui::click(gui::childWithText(main, L"&Unload"));
            if (program_->waitForExit(15000)) return;
        }
    }
    program_->terminate();
}

// ---------------------------------------------------------------- printing

PrintRun::PrintRun(const std::wstring& programFolder, const std::wstring& printer, const std::wstring& file,
                   const std::wstring& documentName, const std::wstring& extraArguments)
    : program_(quoteArgument(withSlash(programFolder) + L"lab-spooler.exe") + L" --print " + quoteArgument(printer) +
               L" " + quoteArgument(file) + (documentName.empty() ? L"" : L" --name " + quoteArgument(documentName)) +
               (extraArguments.empty() ? L"" : L" " + extraArguments)) {}

EngineDocument::EngineDocument(const std::wstring& printer, long jobId, const std::string& bytes, bool aborted)
    : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      thread_(&EngineDocument::run, this, printer, jobId, bytes, aborted) {}

EngineDocument::~EngineDocument() {
    if (thread_.joinable()) thread_.join();
}

bool EngineDocument::waitForEnd(DWORD timeoutMs) {
    if (WaitForSingleObject(done_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    if (thread_.joinable()) thread_.join();
    return failure_.empty();
}

std::string EngineDocument::failure() const { return failure_; }

std::wstring EngineDocument::jobFolder() const { return jobFolder_; }

void EngineDocument::run(std::wstring printer, long jobId, std::string bytes, bool aborted) {
    HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    auto check = [&](HRESULT hr, const char* what) {
        if (FAILED(hr) && failure_.empty()) {
            char text[160];
            snprintf(text, sizeof text, "%s failed: 0x%08lx", what, (unsigned long)hr);
            failure_ = text;
        }
        return SUCCEEDED(hr);
    };
    {
        Microsoft::WRL::ComPtr<IDriverManager> engine;
        if (check(CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                                   reinterpret_cast<void**>(engine.GetAddressOf())),
                  "creating the DriverManager")) {
            long handle = 0;
            if (check(engine->splStartDoc(BStr(printer).get(), jobId, &handle), "splStartDoc")) {
                BStr output;
                if (check(engine->splWritePrinter(handle, (long)bytes.size(), output.out()), "splWritePrinter") &&
                    !output.empty()) {
                    std::wstring file = output.str();
                    jobFolder_ = file.substr(0, file.find_last_of(L'\\'));
                    CreateDirectoryW(jobFolder_.c_str(), nullptr);
                    try {
                        writeFileBytes(file, bytes);
                    } catch (const cERROR_MSG& error) {
                        failure_ = error.message;
                    }
                }
                if (aborted) {
                    check(engine->splAbort(handle), "splAbort");
                } else {
                    check(engine->splEndDoc(handle), "splEndDoc");
                }
                check(engine->splClose(handle), "splClose");
            }
        }
    }
    if (SUCCEEDED(initialized)) CoUninitialize();
    SetEvent(done_.get());
}

// ---------------------------------------------------------------- documents

std::string labDocument(int pages) {
    std::string text = "%!PS-Adobe-3.0\r\n%%Creator: Kelo lab\r\n%%Pages: " + std::to_string(pages) +
                       "\r\n%%Orientation: Portrait\r\n%%EndComments\r\n<< /PageSize [595 842] >> setpagedevice\r\n"
                       "/Helvetica findfont 12 scalefont setfont\r\n";
    for (int page = 1; page <= pages; page++) {
        text += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\r\n";
        for (int line = 0; line < 60; line++)
            text += "72 " + std::to_string(800 - line * 12) + " moveto (Kelo lab page " + std::to_string(page) +
                    ", line " + std::to_string(line + 1) + ") show\r\n";
        text += "showpage\r\n";
    }
    return text + "%%EOF\r\n";
}

}  // namespace lab
