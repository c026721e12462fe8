#pragma once
// The catch clauses every COM method, spooler entry and installer action runs its body
// under, in this order: the library's cERROR_MSG, a COM error (_com_error), a
// component's own exception type when it names one (the web component's socket errors),
// anything else. Each call site gives its own log texts and its own result for a failure.
#include <windows.h>
#include <comdef.h>

#include <optional>
#include <string>
#include <type_traits>

#include "error_info.h"
#include "error_msg.h"

namespace com {

struct Failure {
    enum Kind { LibraryError, ComError, Other, SocketError };
    Kind kind = Other;
    HRESULT hr = DISP_E_EXCEPTION;
    std::wstring description;  // what the caller is told
    std::string message;       // the cERROR_MSG message, for log lines
    int socketCode = 0;        // a socket error's Windows Sockets error number
};

Failure failureOf(const cERROR_MSG& error);
Failure failureOf(const _com_error& error);
Failure unknownFailure();

// Recognises a component's own exception type: called inside the catch-all clause, it
// rethrows what was caught and returns the failure for its own type, nothing otherwise.
using OwnCatch = std::optional<Failure> (*)();

// Runs body; returns what was thrown, or nothing when it returned normally.
template <class Body>
std::optional<Failure> runCaught(Body&& body, OwnCatch own = nullptr) noexcept {
    try {
        body();
        return std::nullopt;
    } catch (const cERROR_MSG& error) {
        return failureOf(error);
    } catch (const _com_error& error) {
        return failureOf(error);
    } catch (...) {
        if (auto failure = own ? own() : std::nullopt) return failure;
        return unknownFailure();
    }
}

// The debug line of a call site for each kind of failure, written after the operation's
// name. In a text, {message} stands for the library error's message, {hr} for the HRESULT
// as 0x..., {description} for what the caller is told, {thread} for the calling thread's
// id and {socket} for the socket error number. A null text writes no line.
struct CatchTexts {
    const char* libraryError;
    const char* comError;
    const char* other;
    const char* socketError = nullptr;
};

extern const CatchTexts kNoLog;

void logFailure(const char* operation, const CatchTexts& texts, const Failure& failure) noexcept;

// Runs body under the catch clauses. After a failure, logs it and returns
// onFailure(failure) (which alone may throw), or onFailure itself when it is a value.
// Otherwise returns what body returned, or a value-initialised result (S_OK, FALSE)
// when body returns nothing.
template <class OnFailure, class Body>
auto runLogged(const char* operation, const CatchTexts& texts, OnFailure&& onFailure, Body&& body,
               OwnCatch own = nullptr) {
    constexpr bool mapped = std::is_invocable<OnFailure, const Failure&>::value;
    using Result = typename std::conditional<mapped, std::invoke_result<OnFailure, const Failure&>,
                                             std::decay<OnFailure>>::type::type;
    Result result{};
    auto failure = runCaught(
        [&] {
            if constexpr (std::is_void<decltype(body())>::value)
                body();
            else
                result = body();
        },
        own);
    if (!failure) return result;
    logFailure(operation, texts, *failure);
    if constexpr (mapped)
        return onFailure(*failure);
    else
        return Result(onFailure);
}

// A COM method body: returns S_OK (or the HRESULT the body returned); when the body
// throws, logs it with texts, sets rich error information with `source` and returns
// the failure's HRESULT.
template <class Body>
HRESULT guard(const wchar_t* source, Body&& body, const char* operation = "",
              const CatchTexts& texts = kNoLog) noexcept {
    auto report = [source](const Failure& failure) { return setRichError(failure.hr, failure.description, source); };
    return runLogged(operation, texts, report, [&]() -> HRESULT {
        if constexpr (std::is_same<decltype(body()), HRESULT>::value) {
            return body();
        } else {
            body();
            return S_OK;
        }
    });
}

// Throws _com_error for a failed HRESULT, keeping the thread's error information.
void check(HRESULT hr);

// True when a call failed because the other side's apartment or process is gone
// (disconnected, server unavailable or died, the call failed).
bool isPeerGone(HRESULT hr);

}  // namespace com
