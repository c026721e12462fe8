#include "failure_log.h"

#include "cstring.h"
#include "debug_log.h"

const CatchTexts kSpoolerEntryTexts = {" catch", " COM catch", " Unknown error"};
const CatchTexts kPortTexts = {" BV catch", " COM catch", " catch"};

void logFailure(const char* operation, const CatchTexts& texts, const com::Failure& failure) {
    switch (failure.kind) {
    case com::Failure::LibraryError:
        DebugLine() << operation << texts.libraryError << failure.message;
        break;
    case com::Failure::ComError:
        DebugLine() << operation << texts.comError << cSTRING::format("0x%x", (unsigned)failure.hr).c_str();
        break;
    case com::Failure::Other:
        DebugLine() << operation << texts.other;
        break;
    }
}
