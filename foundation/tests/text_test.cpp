#include "error_text.h"
#include "test_support.h"
#include "text_convert.h"

#include <comdef.h>
#include <gtest/gtest.h>

#include <string>

TEST(Texts, Utf8BothWaysAndSystemAndComErrorTexts) {
    EXPECT_EQ("", convertUnicodeToUtf8((const wchar_t*)nullptr));
    EXPECT_EQ("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", convertUnicodeToUtf8(L"\u00e9\u20ac\U0001F600"));
    EXPECT_EQ(15000u, convertUnicodeToUtf8(std::wstring(5000, L'\u20ac')).size());
    EXPECT_EQ(L"\u00e9\u20ac\U0001F600", toWide("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", CP_UTF8));
    EXPECT_EQ(L"", toWide(""));

    std::string text = systemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(std::string::npos, text.find_first_of("\r\n")) << text;
    EXPECT_EQ("", systemErrorText(0x2FFFFFFF));

    // A COM error's own description first, then the system's text, then the number.
    auto withDescription = [](const wchar_t* description) {
        ICreateErrorInfo* creator = nullptr;
        IErrorInfo* info = nullptr;
        EXPECT_HRESULT_SUCCEEDED(CreateErrorInfo(&creator));
        if (description) creator->SetDescription(const_cast<LPOLESTR>(description));
        creator->QueryInterface(IID_IErrorInfo, (void**)&info);
        creator->Release();
        return info;
    };
    EXPECT_EQ(L"Cannot find printer: ZOLT",
              comErrorText(_com_error(E_FAIL, withDescription(L"Cannot find printer: ZOLT"), false)));
    std::wstring outOfMemory = comErrorText(_com_error(E_OUTOFMEMORY, withDescription(nullptr), false));
    EXPECT_FALSE(outOfMemory.empty());
    EXPECT_NE(L'\n', outOfMemory.back());
    EXPECT_EQ(outOfMemory, comErrorText(_com_error(E_OUTOFMEMORY)));
    EXPECT_EQ(L"IDispatch error #3", comErrorText(0x80040203));
    EXPECT_EQ(L"IDispatch error #64947", comErrorText(0x8004FFB3));
    EXPECT_EQ(L"Unknown error 0x8FFF0001", comErrorText(0x8FFF0001));
}
