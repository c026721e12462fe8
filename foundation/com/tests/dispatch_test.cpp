// IDispatch answered from the embedded type library, and rich error information both
// through the vtable and through Invoke.
#include "bstr.h"
#include "calculator.h"
#include "kelo_test.h"
#include "variant.h"

#include <vector>

using com::ComPtr;

namespace {

// Calls with arguments in declared order.
HRESULT call(IDispatch* dispatch, DISPID id, WORD flags, std::vector<Variant> arguments, VARIANT* result,
             EXCEPINFO* exception = nullptr) {
    std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, (UINT)reversed.size(), 0};
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
    Variant result;
    ASSERT_HRESULT_SUCCEEDED(call(dispatch.Get(), 1, DISPATCH_METHOD, {Variant(2L), Variant(3L)}, result.out()));
    EXPECT_EQ(5, result.lVal);
    ASSERT_HRESULT_SUCCEEDED(call(dispatch.Get(), 1, DISPATCH_METHOD, {Variant(2L)}, result.out()));
    EXPECT_EQ(3, result.lVal) << "the optional argument takes its default";
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, call(dispatch.Get(), 99, DISPATCH_METHOD, {}, result.out()));
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              call(dispatch.Get(), 1, DISPATCH_METHOD, {Variant(L"not a number"), Variant(1L)}, result.out()));
}

TEST_F(DispatchTest, ThrownErrorsBecomeRichErrorsOnTheVtableAndExceptionInformationThroughInvoke) {
    ComPtr<ICalculator> calculator;
    ASSERT_HRESULT_SUCCEEDED(dispatch.As(&calculator));
    const struct {
        long kind;
        HRESULT hr;
        std::wstring description;
    } failures[] = {
        {0, DISP_E_EXCEPTION, L"Cannot find printer: P1"},
        {1, E_INVALIDARG, L"described COM error"},
        {3, DISP_E_EXCEPTION, L"Unknown error"},
    };
    for (const auto& expected : failures) {
        SCOPED_TRACE(expected.kind);
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(expected.hr, calculator->fail(expected.kind));
        ComPtr<IErrorInfo> info;
        ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
        BStr description, source;
        info->GetDescription(description.out());
        info->GetSource(source.out());
        EXPECT_EQ(expected.description, description.str());
        EXPECT_EQ(L"Test.Calculator.1", source.str());

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
