// engine_peer: the second client process of the cross-process tests.
//   engine_peer watch <printer> <ready event>
//     subscribes to the printer's onNewPrintJob, sets the event, and inside the handler
//     subscribes to the new job; prints every event it receives and ends after onCloseDoc.
//   engine_peer start <printer> <job id>
//     starts a job through its own DriverManager and prints the handle.
#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bstr.h"
#include "com/event_sink.h"
#include "com/object.h"
#include "engine_h.h"
#include "lab_text.h"
#include "variant.h"

namespace {

using com::ComPtr;

void print(const std::string& line) {
    std::string text = line + "\n";
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

std::string hex(HRESULT hr) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lx", (unsigned long)hr);
    return text;
}

ComPtr<IDriverManager> driverManager() {
    ComPtr<IDriverManager> manager;
    HRESULT hr = CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                                  reinterpret_cast<void**>(manager.GetAddressOf()));
    if (FAILED(hr)) print("error DriverManager " + hex(hr));
    return manager;
}

int watch(const std::wstring& printer, const std::wstring& readyEvent) {
    ComPtr<IDriverManager> manager = driverManager();
    if (!manager) return 1;
    ComPtr<IPrintDriver> driver;
    HRESULT hr = manager->getDriver(BStr(printer).get(), &driver);
    if (FAILED(hr)) {
        print("error getDriver " + hex(hr));
        return 1;
    }

    bool closed = false;
    com::Subscription jobSubscription;
    auto jobSink = com::make<com::EventSink>(DIID__IPrintJobEvents, [&](DISPID event, DISPPARAMS* params) {
        switch (event) {
        case 1: print("startpage " + std::to_string(com::eventArgument(params, 0)->lVal)); break;
        case 2: print("endpage"); break;
        case 3: print("enddoc"); break;
        case 5: print("abort"); break;
        case 6: print("write " + std::to_string(com::eventArgument(params, 0)->lVal)); break;
        case 4: {
            const VARIANT* aborted = com::eventArgument(params, 0);
            const VARIANT* path = com::eventArgument(params, 1);
            print("closedoc " + std::to_string(Variant(*aborted).toLong() != 0) + " " +
                  lab::toUtf8(path->bstrVal ? path->bstrVal : L"(null)"));
            closed = true;
            break;
        }
        default: print("unknown " + std::to_string(event));
        }
        return S_OK;
    });
    auto driverSink = com::make<com::EventSink>(DIID__IPrintDriverEvents, [&](DISPID event, DISPPARAMS* params) {
        const VARIANT* argument = com::eventArgument(params, 0);
        ComPtr<IPrintJob> job;
        if (event != 1 || !argument || argument->vt != VT_DISPATCH ||
            FAILED(argument->pdispVal->QueryInterface(IID_PPV_ARGS(&job)))) {
            print("error onNewPrintJob argument");
            return E_INVALIDARG;
        }
        long jobId = 0;
        BStr name;
        job->get_jobId(&jobId);
        job->get_Name(name.out());
        print("newjob " + std::to_string(jobId) + " " + lab::toUtf8(name.str()));
        HRESULT subscribed = jobSubscription.begin(job.Get(), DIID__IPrintJobEvents, jobSink.Get());
        print("subscribed " + hex(subscribed));
        return S_OK;
    });
    com::Subscription driverSubscription;
    hr = driverSubscription.begin(driver.Get(), DIID__IPrintDriverEvents, driverSink.Get());
    if (FAILED(hr)) {
        print("error Advise " + hex(hr));
        return 1;
    }

    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, readyEvent.c_str());
    if (!ready) {
        print("error ready event");
        return 1;
    }
    SetEvent(ready);
    CloseHandle(ready);

    // Events arrive through this single-threaded apartment's message queue.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!closed && std::chrono::steady_clock::now() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    jobSubscription.end();
    driverSubscription.end();
    print(closed ? "done" : "timeout");
    return closed ? 0 : 3;
}

int start(const std::wstring& printer, long jobId) {
    ComPtr<IDriverManager> manager = driverManager();
    if (!manager) return 1;
    long handle = 0;
    HRESULT hr = manager->splStartDoc(BStr(printer).get(), jobId, &handle);
    if (FAILED(hr)) {
        print("error splStartDoc " + hex(hr));
        return 1;
    }
    print("handle " + std::to_string(handle));
    return 0;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    std::vector<std::wstring> args = lab::commandLineArguments();
    if (args.size() != 3) {
        fputs("usage: engine_peer watch <printer> <ready event> | start <printer> <job id>\n", stderr);
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    int result = 2;
    if (args[0] == L"watch") result = watch(args[1], args[2]);
    if (args[0] == L"start") result = start(args[1], std::stol(args[2]));
    CoUninitialize();
    return result;
}
