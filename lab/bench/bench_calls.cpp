// bench-calls: the print engine seen from another process, as the port monitor sees it.
//
//   bench-calls blocks <printer> <count>
//     What a document costs in engine calls, taken apart, each step repeated count
//     times on a thread in the multithreaded apartment:
//       activation   the monitor's binding of the engine at the start of a document
//                    (CoCreateInstance with class context 23, OleRun, QueryInterface)
//                    and its release at the end
//       call         splWritePrinter through the kept engine object: what each block
//                    costs in engine calls
//       round_trip   GetTypeInfoCount through the same object: a call that the engine
//                    answers without any work of its own (the cost of the marshaling)
//   bench-calls close <printer> <document> <runs>
//     One job per run through the engine: the document copied into the file the first
//     splWritePrinter names (not timed), then splEndDoc and splClose, each timed; the
//     job's folder is removed after each run.
//   bench-calls end-server
//     Ends every running engine server.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "bstr.h"
#include "delete_tree.h"
#include "engine_binding.h"
#include "error_msg.h"
#include "lab_engine.h"
#include "lab_paths.h"
#include "lab_text.h"
#include "paths.h"

using Microsoft::WRL::ComPtr;

namespace {

const char kUsage[] =
    "usage: bench-calls blocks <printer> <count>\n"
    "       bench-calls close <printer> <document> <runs>\n"
    "       bench-calls end-server\n";

const long kBlockSize = 4096;

void check(HRESULT hr, const char* what) {
    if (FAILED(hr)) throw cERROR_MSG(BV_ERR_GENERAL, "%s failed: 0x%08lx", what, (unsigned long)hr);
}

ComPtr<IDriverManager> engine() {
    ComPtr<IDriverManager> manager = activateEngine("bench-calls");
    if (!manager) throw cERROR_MSG(BV_ERR_GENERAL, "the engine is not reachable");
    return manager;
}

long startJob(IDriverManager* manager, const std::wstring& printer) {
    long handle = 0;
    check(manager->splStartDoc(BStr(printer).get(), 1 + (long)(GetTickCount() % 9000), &handle), "splStartDoc");
    return handle;
}

// The average time of one step, in milliseconds, over count repetitions.
double perStep(int count, const std::function<void()>& step) {
    bench::Stopwatch watch;
    for (int i = 0; i < count; i++) step();
    return watch.ms() / count;
}

void printStep(const char* name, double ms, int count) {
    printf("%s per_call_ms=%s count=%d\n", name, bench::number(ms, 4).c_str(), count);
    fflush(stdout);
}

int blocks(const std::wstring& printer, int count) {
    check(CoInitializeEx(nullptr, COINIT_MULTITHREADED), "CoInitializeEx");
    ComPtr<IDriverManager> manager = engine();
    long handle = startJob(manager.Get(), printer);
    BStr path;  // the first write names the file; later ones only count
    check(manager->splWritePrinter(handle, kBlockSize, path.out()), "splWritePrinter");

    printStep("activation", perStep(count, [] { engine(); }), count);
    printStep("call",
              perStep(count,
                      [&] {
                          BStr ignored;
                          manager->splWritePrinter(handle, kBlockSize, ignored.out());
                      }),
              count);
    printStep("round_trip",
              perStep(count,
                      [&] {
                          UINT infos = 0;
                          manager->GetTypeInfoCount(&infos);
                      }),
              count);

    // The job leaves nothing behind: an aborted job's folder is removed at its close.
    check(manager->splAbort(handle), "splAbort");
    check(manager->splClose(handle), "splClose");
    manager.Reset();
    CoUninitialize();
    return 0;
}

std::string elementText(const std::string& xml, const std::string& name) {
    size_t open = xml.find("<" + name + ">"), close = xml.find("</" + name + ">");
    if (open == std::string::npos || close == std::string::npos) return "-";
    open += name.size() + 2;
    return xml.substr(open, close - open);
}

int close(const std::wstring& printer, const std::wstring& document, int runs) {
    check(CoInitializeEx(nullptr, COINIT_MULTITHREADED), "CoInitializeEx");
    std::vector<double> endDocMs, closeMs;
    std::string description;
    for (int run = 0; run < runs; run++) {
        ComPtr<IDriverManager> manager = engine();
        long handle = startJob(manager.Get(), printer);
        BStr path;
        check(manager->splWritePrinter(handle, kBlockSize, path.out()), "splWritePrinter");
        if (path.empty()) throw cERROR_MSG(BV_ERR_GENERAL, "the engine named no output file");
        std::wstring folder = path.str().substr(0, path.str().find_last_of(L'\\'));
        bvfsCreateFolderTree(folder.c_str());
        if (!CopyFileW(document.c_str(), path.get(), FALSE))
            throw cERROR_MSG(BV_ERR_GENERAL, "cannot copy the document (%lu)", GetLastError());

        bench::Stopwatch watch;
        check(manager->splEndDoc(handle), "splEndDoc");
        endDocMs.push_back(watch.ms());
        watch.restart();
        check(manager->splClose(handle), "splClose");
        closeMs.push_back(watch.ms());

        description = lab::readFileBytes(folder + L"\\job.xml");
        DeleteTreeU(folder);
    }
    bench::printTimes("splEndDoc", endDocMs);
    bench::printTimes("splClose", closeMs,
                      "paperCount=" + elementText(description, "paperCount") +
                          " paperWidth=" + elementText(description, "paperWidth") +
                          " paperHeight=" + elementText(description, "paperHeight"));
    CoUninitialize();
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
        if (args.size() == 3 && args[0] == L"blocks") return blocks(args[1], bench::positiveCount(args[2]));
        if (args.size() == 4 && args[0] == L"close") return close(args[1], args[2], bench::positiveCount(args[3]));
        fputs(kUsage, stderr);
        return 2;
    } catch (const cERROR_MSG& error) {
        fprintf(stderr, "bench-calls: %s\n", error.message);
        return 1;
    }
}
