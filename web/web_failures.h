#pragma once
// How the iWeb methods report failures: what was caught (the library's cERROR_MSG, a
// COM error, a socket error of a transport, anything else) and, per method, the
// HRESULT and description the caller receives.
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

struct Caught {
    enum Kind { Library, Com, Socket, Other };
    Kind kind = Other;
    HRESULT hr = E_UNEXPECTED;
    std::wstring description;
    std::string message;  // for the log
    int socketCode = 0;
};

template <class Body>
std::optional<Caught> catchFailure(Body&& body) noexcept {
    auto from = [](const com::Failure& failure, Caught::Kind kind) {
        Caught caught;
        caught.kind = kind;
        caught.hr = failure.hr;
        caught.description = failure.description;
        caught.message = failure.message;
        return caught;
    };
    try {
        body();
        return std::nullopt;
    } catch (const cERROR_MSG& error) {
        return from(com::failureOf(error), Caught::Library);
    } catch (const _com_error& error) {
        return from(com::failureOf(error), Caught::Com);
    } catch (const SocketError& error) {
        Caught caught;
        caught.kind = Caught::Socket;
        caught.socketCode = error.code;
        return caught;
    } catch (...) {
        return Caught();
    }
}

// What the caller is told. Without a description, no error information is set; a
// successful HRESULT means the failure is reported through the result value only.
struct Reported {
    HRESULT hr = S_OK;
    std::optional<std::wstring> description;
};

Reported reportConnectFailure(const Caught& caught);
Reported reportCommandFailure(const Caught& caught);
Reported reportUploadFailure(const Caught& caught);
Reported reportHtmlFailure(const Caught& caught);
// getRemotePicture: the library's errors as E_FAIL with their text.
Reported reportPictureFailure(const Caught& caught);
// Any other method: the library's and COM errors as the COM support reports them.
Reported reportOtherFailure(const Caught& caught);

// A line for the debug log.
std::string describeForLog(const Caught& caught);

// Sets the error information for what is reported and returns its HRESULT.
HRESULT report(const Reported& reported);

}  // namespace web
