// bench-latency: from the end of printing to the browser being started, through the
// tray client's job workflow.
//
//   bench-latency <KeloClient.exe> <lab-spooler.exe> <printer> <document> <block> <runs>
//
// The lab's recorder plays the browser. The client is started once; then each run
// prints the document through the spooler stand-in and measures from the moment the
// stand-in reports its EndDocPort to the moment the recorder has written its line. The
// first run also logs the client in (the robot fills the login dialog as "alice") and is
// reported apart; the median is taken over the others.
//
// Exit status: 0 with results; 3 when the client did not complete the first job (no
// browser start within the wait, or an error message of the client): the workflow is
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

// The client cannot complete a job; the text says why.
struct NoWorkflow {
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
        read_.reset(read);
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
        process_.reset(process.hProcess);
    }

    // The complete lines that arrived since the last call.
    std::vector<std::string> newLines() {
        DWORD available = 0;
        if (PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            std::string bytes(available, '\0');
            DWORD read = 0;
            if (ReadFile(read_.get(), &bytes[0], available, &read, nullptr)) pending_.append(bytes, 0, read);
        }
        std::vector<std::string> lines;
        for (size_t end; (end = pending_.find('\n')) != std::string::npos; pending_.erase(0, end + 1)) {
            lines.push_back(pending_.substr(0, end));
            output_ += lines.back() + "\n";
        }
        return lines;
    }

    bool ended() const { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }
    DWORD exitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    const std::string& output() const { return output_; }

private:
    FileHandle read_;
    KernelHandle process_;
    std::string pending_;
    std::string output_;
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

// One job: printed, then waited for until the recorder has its line. Returns the time
// from the end of EndDocPort to the recorder's line, in milliseconds.
double oneJob(const std::wstring& command, const lab::RecorderLog& log, DWORD client, bool& loggedIn) {
    const size_t before = log.lines().size();
    const unsigned long long logSize = fileSize(log.path());
    bench::Stopwatch clock;
    double endDoc = -1, browser = -1;
    PipedProgram spooler(command);
    while (browser < 0 || !spooler.ended()) {
        for (const std::string& line : spooler.newLines()) {
            if (line.rfind("enddocport ", 0) == 0) {
                endDoc = clock.ms();
                if (line.find(" result=1 ") == std::string::npos)
                    throw cERROR_MSG(BV_ERR_GENERAL, "EndDocPort failed: %s", line.c_str());
            }
        }
        if (browser < 0 && fileSize(log.path()) != logSize && log.lines().size() > before) browser = clock.ms();
        if (browser < 0 && !loggedIn) loggedIn = answerLogin(client);
        if (HWND error = gui::findWindow(kErrorCaption, client))
            throw NoWorkflow{"the client reports: " + lab::toUtf8(gui::messageBoxText(error))};
        if (clock.ms() > kJobWaitMs) {
            if (endDoc < 0) throw cERROR_MSG(BV_ERR_GENERAL, "the document did not end:\n%s", spooler.output().c_str());
            throw NoWorkflow{"no browser start within " + std::to_string(kJobWaitMs / 1000) + " s of the start of printing"};
        }
        Sleep(1);
    }
    spooler.newLines();
    if (spooler.exitCode() != 0)
        throw cERROR_MSG(BV_ERR_GENERAL, "the spooler stand-in failed:\n%s", spooler.output().c_str());
    if (endDoc < 0) throw cERROR_MSG(BV_ERR_GENERAL, "no EndDocPort line:\n%s", spooler.output().c_str());
    return browser - endDoc;
}

int run(const std::vector<std::wstring>& args) {
    const std::wstring clientExe = args[0], spoolerExe = args[1], printer = args[2], document = args[3];
    const std::wstring block = args[4];
    const int runs = _wtoi(args[5].c_str());
    if (!lab::fileExists(clientExe)) throw NoWorkflow{"there is no " + lab::toUtf8(clientExe)};

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
        throw NoWorkflow{"the client's main window did not come up"};

    const std::wstring command = lab::quoteArgument(spoolerExe) + L" --quiet-blocks --block " + block + L" --print " +
                                 lab::quoteArgument(printer) + L" " + lab::quoteArgument(document);
    bool loggedIn = false;
    double first = oneJob(command, log, client.processId(), loggedIn);
    std::vector<double> latencies;
    for (int i = 0; i < runs; i++) latencies.push_back(oneJob(command, log, client.processId(), loggedIn));
    bench::printTimes("latency", latencies,
                      "first_ms=" + bench::number(first) + " login=" + (loggedIn ? "1" : "0") +
                          " bytes=" + std::to_string(fileSize(document)));
    return 0;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    std::vector<std::wstring> args = lab::commandLineArguments();
    if (args.size() != 6 || _wtoi(args[5].c_str()) <= 0) {
        fputs("usage: bench-latency <KeloClient.exe> <lab-spooler.exe> <printer> <document> <block> <runs>\n", stderr);
        return 2;
    }
    try {
        return run(args);
    } catch (const NoWorkflow& missing) {
        printf("skipped reason=\"%s\"\n", missing.reason.c_str());
        return 3;
    } catch (const cERROR_MSG& error) {
        fprintf(stderr, "bench-latency: %s\n", error.message);
        return 1;
    }
}
