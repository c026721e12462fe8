// Read-only collections and their enumerators.
#include "bstr.h"
#include "collection_enumerator.h"
#include "com/error_info.h"
#include "engine_test_support.h"
#include "print_job.h"
#include "read_only_collection.h"
#include "variant.h"

#include <vector>

using namespace enginetest;

namespace {

class CollectionTest : public ComTest {
protected:
    ComPtr<CkeloReadOnlyCollection> collectionOf(int count) {
        std::vector<ComPtr<IDispatch>> items;
        for (int i = 0; i < count; ++i) {
            ComPtr<CPrintJob> job = com::make<CPrintJob>();
            job->put_Pages(i + 1);  // tells the elements apart
            m_elements.push_back(job);
            items.push_back(static_cast<IDispatch*>(static_cast<IPrintJob*>(job.Get())));
        }
        ComPtr<CkeloReadOnlyCollection> collection = com::make<CkeloReadOnlyCollection>();
        collection->setData(items);
        return collection;
    }

    ComPtr<IEnumVARIANT> enumeratorOf(IReadOnlyCollection* collection) {
        ComPtr<IUnknown> unknown;
        EXPECT_HRESULT_SUCCEEDED(collection->get__NewEnum(&unknown));
        ComPtr<IEnumVARIANT> enumerator;
        if (unknown) {
            EXPECT_HRESULT_SUCCEEDED(unknown.As(&enumerator));
        }
        return enumerator;
    }

    static long pagesOf(IDispatch* element) {
        ComPtr<IPrintJob> job;
        if (!element || FAILED(element->QueryInterface(IID_PPV_ARGS(&job)))) return -1;
        long pages = 0;
        job->get_Pages(&pages);
        return pages;
    }

    std::vector<ComPtr<CPrintJob>> m_elements;
};

}  // namespace

TEST_F(CollectionTest, ItemByPositionWithRichErrorsOutsideTheRange) {
    ComPtr<CkeloReadOnlyCollection> collection = collectionOf(1);
    long count = -1;
    ASSERT_HRESULT_SUCCEEDED(collection->get_Count(&count));
    EXPECT_EQ(1, count);

    IDispatch* item = poisoned<IDispatch*>();
    ASSERT_HRESULT_SUCCEEDED(collection->Item(Variant(0L), &item));
    EXPECT_EQ(1, pagesOf(item));
    item->Release();

    item = poisoned<IDispatch*>();
    EXPECT_EQ(E_INVALIDARG, collection->Item(Variant(1L), &item));
    EXPECT_EQ(nullptr, item);
    EXPECT_EQ(L"ReadOnlyCollection - Index out of range", com::takeErrorDescription());
    EXPECT_EQ(E_INVALIDARG, collection->Item(Variant(-1L), &item));
    EXPECT_EQ(L"ReadOnlyCollection - Index out of range", com::takeErrorDescription());

    EXPECT_EQ(E_INVALIDARG, collection->Item(Variant(L"first"), &item));
    EXPECT_EQ(L"ReadOnlyCollection - Invalid Index", com::takeErrorDescription());

    ASSERT_HRESULT_SUCCEEDED(collection->Item(Variant(L"0"), &item)) << "a numeric text converts";
    item->Release();
    ASSERT_HRESULT_SUCCEEDED(collection->Item(Variant(0.4), &item));
    item->Release();

    ComPtr<ISupportErrorInfo> support;
    ASSERT_HRESULT_SUCCEEDED(collection.As(&support));
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IReadOnlyCollection));
}

TEST_F(CollectionTest, NextDeliversWhatIsLeftAndSaysSo) {
    ComPtr<CkeloReadOnlyCollection> collection = collectionOf(3);
    ComPtr<IEnumVARIANT> enumerator = enumeratorOf(collection.Get());
    ASSERT_TRUE(enumerator);

    VARIANT items[10];
    for (VARIANT& item : items) VariantInit(&item);
    ULONG fetched = 0xdeadbeef;
    EXPECT_EQ(S_FALSE, enumerator->Next(10, items, &fetched));
    ASSERT_EQ(3u, fetched);
    for (ULONG i = 0; i < 3; ++i) {
        EXPECT_EQ(VT_DISPATCH, items[i].vt);
        EXPECT_EQ((long)i + 1, pagesOf(items[i].pdispVal));
        VariantClear(&items[i]);
    }
    EXPECT_EQ(VT_EMPTY, items[3].vt);

    fetched = 0xdeadbeef;
    EXPECT_EQ(S_FALSE, enumerator->Next(1, items, &fetched));
    EXPECT_EQ(0u, fetched);

    ASSERT_HRESULT_SUCCEEDED(enumerator->Reset());
    EXPECT_EQ(S_OK, enumerator->Next(2, items, &fetched));
    EXPECT_EQ(2u, fetched);
    VariantClear(&items[0]);
    VariantClear(&items[1]);
    EXPECT_EQ(S_OK, enumerator->Next(1, items, nullptr)) << "the count is optional";
    EXPECT_EQ(3, pagesOf(items[0].pdispVal));
    VariantClear(&items[0]);
}

TEST_F(CollectionTest, SkipStopsAtTheEndAndResetStartsAgain) {
    ComPtr<CkeloReadOnlyCollection> collection = collectionOf(3);
    ComPtr<IEnumVARIANT> enumerator = enumeratorOf(collection.Get());
    ASSERT_TRUE(enumerator);
    VARIANT item;
    VariantInit(&item);
    ULONG fetched = 0;

    EXPECT_EQ(S_OK, enumerator->Skip(1));
    ASSERT_EQ(S_OK, enumerator->Next(1, &item, &fetched));
    EXPECT_EQ(2, pagesOf(item.pdispVal));
    VariantClear(&item);

    EXPECT_EQ(S_OK, enumerator->Skip(100));
    EXPECT_EQ(S_FALSE, enumerator->Next(1, &item, &fetched));
    EXPECT_EQ(0u, fetched);

    EXPECT_EQ(S_OK, enumerator->Reset());
    ASSERT_EQ(S_OK, enumerator->Next(1, &item, &fetched));
    EXPECT_EQ(1, pagesOf(item.pdispVal));
    VariantClear(&item);
}

TEST_F(CollectionTest, CloneIsNotSupported) {
    ComPtr<CkeloReadOnlyCollection> collection = collectionOf(2);
    ComPtr<IEnumVARIANT> enumerator = enumeratorOf(collection.Get());
    ASSERT_TRUE(enumerator);
    IEnumVARIANT* copy = poisoned<IEnumVARIANT*>();
    EXPECT_EQ(E_NOTIMPL, enumerator->Clone(&copy));
    EXPECT_EQ(nullptr, copy);
    EXPECT_EQ(E_POINTER, enumerator->Clone(nullptr));
}

TEST_F(CollectionTest, AnEmptyCollectionEnumeratesNothing) {
    ComPtr<CkeloReadOnlyCollection> collection = collectionOf(0);
    long count = -1;
    ASSERT_HRESULT_SUCCEEDED(collection->get_Count(&count));
    EXPECT_EQ(0, count);
    ComPtr<IEnumVARIANT> enumerator = enumeratorOf(collection.Get());
    ASSERT_TRUE(enumerator);
    VARIANT item;
    VariantInit(&item);
    ULONG fetched = 0xdeadbeef;
    EXPECT_EQ(S_FALSE, enumerator->Next(1, &item, &fetched));
    EXPECT_EQ(0u, fetched);
    EXPECT_EQ(VT_EMPTY, item.vt);
}

TEST_F(CollectionTest, TheEnumeratorKeepsItsCollectionAlive) {
    ComPtr<IEnumVARIANT> enumerator;
    {
        ComPtr<CkeloReadOnlyCollection> collection = collectionOf(2);
        enumerator = enumeratorOf(collection.Get());
    }
    VARIANT items[2];
    ULONG fetched = 0;
    EXPECT_EQ(S_OK, enumerator->Next(2, items, &fetched));
    EXPECT_EQ(2u, fetched);
    VariantClear(&items[0]);
    VariantClear(&items[1]);
}

TEST_F(CollectionTest, ForEachThroughIDispatch) {
    ComPtr<CkeloReadOnlyCollection> collection = collectionOf(3);
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(collection.As(&dispatch));
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    Variant result;
    ASSERT_HRESULT_SUCCEEDED(
        dispatch->Invoke(DISPID_NEWENUM, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.out(), nullptr, nullptr));
    ASSERT_EQ(VT_UNKNOWN, result.vt);
    ComPtr<IEnumVARIANT> enumerator;
    ASSERT_HRESULT_SUCCEEDED(result.punkVal->QueryInterface(IID_PPV_ARGS(&enumerator)));

    VARIANTARG index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 2;
    DISPPARAMS one = {&index, nullptr, 1, 0};
    Variant item;
    ASSERT_HRESULT_SUCCEEDED(dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &one,
                                              item.out(), nullptr, nullptr));
    ASSERT_EQ(VT_DISPATCH, item.vt);
    EXPECT_EQ(3, pagesOf(item.pdispVal));
}
