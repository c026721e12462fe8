#include "mta2sta.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using Microsoft::WRL::ComPtr;

namespace {
// A plain COM object that counts its references.
class Counted : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown) return *out = nullptr, E_NOINTERFACE;
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    // A reference for set, which takes the caller's over.
    IUnknown* handedOver() { return AddRef(), this; }
    std::atomic<ULONG> references{1};
};

class ApartmentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { CoUninitialize(); }
};
}  // namespace

TEST_F(ApartmentTest, SetTakesOverTheCallersReferenceAndOtherApartmentsGetAUsablePointer) {
    Counted first, second;
    {
        tMTA2STA<IUnknown> holder;
        EXPECT_TRUE(holder.empty());
        uint32_t code = 0;
        EXPECT_EQ("*tMTA2STA: No interface marshaled", errorMessageOf([&] { holder.get(); }, &code));
        EXPECT_EQ(1000u, code);
        holder.set(first.handedOver());
        EXPECT_FALSE(holder.empty());
        EXPECT_GT(first.references.load(), 1u);                         // the table's own
        EXPECT_EQ(static_cast<IUnknown*>(&first), holder.get().Get());  // same apartment: the object itself
        DWORD firstCookie = holder.cookie();
        holder.set(second.handedOver());
        EXPECT_EQ(1u, first.references.load());
        ComPtr<IGlobalInterfaceTable> table;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_ALL,
                                               IID_IGlobalInterfaceTable, (void**)table.GetAddressOf())));
        IUnknown* stale = (IUnknown*)(ULONG_PTR)0xdeadbeef;
        EXPECT_TRUE(FAILED(table->GetInterfaceFromGlobal(firstCookie, IID_IUnknown, (void**)&stale)));
        holder.revoke();
        EXPECT_TRUE(holder.empty());
        EXPECT_EQ(1u, second.references.load());
        holder.set(first.handedOver());
        holder.set(nullptr);
        EXPECT_TRUE(holder.empty());
        EXPECT_EQ(1u, first.references.load());
        holder.set(second.handedOver());
    }
    EXPECT_EQ(1u, second.references.load());  // destruction revokes

    // Another apartment gets a usable pointer.
    Counted object;
    tMTA2STA<IUnknown> holder;
    holder.set(object.handedOver());
    bool usable = false;
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            ComPtr<IUnknown> got = holder.get(), identity;
            usable = got && SUCCEEDED(got.As(&identity)) && identity;
        }
        CoUninitialize();
    }).join();
    EXPECT_TRUE(usable);
}
