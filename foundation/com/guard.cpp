#include "guard.h"

#include "error_text.h"
#include "text_convert.h"

namespace com {

Failure failureOf(const cERROR_MSG& error) {
    Failure failure;
    failure.kind = Failure::LibraryError;
    failure.hr = DISP_E_EXCEPTION;
    failure.message = error.message;
    failure.description = toWide(error.message);
    return failure;
}

Failure failureOf(const _com_error& error) {
    Failure failure;
    failure.kind = Failure::ComError;
    failure.hr = error.Error();
    failure.description = comErrorText(error);
    return failure;
}

Failure unknownFailure() {
    Failure failure;
    failure.kind = Failure::Other;
    failure.hr = DISP_E_EXCEPTION;
    failure.description = L"Unknown error";
    return failure;
}

void check(HRESULT hr) {
    if (FAILED(hr)) {
        IErrorInfo* info = nullptr;
        GetErrorInfo(0, &info);
        throw _com_error(hr, info);  // takes over the reference
    }
}

bool isPeerGone(HRESULT hr) {
    switch (hr) {
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
    case CO_E_OBJNOTCONNECTED:
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE):
        return true;
    default:
        return false;
    }
}

}  // namespace com
