#include "client_error.h"

#include <comdef.h>

#include "com/error_info.h"

const wchar_t kClientErrorSource[] = L"KeloClient";

void raiseError(HRESULT number, const std::wstring& description, const wchar_t* source) {
    com::setRichError(number, description, source);
    IErrorInfo* info = nullptr;
    GetErrorInfo(0, &info);
    throw _com_error(number, info);  // takes over the reference
}
