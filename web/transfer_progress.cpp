#include "transfer_progress.h"

#include <algorithm>

#include "error_msg.h"
#include "message_pump.h"

namespace web {

void UploadProgress::start(uint64_t totalBytes) {
    m_total = totalBytes;
    m_sent = 0;
    m_lastPercent = -1;
    m_complete = false;
    m_stopRequested = false;
    reportPercent(0);
}

void UploadProgress::advance(uint64_t bytesWritten) {
    m_sent += bytesWritten;
    long percent = m_total ? (long)(std::min(m_sent, m_total) * 100 / m_total) : 100;
    reportPercent(percent);
}

void UploadProgress::reportPercent(long percent) {
    if (percent == m_lastPercent) return;
    m_lastPercent = percent;
    if (m_report) m_report(percent);
    pumpWaitingMessages();
    if (m_stopRequested) throw cERROR_MSG(BV_ERR_GENERAL, "the upload was stopped by its listener");
    if (percent == 100) m_complete = true;
}

STDMETHODIMP DownloadProgress::OnProgress(ULONG progress, ULONG maximum, ULONG, LPCWSTR) {
    if (maximum != 0 && m_report) m_report((long)((uint64_t)progress * 100 / maximum));
    return S_OK;
}

}  // namespace web
