// lab-spooler: the lab's spooler stand-in on the command line. See usage below.
#include "lab_spooler.h"
#include "lab_text.h"

#include <cstdio>
#include <cwchar>

namespace {

const char kUsage[] =
    "usage: lab-spooler [--block N] [--quiet-blocks]\n"
    "                   --print <printer> <file> [--name <document name>]\n"
    "                                            [--abort-after N [--no-enddoc]] ...\n"
    "       lab-spooler [--block N] [--quiet-blocks] --copy-only <file> <dest>\n"
    "Each --print is one document; all documents run at once, each on its own thread.\n"
    "--name, --abort-after and --no-enddoc belong to the --print before them.\n"
    "--block sets the WritePort block size for all (default 4096); --quiet-blocks\n"
    "leaves out the line of each successful block. One line per call goes to standard\n"
    "output. Exit status: 0 when every document went as asked, 1 when one failed,\n"
    "2 for a bad command line.\n";

bool parseCount(const std::wstring& text, unsigned long long& value) {
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring::npos || text.size() > 10) return false;
    value = wcstoull(text.c_str(), nullptr, 10);
    return true;
}

struct CommandLine {
    std::vector<lab::DocumentRequest> documents;
    bool copy = false;
    lab::CopyRequest copyRequest;
    lab::StandInOptions options;
};

bool parse(const std::vector<std::wstring>& args, CommandLine& command) {
    DWORD blockSize = lab::kDefaultBlockSize;
    for (size_t i = 0; i < args.size(); i++) {
        const std::wstring& option = args[i];
        size_t left = args.size() - i - 1;
        unsigned long long number = 0;
        if (option == L"--print" && left >= 2) {
            lab::DocumentRequest request;
            request.printer = args[++i];
            request.file = args[++i];
            command.documents.push_back(request);
        } else if (option == L"--copy-only" && left >= 2 && !command.copy) {
            command.copy = true;
            command.copyRequest.file = args[++i];
            command.copyRequest.destination = args[++i];
        } else if (option == L"--block" && left >= 1 && parseCount(args[++i], number) && number > 0 &&
                   number <= 0x7fffffff) {
            blockSize = (DWORD)number;
        } else if (option == L"--quiet-blocks") {
            command.options.blockLines = false;
        } else if (option == L"--name" && left >= 1 && !command.documents.empty()) {
            command.documents.back().name = args[++i];
        } else if (option == L"--abort-after" && left >= 1 && !command.documents.empty() &&
                   parseCount(args[++i], number) && number <= 0x7fffffff) {
            command.documents.back().abortAfterBlocks = (long)number;
        } else if (option == L"--no-enddoc" && !command.documents.empty() &&
                   command.documents.back().abortAfterBlocks >= 0) {
            command.documents.back().endDocOnAbort = false;
        } else {
            return false;
        }
    }
    for (lab::DocumentRequest& request : command.documents) request.blockSize = blockSize;
    command.copyRequest.blockSize = blockSize;
    return command.copy != !command.documents.empty();
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    CommandLine command;
    if (!parse(lab::commandLineArguments(), command)) {
        fputs(kUsage, stderr);
        return 2;
    }
    lab::Report report(stdout);
    if (command.copy) {
        lab::DocumentResult result = lab::copyOnly(command.copyRequest, report, command.options);
        return result.outcome == lab::DocumentOutcome::Copied ? 0 : 1;
    }
    lab::SpoolerStandIn standIn(report, command.options);
    int status = 0;
    for (const lab::DocumentResult& result : standIn.printAll(command.documents))
        if (result.outcome == lab::DocumentOutcome::Failed) status = 1;
    return status;
}
