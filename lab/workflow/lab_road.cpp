#include "lab_road.h"

#include <objbase.h>
#include <filesystem>
#include <wrl/client.h>

#include "bstr.h"
#include "cstring.h"
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
    : m_registeredBefore(classRegistered(clsid)) {
    m_module.reset(LoadLibraryW(dllPath.c_str()));
    if (!m_module)
        throw cERROR_MSG(BV_ERR_GENERAL, "%s cannot be loaded: %s", toUtf8(dllPath).c_str(),
                         errorText(GetLastError()).c_str());
    Entry registerServer = entryOf(m_module.get(), "DllRegisterServer");
    HRESULT hr = registerServer ? registerServer() : E_NOINTERFACE;
    if (FAILED(hr))
        throw cERROR_MSG(BV_ERR_GENERAL, "%s cannot be registered (0x%lx)", toUtf8(dllPath).c_str(), (unsigned long)hr);
}

ScopedDllRegistration::~ScopedDllRegistration() {
    if (!m_registeredBefore)
        if (Entry unregisterServer = entryOf(m_module.get(), "DllUnregisterServer")) unregisterServer();
}

ScopedEngineRegistration::ScopedEngineRegistration(const std::wstring& exePath)
    : m_exePath(exePath), m_registeredBefore(classRegistered(kEngineClsid)) {
    endEngineServers();
    DWORD code = runEngineRegistration(m_exePath, false);
    if (code != 0) throw cERROR_MSG(BV_ERR_GENERAL, "the engine's registration ended with %lu", (unsigned long)code);
}

ScopedEngineRegistration::~ScopedEngineRegistration() {
    try {
        endEngineServers();
        if (!m_registeredBefore) runEngineRegistration(m_exePath, true);
    } catch (const cERROR_MSG&) {
    }
}

// ---------------------------------------------------------------- the system

InstalledSystem::InstalledSystem(SystemSetup setup) : m_setup(std::move(setup)) {
    const std::wstring folder = withSlash(m_setup.programFolder.empty() ? programFolder() : m_setup.programFolder);
    m_setup.programFolder = folder;
    m_engine = std::make_unique<ScopedEngineRegistration>(folder + L"KeloEngine.exe");
    m_web = std::make_unique<ScopedDllRegistration>(folder + L"KeloWeb.dll", kWebClsid);
    m_registry = std::make_unique<ScopedDllRegistration>(folder + L"KeloReg.dll", kRegistryClsid);

    // The monitor as the installer registers it, with its one port.
    m_monitor = std::make_unique<ScopedMonitorRegistration>(kMonitorName, folder + L"ZoltPort.dll");
    deleteRegistryTree(HKEY_LOCAL_MACHINE, m_monitor->registryRoot() + L"\\Private");
    writeRegistryNumber(HKEY_LOCAL_MACHINE, m_monitor->registryRoot() + L"\\Private\\" + m_setup.port, L"active", 0);

    m_printer = std::make_unique<ScopedPrinter>(keloPrinter(m_setup.printer, m_setup.port, m_setup.serverAddress));
    removeJobFolders();

    m_clientSettings = std::make_unique<RegistryBackup>(HKEY_LOCAL_MACHINE, kClientSettingsKey);
    deleteRegistryTree(HKEY_LOCAL_MACHINE, kClientSettingsKey);
    writeRegistryString(HKEY_LOCAL_MACHINE, kClientSettingsKey, L"Version", m_setup.clientVersion);
    writeRegistryNumber(HKEY_LOCAL_MACHINE, kClientSettingsKey, L"language", m_setup.language);

    // As recorderAsBrowser() and recorderAsPackageStarter() make them.
    // Wine: without a window manager every closing window waits two seconds for one;
    // the client's windows are left unmanaged in the lab.
    m_unmanagedWindows = std::make_unique<RegistryBackup>(HKEY_CURRENT_USER, kClientX11Settings);
    writeRegistryString(HKEY_CURRENT_USER, kClientX11Settings, L"Managed", L"N");

    if (m_setup.recorderAsBrowser)
        m_browser = std::make_unique<FileAssociation>(L".htm", L"htmlfile", openCommandFor(recorderProgram()));
    if (m_setup.recorderAsPackageStarter)
        m_packageStarter =
            std::make_unique<FileAssociation>(L".msi", L"Msi.Package", L"\"" + recorderProgram() + L"\" /i \"%1\"");
}

InstalledSystem::~InstalledSystem() {
    try {
        endEngineServers();
    } catch (const cERROR_MSG&) {
    }
    removeJobFolders();
    RemoveDirectoryW(jobsFolder().c_str());
    RemoveDirectoryW((temporaryFolder() + L"KeloJobs").c_str());  // only when nothing else is left in it
    // The members go in the reverse order of their making: the associations first, the engine last.
}

std::wstring InstalledSystem::jobsFolder() const { return temporaryFolder() + L"KeloJobs\\" + m_setup.printer + L"\\"; }

std::vector<std::wstring> InstalledSystem::jobFolders() const {
    std::vector<std::wstring> folders;
    std::error_code none;  // no folder yet: no job folders
    for (const auto& entry : std::filesystem::directory_iterator(jobsFolder(), none))
        if (entry.is_directory(none)) folders.push_back(jobsFolder() + entry.path().filename().wstring());
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
    : RunningClient(
          std::make_unique<gui::ProgramUnderTest>(quoteArgument(withSlash(programFolder) + L"KeloClient.exe")),
          timeoutMs) {}

RunningClient::RunningClient(std::unique_ptr<gui::ProgramUnderTest> program, DWORD timeoutMs)
    : m_program(std::move(program)) {
    if (!m_program->waitForOutput("frmPrinterClientMain - started", timeoutMs))
        throw cERROR_MSG(BV_ERR_GENERAL, "the client did not start: %s", m_program->output().c_str());
}

RunningClient::~RunningClient() { end(); }

HWND RunningClient::waitForWindow(const std::wstring& caption, DWORD timeoutMs, HWND excluding) const {
    return gui::waitForWindow(caption, timeoutMs, m_program->processId(), excluding);
}

void RunningClient::end() {
    if (!m_program->running()) return;
    // What the notification area tells the client when its icon is double-clicked:
    // the main window shows, and its Unload button ends the program.
    HWND tray = gui::findWindowOfClass(L"KeloTrayHandle", m_program->processId());
    HWND main = gui::findWindowOfClass(L"KeloPrinterClientMain", m_program->processId());
    if (tray && main) {
        PostMessageW(tray, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
        if (gui::waitUntil([&] { return IsWindowVisible(main) != FALSE; }, 5000)) {
            gui::click(gui::childWithText(main, L"&Unload"));
            if (m_program->waitForExit(15000)) return;
        }
    }
    m_program->terminate();
}

// ---------------------------------------------------------------- printing

PrintRun::PrintRun(const std::wstring& programFolder, const std::wstring& printer, const std::wstring& file,
                   const std::wstring& documentName, const std::wstring& extraArguments)
    : m_program(quoteArgument(withSlash(programFolder) + L"lab-spooler.exe") + L" --print " + quoteArgument(printer) +
                L" " + quoteArgument(file) + (documentName.empty() ? L"" : L" --name " + quoteArgument(documentName)) +
                (extraArguments.empty() ? L"" : L" " + extraArguments)) {}

EngineDocument::EngineDocument(const std::wstring& printer, long jobId, const std::string& bytes, bool aborted)
    : m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_thread(&EngineDocument::run, this, printer, jobId, bytes, aborted) {}

EngineDocument::~EngineDocument() {
    if (m_thread.joinable()) m_thread.join();
}

bool EngineDocument::waitForEnd(DWORD timeoutMs) {
    if (WaitForSingleObject(m_done.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    if (m_thread.joinable()) m_thread.join();
    return m_failure.empty();
}

std::string EngineDocument::failure() const { return m_failure; }

std::wstring EngineDocument::jobFolder() const { return m_jobFolder; }

void EngineDocument::run(std::wstring printer, long jobId, std::string bytes, bool aborted) {
    HRESULT initialized = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    auto check = [&](HRESULT hr, const char* what) {
        if (FAILED(hr) && m_failure.empty())
            m_failure = cSTRING::format("%s failed: 0x%08lx", what, (unsigned long)hr).str();
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
                    m_jobFolder = file.substr(0, file.find_last_of(L'\\'));
                    CreateDirectoryW(m_jobFolder.c_str(), nullptr);
                    try {
                        writeFileBytes(file, bytes);
                    } catch (const cERROR_MSG& error) {
                        m_failure = error.message;
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
    SetEvent(m_done.get());
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
