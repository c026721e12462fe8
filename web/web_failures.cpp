#include "web_failures.h"

#include "com/error_info.h"
#include "web_interfaces.h"

namespace web {
namespace {

bool isCommunicationError(const com::Failure& failure) {
    if (failure.kind != com::Failure::SocketError) return false;
    switch (failure.socketCode) {
    case 10048:  // address in use
    case 10054:  // connection reset
    case 10056:  // already connected
    case 10061:  // connection refused
        return true;
    default: return false;
    }
}

Reported reported(HRESULT hr, const std::wstring& description) { return Reported{hr, description}; }

}  // namespace

std::optional<com::Failure> socketErrors() {
    try {
        throw;
    } catch (const SocketError& error) {
        com::Failure failure;
        failure.kind = com::Failure::SocketError;
        failure.socketCode = error.code;
        return failure;
    } catch (...) {
        return std::nullopt;
    }
}

const com::CatchTexts kMethodTexts = {" - {message}", " - COM error {hr} {description}", " - unknown error",
                                      " - socket error {socket}"};

Reported reportConnectFailure(const com::Failure& failure) {
    if (isCommunicationError(failure)) return reported(kCommunicationError, L"Communication Error");
    if (failure.kind == com::Failure::LibraryError) return reported(E_FAIL, failure.description);
    return Reported{S_OK, std::nullopt};
}

Reported reportCommandFailure(const com::Failure& failure) {
    if (isCommunicationError(failure)) return reported(kCommunicationError, L"Communication Error");
    switch (failure.kind) {
    case com::Failure::LibraryError: return reported(DISP_E_EXCEPTION, failure.description);
    case com::Failure::ComError: return reported(failure.hr, failure.description);
    case com::Failure::SocketError: return reported(kUnknownSocketError, L"Unknown Error");
    default: return reported(E_UNEXPECTED, L"Unexpected error");
    }
}

Reported reportUploadFailure(const com::Failure&) { return reported(E_UNEXPECTED, L"Unknown error"); }

Reported reportHtmlFailure(const com::Failure& failure) {
    return reported(E_FAIL, failure.kind == com::Failure::LibraryError ? failure.description : L"Unknown Error");
}

Reported reportPictureFailure(const com::Failure& failure) {
    return failure.kind == com::Failure::LibraryError ? reported(E_FAIL, failure.description)
                                                      : reportOtherFailure(failure);
}

Reported reportOtherFailure(const com::Failure& failure) {
    switch (failure.kind) {
    case com::Failure::LibraryError:
    case com::Failure::ComError: return reported(failure.hr, failure.description);
    default: return reported(E_UNEXPECTED, L"Unknown error");
    }
}

HRESULT report(const Reported& reported) {
    if (!reported.description) return reported.hr;
    return com::setRichError(reported.hr, *reported.description, kErrorSource);
}

}  // namespace web
