#include "road.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <winspool.h>

#include <memory>
#include <optional>
#include <stdexcept>

#include "error_msg.h"
#include "handles.h"
#include "job_watch.h"
#include "lab_engine.h"
#include "lab_gui.h"
#include "lab_paths.h"
#include "lab_recorder.h"
#include "lab_registry.h"
#include "lab_text.h"
#include "lab_road.h"
#include "order_url.h"
#include "package_run.h"
#include "provider_client.h"
#include "resource_ids.h"
#include "road_log.h"

namespace mainjob {
namespace {

const wchar_t kClientSettingsKey[] = L"SOFTWARE\\Vorlane\\Kelo Print Driver";
const wchar_t kLoginCaption[] = L"Print Driver - Login";
const wchar_t kUploadCaption[] = L"Print Driver - Uploading Job";

struct RoadFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string utf8(const std::wstring& text) { return lab::toUtf8(text); }

std::wstring programFilesFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder)))
        throw RoadFailure("the Program Files folder is unknown");
    return folder;
}

std::wstring tempFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, folder);
    return folder;
}

int pagesOf(const std::string& postScript) {
    int pages = 0;
    for (size_t at = postScript.find("%%Page:"); at != std::string::npos; at = postScript.find("%%Page:", at + 1))
        if (at == 0 || postScript[at - 1] == '\n' || postScript[at - 1] == '\r') pages++;
    return pages;
}

// Runs the package's installation as a user's installer does, without its user interface.
void install(RoadLog& log, const RoadOptions& options, const std::wstring& address) {
    std::wstring command =
        lab::packageCommand(L"/i", options.package, {{L"INSTALL_SITE", options.site}, {L"INSTALL_IP", address}},
                            options.outFolder + L"\\install.log");
    log.step("install", utf8(command));
    DWORD exitCode = lab::runPackageCommand(command);
    if (exitCode != 0)
        throw RoadFailure("the installation failed with exit code " + std::to_string(exitCode) + ", see install.log");

    PrinterHandle printer;
    HANDLE opened = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(options.site.c_str()), &opened, nullptr))
        throw RoadFailure("the installation made no printer \"" + utf8(options.site) + "\"");
    printer.reset(opened);
    DWORD needed = 0;
    GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed))
        throw RoadFailure("the printer's settings cannot be read: " + lab::errorText(GetLastError()));
    const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    log.step("install", "done: printer \"" + utf8(info->pPrinterName) + "\" on port " + utf8(info->pPortName) +
                            ", driver \"" + utf8(info->pDriverName) + "\"");
    log.detail("comment \"" + utf8(info->pComment ? info->pComment : L"") + "\"");
}

HWND waitForClientWindow(lab::RunningClient& client, const wchar_t* caption, DWORD timeoutMs) {
    HWND window = client.waitForWindow(caption, timeoutMs);
    if (!window) throw RoadFailure("the client showed no window \"" + utf8(caption) + "\"");
    return window;
}

void logIn(RoadLog& log, lab::RunningClient& client, const RoadOptions& options) {
    HWND dialog = waitForClientWindow(client, kLoginCaption, 120000);
    log.step("login", "the client asks for the login: \"" + utf8(kLoginCaption) + "\"");
    lab::gui::clearText(GetDlgItem(dialog, IDC_LOGIN_USER));
    lab::gui::typeText(GetDlgItem(dialog, IDC_LOGIN_USER), options.user);
    lab::gui::typeText(GetDlgItem(dialog, IDC_LOGIN_PASSWORD), options.password);
    if (log.screenshot(options.outFolder, "login-dialog", dialog)) log.detail("screenshot login-dialog.png");
    if (!lab::gui::click(dialog, IDOK)) throw RoadFailure("the login dialog's OK button cannot be clicked");
    log.step("login", "user \"" + utf8(options.user) + "\" and the password typed, OK clicked");
    if (!lab::gui::waitForWindowGone(dialog, 60000)) throw RoadFailure("the login dialog did not close");
}

// A control's text as the window manager keeps it: read without a message, so that a
// window whose thread is busy does not hold the reader up.
std::string controlText(HWND window, int id) {
    wchar_t text[256] = {};
    InternalGetWindowText(GetDlgItem(window, id), text, 256);
    return utf8(text);
}

// The upload's state as the window shows it, or nothing while its thread is busy.
std::optional<std::string> uploadState(HWND window) {
    HWND bar = GetDlgItem(window, IDC_UPLOAD_PROGRESS);
    DWORD_PTR high = 0, position = 0;
    if (!SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 100, &high) ||
        !SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 100, &position))
        return std::nullopt;
    long percent = high ? (long)(position * 100 / high) : 0;
    return std::to_string(percent) + " %, status \"" + controlText(window, IDC_UPLOAD_STATUS) + "\"";
}

// A message box of the client (a refused login, an error), or null.
HWND clientMessageBox(lab::RunningClient& client) {
    for (const wchar_t* caption : {L"Login error", L"Print Driver - Error!", L"Print Driver"})
        if (HWND box = client.waitForWindow(caption, 0)) return box;
    return nullptr;
}

// Follows the upload window from its appearance to its end. A client that shows a
// message box instead ends the road with its text.
void followUpload(RoadLog& log, lab::RunningClient& client, lab::RecorderLog& browser, const RoadOptions& options) {
    HWND window = nullptr, box = nullptr;
    bool browserStarted = false;
    lab::gui::waitUntil(
        [&] {
            window = client.waitForWindow(kUploadCaption, 0);
            box = window ? nullptr : clientMessageBox(client);
            browserStarted = !window && !box && !browser.lines().empty();
            return window || box || browserStarted;
        },
        120000);
    if (box) throw RoadFailure("the client says: \"" + utf8(lab::gui::messageBoxText(box)) + "\"");
    if (browserStarted) {
        log.step("upload", "done before its window could be followed");
        return;
    }
    if (!window) throw RoadFailure("the client showed no upload window");
    log.step("upload", "window \"" + utf8(kUploadCaption) + "\": job \"" + controlText(window, IDC_UPLOAD_JOBNAME) +
                           "\", size \"" + controlText(window, IDC_UPLOAD_SIZE) + "\"");
    std::string shown;
    bool photographed = false;
    while (IsWindow(window) && IsWindowVisible(window)) {
        std::optional<std::string> state = uploadState(window);
        if (!IsWindowVisible(window)) break;
        if (state && *state != shown) log.step("upload", shown = *state);
        if (!photographed && state) {
            photographed = true;
            if (log.screenshot(options.outFolder, "upload-window", window)) log.detail("screenshot upload-window.png");
        }
        Sleep(100);
    }
    log.step("upload", "window closed");
}

// What the provider stand-in received, checked against the printed file.
std::string checkArrival(RoadLog& log, lab::ProviderStandIn& provider, const RoadOptions& options,
                         const std::string& printed) {
    lab::JsonValue uploads;
    if (!lab::gui::waitUntil([&] { return (uploads = provider.uploads()).size() > 0; }, 30000))
        throw RoadFailure("nothing arrived at the provider");
    if (uploads.at(0)["files"].size() != 1) throw RoadFailure("the upload holds no file");
    const lab::JsonValue& file = uploads.at(0)["files"].at(0);
    std::string arrived = provider.uploadedFile(0, true);
    std::string kept = file["server_path"].text();
    std::string name = kept.substr(kept.find_last_of('/') + 1);
    log.step("server", "received \"" + file["filename"].text() + "\" (" + std::to_string(file["size"].integer()) +
                           " bytes), unzipped " + std::to_string(arrived.size()) + " bytes, " +
                           std::to_string(pagesOf(arrived)) + " pages, kept as " + kept);
    CreateDirectoryW((options.outFolder + L"\\received").c_str(), nullptr);
    std::wstring copy = options.outFolder + L"\\received\\" + lab::fromUtf8(name);
    lab::writeFileBytes(copy, arrived);
    if (arrived != printed) throw RoadFailure("the file that arrived differs from the printed one");
    log.detail("byte-identical to the printed file; a copy is in received\\" + name);
    return name;
}

std::string followBrowser(RoadLog& log, lab::RecorderLog& browser, lab::ProviderStandIn* provider) {
    if (!browser.waitForLines(1, 120000)) throw RoadFailure("the browser was not started");
    std::string url = utf8(lab::pageOf(browser.lines().front()));
    if (url.size() > 1 && url.front() == '"' && url.back() == '"') url = url.substr(1, url.size() - 2);
    log.step("browser", "started with " + url);
    auto fields = queryFields(url);
    for (const char* name : {"encrypt", "username", "password", "localizationsection", "filename"})
        log.detail(std::string(name) + " = \"" + fieldValue(fields, name) + "\"");
    for (const char* name : {"username", "password", "filename"})
        if (fieldValue(fields, name).empty()) throw RoadFailure(std::string("the order page URL has no ") + name);
    if (provider) {
        lab::HttpReply page = lab::httpRequest(L"GET", lab::fromUtf8(url));
        const lab::JsonValue pages = provider->requests();
        std::string user;
        for (const lab::JsonValue& request : pages.items())
            if (request["kind"].text() == "page" && request.has("credentials"))
                user = request["credentials"]["username"].text();
        log.step("browser", "the order page answers " + std::to_string(page.status) +
                                "; the provider reads the user \"" + user + "\" from it");
        if (page.status != 200) throw RoadFailure("the order page did not open");
    }
    return url;
}

}  // namespace

int runRoad(const RoadOptions& options) {
    RoadLog log;
    try {
        std::string printed = lab::readFileBytes(options.document);
        std::unique_ptr<lab::ProviderStandIn> provider;
        std::wstring address = options.provider;
        if (address.empty()) {
            provider = std::make_unique<lab::ProviderStandIn>();
            address = L"127.0.0.1:" + std::to_wstring(provider->port());
            log.step("provider", "the provider stand-in answers on http://" + utf8(address) + " (user \"alice\", " +
                                     "password \"secret\")");
            if (options.slowUpload > 0) {
                provider->script("{\"method\": \"upload\", \"throttle\": " + std::to_string(options.slowUpload) + "}");
                log.detail("it reads uploads at " + std::to_string(options.slowUpload) +
                           " bytes a second, so that the upload window can be seen");
            }
        } else {
            log.step("provider", "the provider at " + utf8(address));
        }

        install(log, options, address);
        // The user's choice in the client's settings: English.
        lab::writeRegistryNumber(HKEY_LOCAL_MACHINE, kClientSettingsKey, L"language", 1);
        lab::RecorderLog browser(options.outFolder + L"\\browser.log");
        lab::FileAssociation browserProgram = lab::recorderAsBrowser();

        std::wstring programFolder = programFilesFolder() + L"\\Vorlane\\Kelo Print Driver";
        lab::RunningClient client(programFolder, 60000);
        log.step("client", "KeloClient.exe started from " + utf8(programFolder) + " (process " +
                               std::to_string(client.processId()) + ")");

        JobWatch jobs(log, tempFolder() + L"KeloJobs\\" + options.site + L"\\");
        std::wstring documentName = options.documentName.empty() ? options.document : options.documentName;
        lab::PrintRun print(lab::programFolder(), options.site, options.document, documentName, L"--quiet-blocks");
        log.step("print", "\"" + utf8(documentName) + "\" (" + std::to_string(printed.size()) + " bytes, " +
                              std::to_string(pagesOf(printed)) + " pages) printed to \"" + utf8(options.site) + "\"");

        logIn(log, client, options);
        followUpload(log, client, browser, options);
        std::optional<DWORD> printStatus = print.waitForEnd(120000);
        log.step("print", "the spooler stand-in ended with status " +
                              (printStatus ? std::to_string(*printStatus) : std::string("(still running)")));
        std::string arrived = provider ? checkArrival(log, *provider, options, printed) : std::string();
        std::string url = followBrowser(log, browser, provider.get());

        client.end();
        lab::endEngineServers();
        log.step("summary", "\"" + utf8(documentName) + "\": " + std::to_string(printed.size()) + " bytes, " +
                                std::to_string(pagesOf(printed)) + " pages, printed on \"" + utf8(options.site) + "\"");
        if (provider) log.detail("arrived at the provider as \"" + arrived + "\", byte-identical after unzipping");
        log.detail("order page opened: " + url);
        return 0;
    } catch (const RoadFailure& failure) {
        log.step("FAILED", failure.what());
    } catch (const cERROR_MSG& error) {
        log.step("FAILED", error.message);
    }
    lab::endEngineServers();
    return 1;
}

}  // namespace mainjob
