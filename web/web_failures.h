#pragma once
// How the iWeb methods report failures: what is caught besides the library's and COM
// errors (a socket error of a transport) and, per method, the HRESULT and description
// the caller receives.
#include <windows.h>

#include <optional>
#include <string>

#include "com/guard.h"

namespace web {

// A transport's socket failure, with its Windows Sockets error number.
struct SocketError {
    int code = 0;
};

constexpr HRESULT kCommunicationError = (HRESULT)0x8A010001;
constexpr HRESULT kUnknownSocketError = (HRESULT)0x80040000;

// The catch hook for SocketError: the failure of kind SocketError with its code.
std::optional<com::Failure> socketErrors();

// The methods' log lines: the method's name, " - " and what was caught.
extern const com::CatchTexts kMethodTexts;

// What the caller is told. Without a description, no error information is set; a
// successful HRESULT means the failure is reported through the result value only.
struct Reported {
    HRESULT hr = S_OK;
    std::optional<std::wstring> description;
};

Reported reportConnectFailure(const com::Failure& failure);
Reported reportCommandFailure(const com::Failure& failure);
Reported reportUploadFailure(const com::Failure& failure);
Reported reportHtmlFailure(const com::Failure& failure);
// getRemotePicture: the library's errors as E_FAIL with their text.
Reported reportPictureFailure(const com::Failure& failure);
// Any other method: the library's and COM errors as the COM support reports them.
Reported reportOtherFailure(const com::Failure& failure);

// Sets the error information for what is reported and returns its HRESULT.
HRESULT report(const Reported& reported);

}  // namespace web
