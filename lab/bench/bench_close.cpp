// bench-close: the engine's work at the close of a job, in this process, against
// reading the spooled file once.
//
//   bench-close <layout.ps> <runs>
//
// Each run, in this order:
//   read     the file read once with ReadFile in chunks of 51,200 bytes (the scan's
//            chunk size), nothing done with the bytes
//   scan     the engine's scan of the PostScript comments (scanPostScriptFile)
//   scan_memory  the scanner on the same chunks taken from a copy of the file in memory:
//            the scan without its file calls
//   jobxml   the engine's job.xml writer (writeJobDescription), into a temporary folder
// and, to show where the scan's time goes, one pass over the same chunks with each of
// the C runtime's functions the scanner's string handling calls: memcpy (a chunk into
// a string), strlen (a string made from a chunk's C text) and memchr (each find looks
// for its keyword's first character).
// The file is read once before the first run, so that every run finds it in the cache.
#include <windows.h>
#include <comdef.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "error_msg.h"
#include "handles.h"
#include "job_description.h"
#include "lab_paths.h"
#include "lab_text.h"
#include "postscript_scan.h"

namespace {

// Reads the whole file in scan-sized chunks; returns the byte count.
unsigned long long readOnce(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw cERROR_MSG(BV_ERR_GENERAL, "cannot open the document (%lu)", GetLastError());
    std::vector<char> chunk(engine::kScanChunkSize);
    unsigned long long total = 0;
    DWORD read = 0;
    while (ReadFile(file.get(), chunk.data(), (DWORD)chunk.size(), &read, nullptr) && read > 0) total += read;
    return total;
}

// The scan's chunks (51,200 bytes, each after the first starting 20 bytes before the end
// of the one before) handed to the engine's scanner from memory.
engine::PageLayout scanInMemory(const std::string& bytes, const engine::PageLayout& start) {
    engine::PostScriptScanner scanner(start);
    for (size_t offset = 0;;) {
        size_t length = std::min<size_t>(engine::kScanChunkSize, bytes.size() - offset);
        if (length == 0) break;
        scanner.scanChunk(bytes.data() + offset, length);
        offset += length;
        if (offset >= bytes.size()) break;
        offset -= engine::kScanChunkOverlap;
    }
    return scanner.result();
}

// The time of one pass of a function over all chunks of the file.
template <class Pass>
double chunkPass(const std::string& bytes, Pass pass) {
    bench::Stopwatch watch;
    for (size_t offset = 0; offset < bytes.size(); offset += engine::kScanChunkSize)
        pass(bytes.data() + offset, std::min<size_t>(engine::kScanChunkSize, bytes.size() - offset));
    return watch.ms();
}

void runtimePasses(const std::string& bytes, int runs) {
    std::vector<char> buffer(engine::kScanChunkSize + 1);  // one chunk as C text
    memcpy(buffer.data(), bytes.data(), std::min<size_t>(engine::kScanChunkSize, bytes.size()));
    volatile size_t sink = 0;
    std::vector<double> copyMs, lengthMs, searchMs;
    for (int i = 0; i < runs; i++) {
        copyMs.push_back(chunkPass(bytes, [&](const char* chunk, size_t length) {
            memcpy(buffer.data(), chunk, length);
            sink = sink + (unsigned char)buffer[0];
        }));
        lengthMs.push_back(chunkPass(bytes, [&](const char*, size_t) { sink = sink + strlen(buffer.data()); }));
        searchMs.push_back(chunkPass(bytes, [&](const char* chunk, size_t length) {
            sink = sink + (memchr(chunk, '\x01', length) != nullptr);
        }));
    }
    bench::printTimes("pass_memcpy", copyMs);
    bench::printTimes("pass_strlen", lengthMs);
    bench::printTimes("pass_memchr", searchMs);
}

int run(const std::wstring& document, int runs) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    lab::TempFolder folder(L"bench-close");
    const std::wstring description = folder.file(L"job.xml");
    // What the engine starts from for a job without a device mode: A4, one page.
    const engine::PageLayout start{8.2677, 11.6929, 1};

    unsigned long long bytes = readOnce(document);
    const std::string content = lab::readFileBytes(document);
    std::vector<double> readMs, scanMs, memoryMs, writeMs;
    engine::PageLayout layout;
    for (int i = 0; i < runs; i++) {
        bench::Stopwatch watch;
        readOnce(document);
        readMs.push_back(watch.ms());

        watch.restart();
        layout = engine::scanPostScriptFile(document, start);
        scanMs.push_back(watch.ms());

        watch.restart();
        engine::PageLayout fromMemory = scanInMemory(content, start);
        memoryMs.push_back(watch.ms());
        if (fromMemory.pages != layout.pages) throw cERROR_MSG(BV_ERR_GENERAL, "the scans disagree");

        engine::JobDescription job;
        job.name = L"bench document";
        job.paperHeight = layout.height;
        job.paperWidth = layout.width;
        job.paperName = 9;
        job.paperCount = layout.pages;
        watch.restart();
        if (!engine::writeJobDescription(description, job))
            throw cERROR_MSG(BV_ERR_GENERAL, "the XML component cannot write job.xml");
        writeMs.push_back(watch.ms());
    }
    bench::printTimes("read", readMs,
                      "bytes=" + std::to_string(bytes) + " chunk=" + std::to_string(engine::kScanChunkSize));
    bench::printTimes("scan", scanMs,
                      "pages=" + std::to_string(layout.pages) + " width=" + bench::number(layout.width, 4) +
                          " height=" + bench::number(layout.height, 4));
    bench::printTimes("scan_memory", memoryMs);
    bench::printTimes("jobxml", writeMs);
    runtimePasses(content, runs);
    CoUninitialize();
    return 0;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    std::vector<std::wstring> args = lab::commandLineArguments();
    int runs = args.size() == 2 ? _wtoi(args[1].c_str()) : 0;
    if (runs <= 0) {
        fputs("usage: bench-close <layout.ps> <runs>\n", stderr);
        return 2;
    }
    try {
        return run(args[0], runs);
    } catch (const cERROR_MSG& error) {
        fprintf(stderr, "bench-close: %s\n", error.message);
        return 1;
    } catch (const _com_error& error) {
        fprintf(stderr, "bench-close: the XML component failed: 0x%08lx\n", (unsigned long)error.Error());
        return 1;
    }
}
