// IDispatch answered from the embedded type library, and rich error information both
// through the vtable and through Invoke.
#include "bstr.h"
#include "calculator.h"
#include "kelo_test.h"
#include "debug_log.h"
#include "variant.h"

#include <functional>
#include <stdexcept>
#include <vector>

using com::ComPtr;

namespace {

// Calls with arguments in declared order.
HRESULT call(IDispatch* dispatch, DISPID id, WORD flags, std::vector<Variant> arguments, VARIANT* result,
             EXCEPINFO* exception = nullptr) {
    std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, (UINT)reversed.size(), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    UINT argumentError = 0;
    return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception, &argumentError);
}

class DispatchTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(com::make<CCalculator>()->QueryInterface(IID_PPV_ARGS(&dispatch)));
    }
    void TearDown() override {
        dispatch.Reset();
        ComTest::TearDown();
    }
    ComPtr<IDispatch> dispatch;
};

}  // namespace

TEST_F(DispatchTest, NamesMapToTheTypeLibraryIdsAndInvokeFillsInDefaults) {
    const std::pair<const wchar_t*, DISPID> members[] = {{L"add", 1}, {L"TOTAL", 2}, {L"nosuchmember", DISPID_UNKNOWN}};
    for (const auto& name : members) {
        DISPID id = (DISPID)0xdeadbeef;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name.first)};
        EXPECT_EQ(name.second == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK,
                  dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
        EXPECT_EQ(name.second, id);  // names are not case sensitive
    }
    ITypeInfo* info = poisoned<ITypeInfo*>();
    EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, 0, &info));
    EXPECT_EQ(nullptr, info);

    Variant result;
    ASSERT_HRESULT_SUCCEEDED(call(dispatch.Get(), 1, DISPATCH_METHOD, {Variant(2L), Variant(3L)}, result.out()));
    EXPECT_EQ(5, result.lVal);
    ASSERT_HRESULT_SUCCEEDED(call(dispatch.Get(), 1, DISPATCH_METHOD, {Variant(2L)}, result.out()));
    EXPECT_EQ(3, result.lVal) << "the optional argument takes its default";
    ASSERT_HRESULT_SUCCEEDED(call(dispatch.Get(), 5, DISPATCH_METHOD, {}, result.out()));
    EXPECT_EQ(L"hello world", result.toString());
    ASSERT_HRESULT_SUCCEEDED(call(dispatch.Get(), 2, DISPATCH_PROPERTYPUT, {Variant(41L)}, nullptr));
    ASSERT_HRESULT_SUCCEEDED(call(dispatch.Get(), 2, DISPATCH_PROPERTYGET, {}, result.out()));
    EXPECT_EQ(41, result.lVal);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, call(dispatch.Get(), 99, DISPATCH_METHOD, {}, result.out()));
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              call(dispatch.Get(), 1, DISPATCH_METHOD, {Variant(L"not a number"), Variant(1L)}, result.out()));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
              dispatch->Invoke(1, IID_ICalculator, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr));
}

namespace {

struct ExpectedFailure {
    long kind;
    HRESULT hr;
    std::wstring description;
};

std::wstring systemText(HRESULT hr) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, hr,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPWSTR)&text, 0, nullptr);
    std::wstring result = text ? text : L"";
    LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r')) result.pop_back();
    return result;
}

std::vector<ExpectedFailure> failures() {
    return {
        {0, DISP_E_EXCEPTION, L"Cannot find printer: P1"},
        {1, E_INVALIDARG, L"described COM error"},
        {2, E_ACCESSDENIED, systemText(E_ACCESSDENIED)},
        {3, DISP_E_EXCEPTION, L"Unknown error"},
    };
}

}  // namespace

TEST_F(DispatchTest, ThrownErrorsBecomeRichErrorsOnTheVtableAndExceptionInformationThroughInvoke) {
    ComPtr<ICalculator> calculator;
    ASSERT_HRESULT_SUCCEEDED(dispatch.As(&calculator));
    for (const auto& expected : failures()) {
        SCOPED_TRACE(expected.kind);
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(expected.hr, calculator->fail(expected.kind));
        ComPtr<IErrorInfo> info;
        ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
        BStr description, source;
        GUID guid = {0xdeadbeef};
        info->GetDescription(description.out());
        info->GetSource(source.out());
        info->GetGUID(&guid);
        EXPECT_EQ(expected.description, description.str());
        EXPECT_EQ(L"Test.Calculator.1", source.str());
        EXPECT_TRUE(IsEqualGUID(GUID_NULL, guid));

        EXCEPINFO exception{};
        Variant result;
        EXPECT_EQ(DISP_E_EXCEPTION,
                  call(dispatch.Get(), 3, DISPATCH_METHOD, {Variant(expected.kind)}, &result, &exception));
        description = BStr::attach(exception.bstrDescription);
        source = BStr::attach(exception.bstrSource);
        SysFreeString(exception.bstrHelpFile);
        EXPECT_EQ(expected.description, description.str());
        EXPECT_EQ(L"Test.Calculator.1", source.str());
        EXPECT_EQ(expected.hr, exception.scode);
    }
}

TEST(Guard, LogsEachKindWithTheSiteTextsAndPassesResultsThrough) {
    const com::CatchTexts texts{" lib {message}", " com {hr}", " other [{thread}] {unknown}", " socket {socket}"};
    const std::pair<std::function<HRESULT()>, HRESULT> bodies[] = {
        {[] { return S_FALSE; }, S_FALSE},
        {[]() -> HRESULT { throw cERROR_MSG(1000, "x"); }, DISP_E_EXCEPTION},
        {[]() -> HRESULT { throw _com_error(E_OUTOFMEMORY); }, E_OUTOFMEMORY},
        {[]() -> HRESULT { throw std::runtime_error("x"); }, DISP_E_EXCEPTION},
    };
    DebugLogCapture log;
    EXPECT_EQ(S_OK, com::guard(
                        L"src", [] {}, "op", texts));
    for (const auto& body : bodies) EXPECT_EQ(body.second, com::guard(L"src", body.first, "op", texts));
    EXPECT_EQ((std::vector<std::string>{"op lib x", "op com 0x8007000e",
                                        "op other [" + std::to_string(GetCurrentThreadId()) + "] {unknown}"}),
              log.lines());
    auto failure = com::runCaught([] { throw cERROR_MSG(1000, "Invalid job handle"); });
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ("Invalid job handle", failure->message);
}
