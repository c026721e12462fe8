// Events to several sinks in this and other apartments, with one sink failing.
#include "bstr.h"
#include "calculator.h"
#include "com/event_sink.h"
#include "com/registration.h"
#include "kelo_test.h"
#include "debug_log.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using com::ComPtr;

namespace {

struct Received {
    long value;
    std::wstring text;
    DWORD thread;
};

ComPtr<com::EventSink> recordingSink(std::vector<Received>& received, HRESULT answer = S_OK) {
    return com::make<com::EventSink>(DIID__ICalculatorEvents, [&received, answer](DISPID event, DISPPARAMS* params) {
        if (event != 1 || !params || params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
        const VARIANT* value = com::eventArgument(params, 0);
        const VARIANT* text = com::eventArgument(params, 1);
        received.push_back({value->lVal, BStr::copyOf(text->bstrVal).str(), GetCurrentThreadId()});
        return answer;
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

TEST_F(EventsTest, EverySinkReceivesTheEventEvenWhenOneFails) {
    std::vector<Received> first, failing, third;
    com::Subscription a, b, c;
    ComPtr<com::EventSink> failingSink = recordingSink(failing, E_FAIL);
    ASSERT_HRESULT_SUCCEEDED(a.begin(calculator->identity(), DIID__ICalculatorEvents, recordingSink(first).Get()));
    ASSERT_HRESULT_SUCCEEDED(b.begin(calculator->identity(), DIID__ICalculatorEvents, failingSink.Get()));
    ASSERT_HRESULT_SUCCEEDED(c.begin(calculator->identity(), DIID__ICalculatorEvents, recordingSink(third).Get()));

    DebugLogCapture log;
    EXPECT_EQ(2, announce(7, L"seven"));
    ASSERT_EQ(1u, first.size());
    EXPECT_EQ(7, first[0].value);
    EXPECT_EQ(L"seven", first[0].text) << "arguments arrive in their declared order";
    EXPECT_EQ(1u, failing.size());
    EXPECT_EQ(1u, third.size());
    EXPECT_TRUE(log.contains("com_support_tests - error on notifing 1 -2147467259"));

    b.end();
    EXPECT_EQ(2, announce(8, L"eight"));
    EXPECT_EQ(1u, failing.size()) << "an unadvised sink hears nothing more";
    EXPECT_EQ(2u, third.size());
    // Not even an event that the source took just before the Unadvise (the handler
    // would refuse these arguments).
    DISPPARAMS none = {};
    EXPECT_EQ(S_OK, failingSink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
}

TEST_F(EventsTest, ConnectionPointRejectsUnknownCookiesAndInterfaces) {
    ComPtr<IConnectionPointContainer> container;
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&container)));
    IConnectionPoint* wrong = poisoned<IConnectionPoint*>();
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDispatch, &wrong));
    EXPECT_EQ(nullptr, wrong);

    ComPtr<IConnectionPoint> point;
    ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__ICalculatorEvents, &point));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(12345));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(0));

    IID iid{};
    ASSERT_HRESULT_SUCCEEDED(point->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(DIID__ICalculatorEvents, iid));
    ComPtr<IConnectionPointContainer> back;
    ASSERT_HRESULT_SUCCEEDED(point->GetConnectionPointContainer(&back));
    EXPECT_EQ(container.Get(), back.Get());

    // A sink that does not implement the event interface cannot connect.
    auto stranger = com::make<com::EventSink>(IID_IPersist, nullptr);
    DWORD cookie = 0xdeadbeef;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(stranger.Get(), &cookie));
    EXPECT_EQ(0u, cookie);

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_HRESULT_SUCCEEDED(container->EnumConnectionPoints(&points));
    IConnectionPoint* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, points->Next(2, listed, &fetched));
    ASSERT_EQ(1u, fetched);
    EXPECT_EQ(point.Get(), listed[0]);
    listed[0]->Release();
}

TEST_F(EventsTest, ConnectionPointKeepsItsObjectAlive) {
    ComPtr<IConnectionPoint> point;
    {
        ComPtr<IConnectionPointContainer> container;
        ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&container)));
        ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__ICalculatorEvents, &point));
    }
    long before = com::moduleLockCount();
    calculator.Reset();
    EXPECT_EQ(before, com::moduleLockCount()) << "the object lives while its point is held";
    point.Reset();
    EXPECT_EQ(before - 1, com::moduleLockCount());
}

namespace {

// A single-threaded apartment with a message loop, running work on its own thread.
class ApartmentThread {
public:
    ApartmentThread() {
        m_thread = std::thread([this] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
            {
                std::lock_guard<std::mutex> guard(m_lock);
                m_id = GetCurrentThreadId();
            }
            m_ready.notify_all();
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (msg.message == WM_APP) {
                    auto* work = reinterpret_cast<std::function<void()>*>(msg.lParam);
                    (*work)();
                    SetEvent(reinterpret_cast<HANDLE>(msg.wParam));
                }
                DispatchMessageW(&msg);
            }
            CoUninitialize();
        });
        std::unique_lock<std::mutex> guard(m_lock);
        m_ready.wait(guard, [this] { return m_id != 0; });
    }
    ~ApartmentThread() {
        PostThreadMessageW(m_id, WM_QUIT, 0, 0);
        m_thread.join();
    }
    void run(std::function<void()> work) {
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        PostThreadMessageW(m_id, WM_APP, (WPARAM)done, (LPARAM)&work);
        // The caller's thread may be asked to pump while its call is marshaled back.
        DWORD index = 0;
        CoWaitForMultipleHandles(0, INFINITE, 1, &done, &index);
        CloseHandle(done);
    }
    DWORD id() const { return m_id; }

private:
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_ready;
    DWORD m_id = 0;
};

}  // namespace

TEST_F(EventsTest, SinkInAnotherApartmentReceivesEventsOnItsOwnThread) {
    ApartmentThread apartment;
    std::vector<Received> received;
    com::Subscription subscription;
    apartment.run([&] {
        auto sink = recordingSink(received);
        EXPECT_HRESULT_SUCCEEDED(subscription.begin(calculator->identity(), DIID__ICalculatorEvents, sink.Get()));
    });

    // Fired from this multithreaded apartment; delivered through a proxy, more than once.
    EXPECT_EQ(1, announce(1, L"one"));
    EXPECT_EQ(1, announce(2, L"two"));
    EXPECT_EQ(1, announce(3, L"three"));
    ASSERT_EQ(3u, received.size());
    for (const Received& r : received) EXPECT_EQ(apartment.id(), r.thread);
    EXPECT_EQ(L"three", received[2].text);

    apartment.run([&] { subscription.end(); });
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
    {
        ApartmentThread ended;
        ended.run([&] {
            DWORD cookie = 0;
            EXPECT_HRESULT_SUCCEEDED(point->Advise(recordingSink(gone)->identity(), &cookie));
        });
    }
    EXPECT_EQ(before + 1, com::moduleLockCount()) << "the connection holds the sink";
    com::Subscription subscription;
    ASSERT_HRESULT_SUCCEEDED(
        subscription.begin(calculator->identity(), DIID__ICalculatorEvents, recordingSink(staying).Get()));
    EXPECT_EQ(1, announce(1, L"one"));
    EXPECT_EQ(before + 1, com::moduleLockCount()) << "and lets it go";
    EXPECT_EQ(1, announce(2, L"two"));
    EXPECT_TRUE(gone.empty());
    EXPECT_EQ(2u, staying.size()) << "the sink that moved into its place hears every event";
}
