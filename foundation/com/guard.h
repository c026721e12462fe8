#pragma once
// The three catch clauses every COM method and spooler entry runs its body under, in
// this order: the library's cERROR_MSG, a COM error (_com_error), anything else.
#include <windows.h>
#include <comdef.h>

#include <optional>
#include <string>
#include <type_traits>

#include "error_info.h"
#include "error_msg.h"

namespace com {

struct Failure {
    enum Kind { LibraryError, ComError, Other };
    Kind kind = Other;
    HRESULT hr = DISP_E_EXCEPTION;
    std::wstring description;  // what the caller is told
    std::string message;       // the cERROR_MSG message, for log lines
};

Failure failureOf(const cERROR_MSG& error);
Failure failureOf(const _com_error& error);
Failure unknownFailure();

// Runs body; returns what was thrown, or nothing when it returned normally.
template <class Body>
std::optional<Failure> runCaught(Body&& body) noexcept {
    try {
        body();
        return std::nullopt;
    } catch (const cERROR_MSG& error) {
        return failureOf(error);
    } catch (const _com_error& error) {
        return failureOf(error);
    } catch (...) {
        return unknownFailure();
    }
}

// A COM method body: returns S_OK (or the HRESULT the body returned); when the body
// throws, calls log(failure), sets rich error information with `source` and returns
// the failure's HRESULT.
template <class Body, class Log>
HRESULT guard(const wchar_t* source, Body&& body, Log&& log) noexcept {
    HRESULT result = S_OK;
    auto failure = runCaught([&] {
        if constexpr (std::is_same<decltype(body()), HRESULT>::value)
            result = body();
        else
            body();
    });
    if (!failure) return result;
    log(*failure);
    return setRichError(failure->hr, failure->description, source);
}

template <class Body>
HRESULT guard(const wchar_t* source, Body&& body) noexcept {
    return guard(source, std::forward<Body>(body), [](const Failure&) {});
}

// Throws _com_error for a failed HRESULT, keeping the thread's error information.
void check(HRESULT hr);

// True when a call failed because the other side's apartment or process is gone
// (disconnected, server unavailable or died, the call failed).
bool isPeerGone(HRESULT hr);

}  // namespace com
