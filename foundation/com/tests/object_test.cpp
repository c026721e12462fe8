// Class factories, QueryInterface rules and module lock counting. (The components' suites
// prove the interfaces their objects answer and that a module stays while objects live.)
#include "calculator.h"
#include "com/class_factory.h"
#include "com/module.h"
#include "kelo_test.h"

using com::ComPtr;

class ObjectTest : public ComTest {};

TEST_F(ObjectTest, OneIdentityAndModuleLocksOfObjectsAndServerLocks) {
    {
        auto calculator = com::make<CCalculator>();
        ComPtr<IUnknown> fromDual, fromContainer;
        ComPtr<IConnectionPointContainer> container;
        ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_IUnknown, (void**)&fromDual));
        ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&container)));
        ASSERT_HRESULT_SUCCEEDED(container.As(&fromContainer));
        EXPECT_EQ(fromDual.Get(), fromContainer.Get());
        void* out = poisoned<void*>();
        EXPECT_EQ(E_NOINTERFACE, calculator->QueryInterface(IID_IPersist, &out));
        EXPECT_EQ(nullptr, out);
        EXPECT_EQ(E_POINTER, calculator->QueryInterface(IID_IUnknown, nullptr));
        EXPECT_EQ("com_support_tests", com::moduleBaseName()) << "the name failures are logged under";
    }

    // Objects and server locks hold the module, and the last unlock is heard.
    ASSERT_EQ(0, com::moduleLockCount());
    auto factory = com::make<com::ClassFactory<CCalculator>>();
    EXPECT_EQ(0, com::moduleLockCount()) << "class objects themselves hold no lock";
    void* out = poisoned<void*>();
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IPersist, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, com::moduleLockCount()) << "a refused object is destroyed";

    int lastUnlocks = 0;
    com::setLastUnlockHandler([&] { ++lastUnlocks; });
    ComPtr<ICalculator> a, b;
    ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&a)));
    ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&b)));
    EXPECT_NE(a.Get(), b.Get());
    ASSERT_HRESULT_SUCCEEDED(factory->LockServer(TRUE));
    EXPECT_EQ(3, com::moduleLockCount());
    ASSERT_HRESULT_SUCCEEDED(factory->LockServer(FALSE));
    a.Reset();
    EXPECT_EQ(0, lastUnlocks);
    b.Reset();
    EXPECT_EQ(0, com::moduleLockCount());
    EXPECT_EQ(1, lastUnlocks);
    com::setLastUnlockHandler(nullptr);
}
