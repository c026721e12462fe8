#pragma once
// Progress of uploads and downloads, reported as a percentage through a callback (the
// iWeb object fires its fileUploadProgress event from it).
#include <windows.h>
#include <urlmon.h>

#include <cstdint>
#include <functional>

#include "com/object.h"
#include "winhttp_wrapper.h"

namespace web {

using ProgressReport = std::function<void(long percentDone)>;

// The upload's sink: reports 0 at the start, then each new whole percentage (never the
// same one twice in a row), and pumps the thread's messages after each report. Once a
// report asked to stop (requestStop), the upload ends there with an error: the rest of
// the body is not sent.
class UploadProgress : public UploadProgressSink {
public:
    explicit UploadProgress(ProgressReport report) : m_report(std::move(report)) {}

    void start(uint64_t totalBytes) override;
    void advance(uint64_t bytesWritten) override;

    void clearComplete() { m_complete = false; }
    void requestStop() { m_stopRequested = true; }
    bool complete() const { return m_complete; }
    uint64_t totalBytes() const { return m_total; }
    uint64_t bytesSent() const { return m_sent; }

private:
    void reportPercent(long percent);

    ProgressReport m_report;
    uint64_t m_total = 0;
    uint64_t m_sent = 0;
    long m_lastPercent = -1;
    bool m_complete = false;
    bool m_stopRequested = false;
};

// The binding status callback of a download: each progress notification with a known
// maximum is reported as progress * 100 / maximum; everything else passes unanswered.
class DownloadProgress : public com::Object<DownloadProgress, IBindStatusCallback> {
public:
    explicit DownloadProgress(ProgressReport report) : m_report(std::move(report)) {}

    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG progress, ULONG maximum, ULONG statusCode, LPCWSTR statusText) override;
    STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    STDMETHODIMP GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

private:
    ProgressReport m_report;
};

}  // namespace web
