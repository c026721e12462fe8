#include "error_info.h"

#include "bstr.h"

namespace com {

HRESULT setRichError(HRESULT hr, const std::wstring& description, const wchar_t* source, const GUID& guid) {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(&create))) return hr;
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    create->SetSource(const_cast<LPOLESTR>(source ? source : L""));
    create->SetGUID(guid);
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
    return hr;
}

std::wstring takeErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info) return L"";
    BStr description;
    info->GetDescription(description.out());
    return description.str();
}

}  // namespace com
