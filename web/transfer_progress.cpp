#include "transfer_progress.h"

#include <algorithm>

#include "error_msg.h"
#include "message_pump.h"

namespace web {

void UploadProgress::start(uint64_t totalBytes) {
    total_ = totalBytes;
    sent_ = 0;
    lastPercent_ = -1;
    complete_ = false;
    stopRequested_ = false;
    reportPercent(0);
}

void UploadProgress::advance(uint64_t bytesWritten) {
    sent_ += bytesWritten;
    long percent = total_ ? (long)(std::min(sent_, total_) * 100 / total_) : 100;
    reportPercent(percent);
}

void UploadProgress::reportPercent(long percent) {
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    if (report_) report_(percent);
    pumpWaitingMessages();
    if (stopRequested_) throw cERROR_MSG(BV_ERR_GENERAL, "the upload was stopped by its listener");
    if (percent == 100) complete_ = true;
}

STDMETHODIMP DownloadProgress::OnProgress(ULONG progress, ULONG maximum, ULONG, LPCWSTR) {
    if (maximum != 0 && report_) report_((long)((uint64_t)progress * 100 / maximum));
    return S_OK;
}

}  // namespace web
