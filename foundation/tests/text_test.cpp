#include "debug_log.h"
#include "error_text.h"
#include "text_convert.h"
#include "test_support.h"

#include <comdef.h>
#include <gtest/gtest.h>

#include <string>

TEST(TextConversion, WideTextToUtf8AndCodePagesAndBack) {
    EXPECT_EQ("", convertUnicodeToUtf8(L""));
    EXPECT_EQ("", convertUnicodeToUtf8((const wchar_t*)nullptr));
    EXPECT_EQ("plain", convertUnicodeToUtf8(L"plain"));
    EXPECT_EQ("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", convertUnicodeToUtf8(L"\u00e9\u20ac\U0001F600"));
    EXPECT_EQ("\xE9\x80", convertUnicodeToCP2(L"\u00e9\u20ac", 1252));
    EXPECT_EQ(L"\u00e9\u20ac\U0001F600", toWide("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", CP_UTF8));
    EXPECT_EQ(L"", toWide(""));
    std::wstring longText(5000, L'\u20ac');
    EXPECT_EQ(15000u, convertUnicodeToUtf8(longText).size());
}

TEST(TextConversion, FailureLogsAndThrowsTheErrorNumber) {
    DebugLogCapture log;
    uint32_t code = 0;
    std::string message = errorMessageOf([] { convertUnicodeToCP2(L"text", 54321); }, &code);
    EXPECT_EQ(1000u, code);
    EXPECT_EQ("convertUnicodeToUtf8::ERROR->87", message);
    EXPECT_TRUE(log.contains("convertUnicodeToCP2::ERROR->87"));
}

TEST(ErrorText, SystemTextHasNoLineBreaks) {
    std::string text = systemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(std::string::npos, text.find_first_of("\r\n")) << text;
    EXPECT_EQ("", systemErrorText(0x2FFFFFFF));
}

struct FakeErrorInfo : IErrorInfo {
    std::wstring description;
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IErrorInfo) return *out = nullptr, E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override { return *guid = GUID_NULL, S_OK; }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* source) override { return *source = nullptr, S_OK; }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* text) override {
        *text = description.empty() ? nullptr : SysAllocString(description.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* file) override { return *file = nullptr, S_OK; }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* context) override { return *context = 0, S_OK; }
};

TEST(ErrorText, ComErrorPrefersItsDescriptionThenTheSystemTextThenTheNumber) {
    FakeErrorInfo info;
    info.description = L"Cannot find printer: ZOLT";
    EXPECT_EQ(L"Cannot find printer: ZOLT", comErrorText(_com_error(E_FAIL, &info, true)));

    FakeErrorInfo empty;
    std::wstring outOfMemory = comErrorText(_com_error(E_OUTOFMEMORY, &empty, true));
    EXPECT_FALSE(outOfMemory.empty());
    EXPECT_NE(L'\n', outOfMemory.back());
    EXPECT_EQ(outOfMemory, comErrorText(_com_error(E_OUTOFMEMORY)));
    EXPECT_EQ(1u, info.references);
    EXPECT_EQ(1u, empty.references);

    EXPECT_EQ(L"IDispatch error #3", comErrorText(0x80040203));
    EXPECT_EQ(L"IDispatch error #64947", comErrorText(0x8004FFB3));
    EXPECT_EQ(L"Unknown error 0x8FFF0001", comErrorText(0x8FFF0001));
}

TEST(ErrorText, SocketErrorsHaveTheirTextsAndOthersNone) {
    EXPECT_STREQ("Connection refused.", socketErrorText(10061));
    EXPECT_STREQ("Host not found.", socketErrorText(11001));
    EXPECT_STREQ("Successful WSAStartup not yet performed.", socketErrorText(10093));
    EXPECT_STREQ("Graceful shutdown in progress.", socketErrorText(10101));
    EXPECT_EQ(nullptr, socketErrorText(0));
    EXPECT_EQ(nullptr, socketErrorText(10059));
}
