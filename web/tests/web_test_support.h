#pragma once
// Helpers shared by the web component's tests.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error_msg.h"
#include "kelo_test.h"
#include "variant.h"

namespace webtest {

using Microsoft::WRL::ComPtr;

// The message of the cERROR_MSG the call throws, or "<no error>".
template <typename Call>
std::string errorMessageOf(Call&& call) {
    try {
        call();
    } catch (const cERROR_MSG& error) {
        return error.message;
    }
    return "<no error>";
}

// Each test runs in a single-threaded apartment, as the client's user-interface thread does.
class StaTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { CoUninitialize(); }
};

// A Scripting.Dictionary reached by member names, independently of the component.
class TestDictionary {
public:
    TestDictionary();
    explicit TestDictionary(IDispatch* object) : m_object(object) {}

    IDispatch* get() const { return m_object.Get(); }
    // The same object through the IDictionary interface the component's methods take.
    template <class IDictionaryType>
    IDictionaryType* as() const {
        return reinterpret_cast<IDictionaryType*>(dictionary().Get());
    }

    TestDictionary& add(const std::wstring& key, const Variant& value);
    TestDictionary& add(const std::wstring& key, const wchar_t* value) { return add(key, Variant(value)); }
    bool exists(const std::wstring& key) const;
    Variant item(const std::wstring& key) const;
    std::wstring text(const std::wstring& key) const;
    long count() const;
    std::vector<std::wstring> keys() const;

private:
    ComPtr<IDispatch> dictionary() const;
    Variant call(const wchar_t* member, WORD flags, std::vector<Variant> arguments) const;

    ComPtr<IDispatch> m_object;
};

// The strings of a VARIANT array.
std::vector<std::wstring> arrayTexts(const VARIANT& array);

// The scramble the server undoes, written out for the tests.
std::wstring scrambled(const std::wstring& text);

std::string utf8(const std::wstring& text);

}  // namespace webtest
