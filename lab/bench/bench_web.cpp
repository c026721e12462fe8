// bench-web: the web component's job upload and its zip packer.
//
//   bench-web pack <file> <archive> <runs>
//     The component's packer (minizip, deflate at the default level, "no_path") in
//     this process, packing the file into the archive; the last archive is kept.
//   bench-web upload <KeloWeb.dll> <host:port> <file> <runs>
//     Registers the DLL for the run (and unregisters it afterwards), connects an iWeb
//     object to the provider as "alice", and times startFileUpload with compress 1 to
//     the host's port: the temporary copy, the packing and the multipart post, until
//     the answer's headers arrive. A sink takes the progress events, as the client
//     does, and splits each upload in three: until the event 0 (copy, packing, request
//     headers sent), until the event 100 (the body sent), and the wait for the answer
//     (the provider's own work on the upload).
#include <windows.h>
#include <comdef.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "bstr.h"
#include "com/event_sink.h"
#include "error_msg.h"
#include "handles.h"
#include "lab_text.h"
#include "web_interfaces.h"
#include "zip_packer.h"

using Microsoft::WRL::ComPtr;

namespace {

const char kUsage[] =
    "usage: bench-web pack <file> <archive> <runs>\n"
    "       bench-web upload <KeloWeb.dll> <host:port> <file> <runs>\n";

void check(HRESULT hr, const char* what) {
    if (FAILED(hr)) throw cERROR_MSG(BV_ERR_GENERAL, "%s failed: 0x%08lx", what, (unsigned long)hr);
}

unsigned long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return ((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

int pack(const std::wstring& file, const std::wstring& archive, int runs) {
    std::vector<double> packMs;
    for (int i = 0; i < runs; i++) {
        DeleteFileW(archive.c_str());
        bench::Stopwatch watch;
        web::packZip({file}, archive, "no_path");
        packMs.push_back(watch.ms());
    }
    bench::printTimes(
        "pack", packMs,
        "bytes=" + std::to_string(fileSize(file)) + " archive_bytes=" + std::to_string(fileSize(archive)));
    return 0;
}

// KeloWeb.dll registered for the life of the object.
class Registration {
public:
    explicit Registration(const std::wstring& dll) : m_module(LoadLibraryW(dll.c_str())) {
        if (!m_module)
            throw cERROR_MSG(BV_ERR_GENERAL, "cannot load %s (%lu)", lab::toUtf8(dll).c_str(), GetLastError());
        check(call("DllRegisterServer"), "DllRegisterServer");
    }
    ~Registration() { call("DllUnregisterServer"); }

private:
    HRESULT call(const char* entry) {
        auto function = (HRESULT(STDAPICALLTYPE*)())(void*)GetProcAddress(m_module.get(), entry);
        return function ? function() : E_NOINTERFACE;
    }
    LibraryHandle m_module;
};

int upload(const std::wstring& dll, const std::wstring& host, const std::wstring& file, int runs) {
    // The client's user-interface thread is a single-threaded apartment.
    check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
    {
        Registration registration(dll);
        ComPtr<I_Web> web;
        check(CoCreateInstance(__uuidof(iWeb), nullptr, CLSCTX_INPROC_SERVER, __uuidof(I_Web),
                               reinterpret_cast<void**>(web.GetAddressOf())),
              "creating iWeb");
        long events = 0;
        bench::Stopwatch watch;
        double started = -1, sent = -1;  // when the events 0 and 100 came
        auto sink = com::make<com::EventSink>(__uuidof(_IWebEvents), [&](DISPID, DISPPARAMS* params) {
            events++;
            const VARIANT* percent = com::eventArgument(params, 0);
            if (percent && percent->vt == VT_I4 && percent->lVal == 0) started = watch.ms();
            if (percent && percent->vt == VT_I4 && percent->lVal == 100) sent = watch.ms();
            return S_OK;
        });
        com::Subscription subscription;
        check(subscription.begin(web.Get(), __uuidof(_IWebEvents), sink.Get()), "advising the event sink");

        ComPtr<IDictionary> parameters;
        check(CoCreateInstance(com::kClsidDictionary, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IDictionary),
                               reinterpret_cast<void**>(parameters.GetAddressOf())),
              "creating a Scripting.Dictionary");
        VARIANT_BOOL connected = VARIANT_FALSE;
        check(web->connect(BStr(host).get(), BStr(L"alice").get(), BStr(L"secret").get(), parameters.Get(), &connected),
              "connect");
        if (connected != VARIANT_TRUE) throw cERROR_MSG(BV_ERR_GENERAL, "the provider refused the login");
        long port = _wtoi(host.substr(host.rfind(L':') + 1).c_str());

        std::vector<double> uploadMs, beforeBodyMs, bodyMs, answerMs;
        for (int i = 0; i < runs; i++) {
            long result = -1;
            events = 0;
            started = sent = -1;
            watch.restart();
            check(web->startFileUpload(BStr(file).get(), BStr(L"/uploads/bench").get(), port, 1, &result),
                  "startFileUpload");
            uploadMs.push_back(watch.ms());
            if (result != 0) throw cERROR_MSG(BV_ERR_GENERAL, "startFileUpload answered %ld", result);
            if (started < 0 || sent < 0) throw cERROR_MSG(BV_ERR_GENERAL, "no progress events 0 and 100");
            beforeBodyMs.push_back(started);
            bodyMs.push_back(sent - started);
            answerMs.push_back(uploadMs.back() - sent);
        }
        bench::printTimes("upload", uploadMs,
                          "bytes=" + std::to_string(fileSize(file)) + " progress_events=" + std::to_string(events));
        bench::printTimes("upload_before_body", beforeBodyMs);
        bench::printTimes("upload_body", bodyMs);
        bench::printTimes("upload_answer", answerMs);
        web->disconnect();
    }
    CoUninitialize();
    return 0;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    std::vector<std::wstring> args = lab::commandLineArguments();
    try {
        if (args.size() == 4 && args[0] == L"pack") return pack(args[1], args[2], bench::positiveCount(args[3]));
        if (args.size() == 5 && args[0] == L"upload")
            return upload(args[1], args[2], args[3], bench::positiveCount(args[4]));
        fputs(kUsage, stderr);
        return 2;
    } catch (const cERROR_MSG& error) {
        fprintf(stderr, "bench-web: %s\n", error.message);
        return 1;
    } catch (const _com_error& error) {
        fprintf(stderr, "bench-web: 0x%08lx\n", (unsigned long)error.Error());
        return 1;
    }
}
