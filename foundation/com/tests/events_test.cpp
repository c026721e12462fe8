// Connection points, and a sink whose apartment has ended. (Several sinks, one failing,
// and sinks in other apartments and processes hear the engine's events in its suites.)
#include "bstr.h"
#include "calculator.h"
#include "com/event_sink.h"
#include "com/registration.h"
#include "kelo_test.h"

#include <string>
#include <thread>
#include <vector>

using com::ComPtr;

namespace {

struct Received {
    long value;
    std::wstring text;
};

ComPtr<com::EventSink> recordingSink(std::vector<Received>& received) {
    return com::make<com::EventSink>(DIID__ICalculatorEvents, [&received](DISPID event, DISPPARAMS* params) {
        if (event != 1 || !params || params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
        const VARIANT* value = com::eventArgument(params, 0);
        const VARIANT* text = com::eventArgument(params, 1);
        received.push_back({value->lVal, BStr::copyOf(text->bstrVal).str()});
        return S_OK;
    });
}

// Sinks are marshaled through the global interface table, which needs the event
// interface registered (the type library's dispatch marshaling).
class EventsTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(com::registerModuleTypeLib());
        calculator = com::make<CCalculator>();
    }
    void TearDown() override {
        calculator.Reset();
        com::unregisterModuleTypeLib();
        ComTest::TearDown();
    }
    long announce(long value, const wchar_t* text) {
        long delivered = -1;
        EXPECT_HRESULT_SUCCEEDED(calculator->announce(value, BStr(text).get(), &delivered));
        return delivered;
    }
    ComPtr<CCalculator> calculator;
};

}  // namespace

TEST_F(EventsTest, ASinkWhoseApartmentHasEndedIsDroppedAtTheFirstEventItMisses) {
    ComPtr<IConnectionPoint> point;
    {
        ComPtr<IConnectionPointContainer> container;
        ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&container)));
        ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__ICalculatorEvents, &point));
    }
    std::vector<Received> gone, staying;
    long before = com::moduleLockCount();
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        DWORD cookie = 0;
        EXPECT_HRESULT_SUCCEEDED(point->Advise(recordingSink(gone)->identity(), &cookie));
        CoUninitialize();
    }).join();
    EXPECT_EQ(before + 1, com::moduleLockCount()) << "the connection holds the sink";
    com::Subscription subscription;
    ASSERT_HRESULT_SUCCEEDED(
        subscription.begin(calculator->identity(), DIID__ICalculatorEvents, recordingSink(staying).Get()));
    EXPECT_EQ(1, announce(1, L"one"));
    EXPECT_EQ(before + 1, com::moduleLockCount()) << "and lets it go";
    EXPECT_EQ(1, announce(2, L"two"));
    EXPECT_TRUE(gone.empty());
    ASSERT_EQ(2u, staying.size()) << "the sink that moved into its place hears every event";
    EXPECT_EQ(2, staying[1].value);
    EXPECT_EQ(L"two", staying[1].text) << "arguments arrive in their declared order";
    subscription.end();
    EXPECT_EQ(0, announce(3, L"three"));
    EXPECT_EQ(2u, staying.size()) << "an unadvised sink hears nothing more";
}
