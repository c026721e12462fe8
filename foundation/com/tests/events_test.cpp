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

TEST_F(EventsTest, ConnectionPointRejectsUnknownCookiesAndInterfacesAndKeepsItsObjectAlive) {
    ComPtr<IConnectionPointContainer> container;
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&container)));
    IConnectionPoint* wrong = poisoned<IConnectionPoint*>();
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDispatch, &wrong));
    EXPECT_EQ(nullptr, wrong);
    ComPtr<IConnectionPoint> point;
    ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__ICalculatorEvents, &point));
    for (DWORD unknown : {12345u, 0u}) EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(unknown));
    // A sink that does not implement the event interface cannot connect.
    DWORD cookie = 0xdeadbeef;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(com::make<com::EventSink>(IID_IPersist, nullptr).Get(), &cookie));
    EXPECT_EQ(0u, cookie);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_HRESULT_SUCCEEDED(container->EnumConnectionPoints(&points));
    IConnectionPoint* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, points->Next(2, listed, &fetched));
    ASSERT_EQ(1u, fetched);
    EXPECT_EQ(point.Get(), listed[0]);
    listed[0]->Release();

    container.Reset();
    points.Reset();
    long before = com::moduleLockCount();
    calculator.Reset();
    EXPECT_EQ(before, com::moduleLockCount()) << "the object lives while its point is held";
    point.Reset();
    EXPECT_EQ(before - 1, com::moduleLockCount());
}

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
