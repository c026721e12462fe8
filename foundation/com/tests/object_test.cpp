// Class factories, QueryInterface rules and module lock counting. (The components' suites
// prove the interfaces their objects answer and that a module stays while objects live.)
#include "calculator.h"
#include "com/class_factory.h"
#include "com/module.h"
#include "kelo_test.h"

using com::ComPtr;

class ObjectTest : public ComTest {};

TEST_F(ObjectTest, QueryInterfaceGivesOneIdentityAndClearsWhatItRefuses) {
    auto calculator = com::make<CCalculator>();
    ComPtr<IUnknown> fromDual, fromContainer, fromMarshaler;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IMarshal> marshal;
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_IUnknown, (void**)&fromDual));
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&container)));
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&marshal)));
    ASSERT_HRESULT_SUCCEEDED(container.As(&fromContainer));
    ASSERT_HRESULT_SUCCEEDED(marshal.As(&fromMarshaler));
    EXPECT_EQ(fromDual.Get(), fromContainer.Get());
    EXPECT_EQ(fromDual.Get(), fromMarshaler.Get());
    void* out = poisoned<void*>();
    EXPECT_EQ(E_NOINTERFACE, calculator->QueryInterface(IID_IPersist, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, calculator->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ("com_support_tests", com::moduleBaseName()) << "the name failures are logged under";
}

TEST_F(ObjectTest, ObjectsAndServerLocksHoldTheModuleAndTheLastUnlockIsHeard) {
    ASSERT_EQ(0, com::moduleLockCount());
    auto factory = com::make<com::ClassFactory<CCalculator>>();
    EXPECT_EQ(0, com::moduleLockCount()) << "class objects themselves hold no lock";
    void* out = poisoned<void*>();
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory.Get(), IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    out = poisoned<void*>();
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

TEST_F(ObjectTest, SingletonFactoryHandsOutOneObjectWhoseReferencesAreLocks) {
    auto factory = com::make<com::SingletonClassFactory<CSharedCalculator>>();
    EXPECT_EQ(nullptr, factory->instance());
    ComPtr<ICalculator> first, second;
    ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&first)));
    ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&second)));
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(2, com::moduleLockCount());
    first.Reset();
    second.Reset();
    EXPECT_EQ(0, com::moduleLockCount()) << "the factory's own reference is no lock";
    EXPECT_NE(nullptr, factory->instance()) << "the factory keeps the object";
}
