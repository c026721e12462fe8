// bench-latency: from the end of printing to the browser being started, through the
// tray client's road of a job.
//
//   bench-latency <KeloClient.exe> <lab-spooler.exe> <printer> <document> <block> <runs>
//                 [--capture <large document> <block>]
//
// The lab's recorder plays the browser. The client is started once; then each run
// prints the document through the spooler stand-in and measures from the moment the
// stand-in reports its EndDocPort to the moment the recorder has written its line. The
// first run also logs the client in (the robot fills the login dialog as "alice") and is
// reported apart; the median is taken over the others. Each job's moments are printed
// as Unix times in milliseconds ("job enddoc_ms= jobxml_ms= browser_ms="), so that the
// provider stand-in's records of the same jobs can be put between them.
//
// With --capture, the runs after the first print the large document instead, with the
// client attached to the printer (the engine then calls the client once per block), and
// print the stand-in's time for each ("capture ms= blocks=").
//
// Exit status: 0 with results; 3 when the client did not complete the first job (no
// browser start within the wait, or an error message of the client): the road is
// missing or broken; 1 for any other failure; 2 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "error_msg.h"
#include "handles.h"
#include "lab_gui.h"
#include "lab_paths.h"
#include "lab_process.h"
#include "lab_recorder.h"
#include "lab_text.h"
#include "resource_ids.h"

namespace gui = lab::gui;

namespace {

const wchar_t kLoginCaption[] = L"Print Driver - Login";
const wchar_t kErrorCaption[] = L"Print Driver - Error";
const DWORD kJobWaitMs = 60000;
const DWORD kCaptureWaitMs = 900000;

// The client cannot complete a job; the text says why.
struct NoRoad {
    std::string reason;
};

// A program whose output this process reads while it runs, line by line, without a
// thread: the caller polls.
class PipedProgram {
public:
    explicit PipedProgram(const std::wstring& commandLine) {
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        if (!CreatePipe(&read, &write, &inheritable, 0))
            throw cERROR_MSG(BV_ERR_GENERAL, "CreatePipe failed (%lu)", GetLastError());
        m_read.reset(read);
        FileHandle writeEnd(write);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = write;
        startup.hStdError = write;
        PROCESS_INFORMATION process = {};
        std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
        line.push_back(L'\0');
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
            throw cERROR_MSG(BV_ERR_GENERAL, "cannot start %s (%lu)", lab::toUtf8(commandLine).c_str(), GetLastError());
        CloseHandle(process.hThread);
        m_process.reset(process.hProcess);
    }

    // The complete lines that arrived since the last call.
    std::vector<std::string> newLines() {
        DWORD available = 0;
        if (PeekNamedPipe(m_read.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            std::string bytes(available, '\0');
            DWORD read = 0;
            if (ReadFile(m_read.get(), &bytes[0], available, &read, nullptr)) m_pending.append(bytes, 0, read);
        }
        std::vector<std::string> lines;
        for (size_t end; (end = m_pending.find('\n')) != std::string::npos; m_pending.erase(0, end + 1)) {
            lines.push_back(m_pending.substr(0, end));
            m_output += lines.back() + "\n";
        }
        return lines;
    }

    bool ended() const { return WaitForSingleObject(m_process.get(), 0) == WAIT_OBJECT_0; }
    DWORD exitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(m_process.get(), &code);
        return code;
    }
    const std::string& output() const { return m_output; }

private:
    FileHandle m_read;
    KernelHandle m_process;
    std::string m_pending;
    std::string m_output;
};

unsigned long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return ((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

// Fills the client's login dialog when it is up; true when it did.
bool answerLogin(DWORD client) {
    HWND dialog = gui::findWindow(kLoginCaption, client);
    if (!dialog) return false;
    HWND user = GetDlgItem(dialog, IDC_LOGIN_USER), password = GetDlgItem(dialog, IDC_LOGIN_PASSWORD);
    gui::clearText(user);
    gui::typeText(user, L"alice");
    gui::clearText(password);
    gui::typeText(password, L"secret");
    gui::click(dialog, IDOK);
    gui::waitForWindowGone(dialog);
    return true;
}

// Now as a Unix time in milliseconds (the clock the provider stand-in's records use).
double unixMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG ticks = ((ULONGLONG)now.dwHighDateTime << 32) | now.dwLowDateTime;
    return (double)(ticks - 116444736000000000ull) / 10000.0;
}

// True when a job folder of the printer holds its description.
bool descriptionWritten(const std::wstring& printerJobs) {
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW((printerJobs + L"*").c_str(), &found));
    if (!search) return false;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != L'.' &&
            lab::fileExists(printerJobs + found.cFileName + L"\\job.xml"))
            return true;
    } while (FindNextFileW(search.get(), &found));
    return false;
}

struct JobTimes {
    double endDoc = -1, description = -1, browser = -1;  // Unix times in ms
    std::string document;                                // the stand-in's "document ..." line
};

// One job: printed, then waited for until the recorder has its line.
JobTimes oneJob(const std::wstring& command, const std::wstring& printerJobs, const lab::RecorderLog& log, DWORD client,
                bool& loggedIn, DWORD waitMs) {
    const size_t before = log.lines().size();
    const unsigned long long logSize = fileSize(log.path());
    bench::Stopwatch clock;
    JobTimes times;
    double& endDoc = times.endDoc;
    double& browser = times.browser;
    PipedProgram spooler(command);
    while (browser < 0 || !spooler.ended()) {
        for (const std::string& line : spooler.newLines()) {
            if (line.rfind("enddocport ", 0) == 0) {
                endDoc = unixMs();
                if (line.find(" result=1 ") == std::string::npos)
                    throw cERROR_MSG(BV_ERR_GENERAL, "EndDocPort failed: %s", line.c_str());
            }
            if (line.rfind("document ", 0) == 0) times.document = line;
        }
        if (endDoc >= 0 && times.description < 0 && descriptionWritten(printerJobs)) times.description = unixMs();
        if (browser < 0 && fileSize(log.path()) != logSize && log.lines().size() > before) browser = unixMs();
        if (browser < 0 && !loggedIn) loggedIn = answerLogin(client);
        if (HWND error = gui::findWindow(kErrorCaption, client))
            throw NoRoad{"the client reports: " + lab::toUtf8(gui::messageBoxText(error))};
        if (clock.ms() > waitMs) {
            if (endDoc < 0) throw cERROR_MSG(BV_ERR_GENERAL, "the document did not end:\n%s", spooler.output().c_str());
            throw NoRoad{"no browser start within " + std::to_string(waitMs / 1000) + " s of the start of printing"};
        }
        Sleep(1);
    }
    for (const std::string& line : spooler.newLines())
        if (line.rfind("document ", 0) == 0) times.document = line;
    if (spooler.exitCode() != 0)
        throw cERROR_MSG(BV_ERR_GENERAL, "the spooler stand-in failed:\n%s", spooler.output().c_str());
    if (endDoc < 0) throw cERROR_MSG(BV_ERR_GENERAL, "no EndDocPort line:\n%s", spooler.output().c_str());
    printf("job enddoc_ms=%s jobxml_ms=%s browser_ms=%s\n", bench::number(endDoc, 1).c_str(),
           bench::number(times.description, 1).c_str(), bench::number(browser, 1).c_str());
    fflush(stdout);
    return times;
}

// A field of a report line ("ms=123" of "document ... ms=123 ..."); "-" when missing.
std::string reportField(const std::string& line, const std::string& name) {
    size_t at = line.find(" " + name + "=");
    if (at == std::string::npos) return "-";
    at += name.size() + 2;
    return line.substr(at, line.find(' ', at) - at);
}

int run(const std::vector<std::wstring>& args) {
    const std::wstring clientExe = args[0], spoolerExe = args[1], printer = args[2], document = args[3];
    const std::wstring block = args[4];
    const int runs = _wtoi(args[5].c_str());
    if (!lab::fileExists(clientExe)) throw NoRoad{"there is no " + lab::toUtf8(clientExe)};

    lab::TempFolder folder(L"bench-latency");
    lab::FileAssociation browser = lab::recorderAsBrowser();
    lab::RecorderLog log(folder.file(L"browser.log"));
    gui::ProgramUnderTest client(lab::quoteArgument(clientExe));
    struct Unload {
        gui::ProgramUnderTest& client;
        ~Unload() {
            if (HWND main = gui::findWindowOfClass(L"KeloPrinterClientMain", client.processId()))
                gui::click(main, IDC_MAIN_UNLOAD);
            if (!client.waitForExit(10000)) client.terminate();
        }
    } unload{client};
    if (!gui::waitUntil([&] { return gui::findWindowOfClass(L"KeloPrinterClientMain", client.processId()) != nullptr; },
                        20000))
        throw NoRoad{"the client's main window did not come up"};

    auto printCommand = [&](const std::wstring& file, const std::wstring& blockSize) {
        return lab::quoteArgument(spoolerExe) + L" --quiet-blocks --block " + blockSize + L" --print " +
               lab::quoteArgument(printer) + L" " + lab::quoteArgument(file);
    };
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring printerJobs = std::wstring(temp) + L"KeloJobs\\" + printer + L"\\";
    bool loggedIn = false;
    JobTimes first = oneJob(printCommand(document, block), printerJobs, log, client.processId(), loggedIn, kJobWaitMs);
    if (args.size() == 9) {
        for (int i = 0; i < runs; i++) {
            JobTimes capture =
                oneJob(printCommand(args[7], args[8]), printerJobs, log, client.processId(), loggedIn, kCaptureWaitMs);
            printf("capture ms=%s blocks=%s\n", reportField(capture.document, "ms").c_str(),
                   reportField(capture.document, "blocks").c_str());
        }
        return 0;
    }
    std::vector<double> latencies;
    for (int i = 0; i < runs; i++) {
        JobTimes times =
            oneJob(printCommand(document, block), printerJobs, log, client.processId(), loggedIn, kJobWaitMs);
        latencies.push_back(times.browser - times.endDoc);
    }
    bench::printTimes("latency", latencies,
                      "first_ms=" + bench::number(first.browser - first.endDoc) + " login=" + (loggedIn ? "1" : "0") +
                          " bytes=" + std::to_string(fileSize(document)));
    return 0;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    std::vector<std::wstring> args = lab::commandLineArguments();
    bool capture = args.size() == 9 && args[6] == L"--capture";
    if ((args.size() != 6 && !capture) || _wtoi(args[5].c_str()) <= 0) {
        fputs(
            "usage: bench-latency <KeloClient.exe> <lab-spooler.exe> <printer> <document> <block> <runs>\n"
            "                     [--capture <large document> <block>]\n",
            stderr);
        return 2;
    }
    try {
        return run(args);
    } catch (const NoRoad& missing) {
        printf("skipped reason=\"%s\"\n", missing.reason.c_str());
        return 3;
    } catch (const cERROR_MSG& error) {
        fprintf(stderr, "bench-latency: %s\n", error.message);
        return 1;
    }
}
