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
}  // namespace

TEST(Apartments, SetTakesOverTheCallersReferenceAndOtherApartmentsGetAUsablePointer) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    Counted first, second;
    {
        tMTA2STA<IUnknown> holder;
        EXPECT_TRUE(holder.empty());
        EXPECT_EQ("*tMTA2STA: No interface marshaled", errorMessageOf([&] { holder.get(); }));
        holder.set(first.handedOver());
        EXPECT_FALSE(holder.empty());
        EXPECT_GT(first.references.load(), 1u);                         // the table's own
        EXPECT_EQ(static_cast<IUnknown*>(&first), holder.get().Get());  // same apartment: the object itself
        holder.set(second.handedOver());
        EXPECT_EQ(1u, first.references.load());
        holder.set(nullptr);
        EXPECT_TRUE(holder.empty());
        EXPECT_EQ(1u, second.references.load());
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
    holder.revoke();
    CoUninitialize();
}
