#include "guard.h"

#include "bstr.h"

namespace com {
namespace {
std::wstring widen(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return L"";
    std::wstring wide(length - 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    return wide;
}
}  // namespace

Failure failureOf(const cERROR_MSG& error) {
    Failure failure;
    failure.kind = Failure::LibraryError;
    failure.hr = DISP_E_EXCEPTION;
    failure.message = error.message;
    failure.description = widen(error.message);
    return failure;
}

Failure failureOf(const _com_error& error) {
    Failure failure;
    failure.kind = Failure::ComError;
    failure.hr = error.Error();
    if (IErrorInfo* info = error.ErrorInfo()) {
        BStr description;
        info->GetDescription(description.out());
        failure.description = description.str();
        info->Release();  // ErrorInfo() hands out a reference
    }
    if (failure.description.empty()) failure.description = widen(error.ErrorMessage());
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

}  // namespace com
