// engine-job: drives one whole print job through the registered engine, from this
// process, the way the port monitor does: start, three writes whose bytes go into the
// file the engine names, end, close. Then prints the job's folder and its job.xml.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bstr.h"
#include "com/object.h"
#include "engine_h.h"
#include "error_msg.h"
#include "lab_engine.h"
#include "lab_paths.h"
#include "lab_text.h"

namespace {

const char kUsage[] =
    "usage: engine-job run <printer> [<spooler job id>]\n"
    "       engine-job end-server\n";

// The three blocks the spooler hands over for a two-page A4 document.
const char* const kBlocks[] = {
    "%!PS-Adobe-3.0\r\n%%Creator: engine-job\r\n%%Orientation: Portrait\r\n%%Pages: 2\r\n%%EndComments\r\n"
    "<< /PageSize [595 842] >> setpagedevice\r\n",
    "%%Page: 1 1\r\n/Helvetica findfont 24 scalefont setfont 72 720 moveto (Kelo page one) show showpage\r\n",
    "%%Page: 2 2\r\n72 720 moveto (Kelo page two) show showpage\r\n%%EOF\r\n",
};

void print(const std::string& text) {
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

void check(HRESULT hr, const char* what) {
    if (SUCCEEDED(hr)) return;
    char text[160];
    snprintf(text, sizeof text, "%s failed: 0x%08lx", what, (unsigned long)hr);
    throw cERROR_MSG(BV_ERR_GENERAL, "%s", text);
}

void appendBytes(const std::wstring& path, const char* bytes) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw cERROR_MSG(BV_ERR_GENERAL, "cannot open the output file");
    DWORD written = 0;
    WriteFile(file, bytes, (DWORD)strlen(bytes), &written, nullptr);
    CloseHandle(file);
}

int runJob(const std::wstring& printer, long jobId) {
    com::ComPtr<IDriverManager> manager;
    check(CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                           reinterpret_cast<void**>(manager.GetAddressOf())),
          "creating the DriverManager");
    long handle = 0;
    check(manager->splStartDoc(BStr(printer).get(), jobId, &handle), "splStartDoc");
    print("splStartDoc: job " + std::to_string(jobId) + ", handle " + std::to_string(handle) + "\n");

    std::wstring output;
    for (const char* block : kBlocks) {
        BStr toFile;
        long size = (long)strlen(block);
        check(manager->splWritePrinter(handle, size, toFile.out()), "splWritePrinter");
        if (!toFile.empty()) {
            output = toFile.str();
            std::wstring folder = output.substr(0, output.find_last_of(L'\\'));
            CreateDirectoryW(folder.c_str(), nullptr);
            DeleteFileW(output.c_str());
        }
        print("splWritePrinter " + std::to_string(size) + " bytes -> " +
              (toFile.empty() ? std::string("(null)") : lab::toUtf8(toFile.str())) + "\n");
        if (output.empty()) throw cERROR_MSG(BV_ERR_GENERAL, "the engine named no output file");
        appendBytes(output, block);
    }
    check(manager->splEndDoc(handle), "splEndDoc");
    check(manager->splClose(handle), "splClose");
    print("splEndDoc, splClose: done\n\n");

    std::wstring folder = output.substr(0, output.find_last_of(L'\\'));
    print("job folder: " + lab::toUtf8(folder) + "\n");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.cFileName[0] == L'.') continue;
            print("  " + lab::toUtf8(found.cFileName) + "  " + std::to_string(found.nFileSizeLow) + " bytes\n");
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    print("\njob.xml:\n" + lab::readFileBytes(folder + L"\\job.xml") + "\n");
    return 0;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    std::vector<std::wstring> args = lab::commandLineArguments();
    try {
        if (args.size() == 1 && args[0] == L"end-server") {
            lab::endEngineServers();
            return 0;
        }
        if (args.size() < 2 || args.size() > 3 || args[0] != L"run") {
            fputs(kUsage, stderr);
            return 2;
        }
        long jobId = args.size() == 3 ? std::stol(args[2]) : 1 + (long)(GetTickCount() % 9000);
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
        int result = runJob(args[1], jobId);
        CoUninitialize();
        return result;
    } catch (const cERROR_MSG& error) {
        fprintf(stderr, "engine-job: %s\n", error.message);
        return 1;
    }
}
