#include "error_text.h"
#include "text_convert.h"

#include <comdef.h>
#include <gtest/gtest.h>

#include <string>

TEST(Texts, Utf8BothWaysAndSystemAndComErrorTexts) {
    EXPECT_EQ("", convertUnicodeToUtf8((const wchar_t*)nullptr));
    EXPECT_EQ("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", convertUnicodeToUtf8(L"\u00e9\u20ac\U0001F600"));
    EXPECT_EQ(L"\u00e9\u20ac\U0001F600", toWide("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", CP_UTF8));

    std::string text = systemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(std::string::npos, text.find_first_of("\r\n")) << text;
    EXPECT_EQ("", systemErrorText(0x2FFFFFFF));

    // A COM error's system text (its own description is proven through the COM support), else the number.
    std::wstring outOfMemory = comErrorText(_com_error(E_OUTOFMEMORY));
    EXPECT_FALSE(outOfMemory.empty());
    EXPECT_NE(L'\n', outOfMemory.back());
    EXPECT_EQ(L"IDispatch error #3", comErrorText(0x80040203));
    EXPECT_EQ(L"Unknown error 0x8FFF0001", comErrorText(0x8FFF0001));
}
