// Class factories, QueryInterface rules and module lock counting.
#include "calculator.h"
#include "com/class_factory.h"
#include "kelo_test.h"

using com::ComPtr;

class ObjectTest : public ComTest {};

TEST_F(ObjectTest, QueryInterfaceAnswersListedInterfacesWithOneIdentity) {
    auto calculator = com::make<CCalculator>();
    ComPtr<IUnknown> fromDual, fromContainer;
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_IUnknown, (void**)&fromDual));
    ComPtr<IConnectionPointContainer> container;
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&container)));
    ASSERT_HRESULT_SUCCEEDED(container.As(&fromContainer));
    EXPECT_EQ(fromDual.Get(), fromContainer.Get());

    ComPtr<IDispatch> dispatch;
    ComPtr<ICalculator> dual;
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&dispatch)));
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&dual)));
    EXPECT_EQ(static_cast<IDispatch*>(dual.Get()), dispatch.Get());

    ComPtr<ISupportErrorInfo> errors;
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&errors)));
    EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(IID_ICalculator));
    EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(IID_IDispatch));

    void* out = poisoned<void*>();
    EXPECT_EQ(E_NOINTERFACE, calculator->QueryInterface(IID_IPersist, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, calculator->QueryInterface(IID_IUnknown, nullptr));
}

TEST_F(ObjectTest, FreeThreadedObjectsAggregateTheMarshaler) {
    auto calculator = com::make<CCalculator>();
    ComPtr<IMarshal> marshal;
    ASSERT_HRESULT_SUCCEEDED(calculator->QueryInterface(IID_PPV_ARGS(&marshal)));
    CLSID unmarshaler{};
    ASSERT_HRESULT_SUCCEEDED(marshal->GetUnmarshalClass(IID_ICalculator, calculator.Get(), MSHCTX_INPROC, nullptr,
                                                        MSHLFLAGS_NORMAL, &unmarshaler));
    ComPtr<IUnknown> identity;
    ASSERT_HRESULT_SUCCEEDED(marshal.As(&identity));
    EXPECT_EQ(calculator->identity(), identity.Get());
}

TEST_F(ObjectTest, ObjectsHoldAModuleLockWhileAlive) {
    long before = com::moduleLockCount();
    {
        auto first = com::make<CCalculator>();
        auto second = com::make<CCalculator>();
        EXPECT_EQ(before + 2, com::moduleLockCount());
    }
    EXPECT_EQ(before, com::moduleLockCount());
}

TEST_F(ObjectTest, ClassFactoryCreatesObjectsAndRefusesAggregation) {
    auto factory = com::make<com::ClassFactory<CCalculator>>();
    long before = com::moduleLockCount();

    void* out = poisoned<void*>();
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory.Get(), IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);

    out = poisoned<void*>();
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IPersist, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(before, com::moduleLockCount()) << "a refused object must be destroyed";

    ComPtr<ICalculator> a, b;
    ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&a)));
    ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&b)));
    EXPECT_NE(a.Get(), b.Get());

    ASSERT_HRESULT_SUCCEEDED(factory->LockServer(TRUE));
    EXPECT_EQ(before + 3, com::moduleLockCount());
    ASSERT_HRESULT_SUCCEEDED(factory->LockServer(FALSE));
    a.Reset();
    b.Reset();
    EXPECT_EQ(before, com::moduleLockCount()) << "class objects themselves hold no lock";
}

TEST_F(ObjectTest, SingletonFactoryHandsOutOneObjectWhoseReferencesAreLocks) {
    long before = com::moduleLockCount();
    auto factory = com::make<com::SingletonClassFactory<CSharedCalculator>>();
    EXPECT_EQ(nullptr, factory->instance());

    ComPtr<ICalculator> first, second;
    ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&first)));
    ASSERT_HRESULT_SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&second)));
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(before + 2, com::moduleLockCount());

    ASSERT_HRESULT_SUCCEEDED(first->put_total(7));
    long total = 0;
    ASSERT_HRESULT_SUCCEEDED(second->get_total(&total));
    EXPECT_EQ(7, total);

    first.Reset();
    second.Reset();
    EXPECT_EQ(before, com::moduleLockCount()) << "the factory's own reference is no lock";
    EXPECT_NE(nullptr, factory->instance()) << "the factory keeps the object";
}

TEST_F(ObjectTest, LastUnlockHandlerRunsWhenTheCountDropsToZero) {
    ASSERT_EQ(0, com::moduleLockCount());
    int calls = 0;
    com::setLastUnlockHandler([&] { ++calls; });
    {
        auto a = com::make<CCalculator>();
        auto b = com::make<CCalculator>();
        a.Reset();
        EXPECT_EQ(0, calls);
    }
    EXPECT_EQ(1, calls);
    com::setLastUnlockHandler(nullptr);
}
