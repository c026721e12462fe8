#include "guard.h"

#include "cstring.h"
#include "debug_log.h"
#include "error_text.h"
#include "text_convert.h"

namespace com {
namespace {

// Never throws: characters the code page lacks become its default character.
std::string logText(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

const char* textFor(const CatchTexts& texts, Failure::Kind kind) {
    switch (kind) {
    case Failure::LibraryError: return texts.libraryError;
    case Failure::ComError: return texts.comError;
    case Failure::SocketError: return texts.socketError;
    default: return texts.other;
    }
}

std::string placeholderValue(const std::string& name, const Failure& failure) {
    if (name == "message") return failure.message;
    if (name == "hr") return cSTRING::format("0x%x", (unsigned)failure.hr).c_str();
    if (name == "description") return logText(failure.description);
    if (name == "thread") return std::to_string(GetCurrentThreadId());
    if (name == "socket") return std::to_string(failure.socketCode);
    return "{" + name + "}";
}

}  // namespace

const CatchTexts kNoLog = {nullptr, nullptr, nullptr};

void logFailure(const char* operation, const CatchTexts& texts, const Failure& failure) noexcept {
    const char* text = textFor(texts, failure.kind);
    if (!text) return;
    try {
        std::string line = operation;
        for (const char* at = text; *at; ++at) {
            const char* end = *at == '{' ? strchr(at, '}') : nullptr;
            if (!end) {
                line += *at;
                continue;
            }
            line += placeholderValue(std::string(at + 1, end), failure);
            at = end;
        }
        DebugLine() << line;
    } catch (...) {
        // A log line that cannot be built is not written.
    }
}

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
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE): return true;
    default: return false;
    }
}

}  // namespace com
