#include "debug_log.h"
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
    std::atomic<ULONG> references{1};
};

class ApartmentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

// Hands a reference of the object to set, as callers of set do.
IUnknown* newReference(Counted& object) {
    object.AddRef();
    return &object;
}
}  // namespace

TEST_F(ApartmentTest, SetTakesOverTheCallersReferenceAndRevokeGivesTheTablesBack) {
    Counted object;
    {
        tMTA2STA<IUnknown> holder;
        EXPECT_TRUE(holder.empty());
        holder.set(newReference(object));
        EXPECT_FALSE(holder.empty());
        EXPECT_GT(object.references.load(), 1u);  // the table's own
        {
            ComPtr<IUnknown> got = holder.get();
            EXPECT_EQ(static_cast<IUnknown*>(&object), got.Get());  // same apartment: the object itself
        }
        holder.revoke();
        EXPECT_TRUE(holder.empty());
        EXPECT_EQ(1u, object.references.load());
        holder.set(newReference(object));
    }
    EXPECT_EQ(1u, object.references.load());  // destruction revokes
}

TEST_F(ApartmentTest, SettingTwiceRevokesTheFirstCookie) {
    Counted first, second;
    tMTA2STA<IUnknown> holder;
    holder.set(newReference(first));
    DWORD firstCookie = holder.cookie();
    holder.set(newReference(second));
    EXPECT_EQ(1u, first.references.load());
    EXPECT_NE(0u, holder.cookie());

    ComPtr<IGlobalInterfaceTable> table;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_ALL,
                                           IID_IGlobalInterfaceTable, reinterpret_cast<void**>(table.GetAddressOf()))));
    IUnknown* stale = (IUnknown*)(ULONG_PTR)0xdeadbeef;
    EXPECT_TRUE(FAILED(table->GetInterfaceFromGlobal(firstCookie, IID_IUnknown, reinterpret_cast<void**>(&stale))));
    EXPECT_EQ(static_cast<IUnknown*>(&second), holder.get().Get());

    holder.set(nullptr);
    EXPECT_TRUE(holder.empty());
    EXPECT_EQ(1u, second.references.load());
}

TEST_F(ApartmentTest, GetOnEmptyThrowsAndOtherApartmentsGetAUsablePointer) {
    tMTA2STA<IUnknown> holder;
    uint32_t code = 0;
    EXPECT_EQ("*tMTA2STA: No interface marshaled", errorMessageOf([&] { holder.get(); }, &code));
    EXPECT_EQ(1000u, code);

    Counted object;
    holder.set(newReference(object));
    bool usable = false;
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            ComPtr<IUnknown> got = holder.get();
            ComPtr<IUnknown> identity;
            usable = got && SUCCEEDED(got.As(&identity)) && identity;
        }
        CoUninitialize();
    }).join();
    EXPECT_TRUE(usable);
}
