#pragma once
// The monitor's catch clauses: every spooler entry, the port list refresh and the port
// operations run their body under the library error, a COM error and anything else,
// and write one debug line naming the operation and what was caught.
#include <windows.h>

#include "com/guard.h"

// What follows the operation's name in the line, for each kind of failure. The library
// error's message follows its text directly, a COM error's HRESULT as "0x%x".
struct CatchTexts {
    const char* libraryError;
    const char* comError;
    const char* other;
};

// "PrintDriver::enumPorts catch...", "... COM catch0x...", "... Unknown error"
extern const CatchTexts kSpoolerEntryTexts;
// "C_portImpl::writePort BV catch...", "... COM catch0x...", "... catch"
extern const CatchTexts kPortTexts;

void logFailure(const char* operation, const CatchTexts& texts, const com::Failure& failure);

// Runs body (which returns a BOOL); after a failure logs it and returns onFailure.
template <class Body>
BOOL runLogged(const char* operation, const CatchTexts& texts, BOOL onFailure, Body&& body) noexcept {
    BOOL result = onFailure;
    if (auto failure = com::runCaught([&] { result = body(); })) {
        logFailure(operation, texts, *failure);
        return onFailure;
    }
    return result;
}
