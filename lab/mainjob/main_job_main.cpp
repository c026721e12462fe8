// lab-main-job.exe: installs the Kelo Print Driver in the lab's Wine prefix, prints one
// document and follows it to the provider's order page. lab/main-job.sh runs it.
#include <cstdio>
#include <string>
#include <vector>

#include "lab_text.h"
#include "road.h"

namespace {

const char kUsage[] =
    "usage: lab-main-job --package <msi> --document <ps file> --out <folder>\n"
    "                    [--name <document name>] [--provider <host:port>]\n"
    "                    [--user <name>] [--password <text>] [--site <printer name>]\n"
    "                    [--slow-upload <bytes per second>]\n"
    "Without --provider the lab's provider stand-in is started on 127.0.0.1.\n";

bool parse(const std::vector<std::wstring>& args, mainjob::RoadOptions& options) {
    for (size_t i = 0; i + 1 < args.size(); i += 2) {
        const std::wstring& option = args[i];
        const std::wstring& value = args[i + 1];
        if (option == L"--package")
            options.package = value;
        else if (option == L"--document")
            options.document = value;
        else if (option == L"--out")
            options.outFolder = value;
        else if (option == L"--name")
            options.documentName = value;
        else if (option == L"--provider")
            options.provider = value;
        else if (option == L"--user")
            options.user = value;
        else if (option == L"--password")
            options.password = value;
        else if (option == L"--site")
            options.site = value;
        else if (option == L"--slow-upload" && value.find_first_not_of(L"0123456789") == std::wstring::npos &&
                 !value.empty() && value.size() < 10)
            options.slowUpload = std::stol(value);
        else
            return false;
    }
    return args.size() % 2 == 0 && !options.package.empty() && !options.document.empty() &&
           !options.outFolder.empty() && !options.site.empty();
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    mainjob::RoadOptions options;
    if (!parse(lab::commandLineArguments(), options)) {
        fputs(kUsage, stderr);
        return 2;
    }
    return mainjob::runRoad(options);
}
