// Read-only collections and their enumerators. (Script clients reach Item and _NewEnum
// through the type library's ids, which the type library test holds.)
#include "bstr.h"
#include "collection_enumerator.h"
#include "com/error_info.h"
#include "engine_test_support.h"
#include "print_job.h"
#include "read_only_collection.h"
#include "variant.h"

using namespace enginetest;

namespace {

class CollectionTest : public ComTest {
protected:
    ComPtr<CkeloReadOnlyCollection> collectionOf(int count) {
        std::vector<ComPtr<IDispatch>> items;
        for (int i = 0; i < count; ++i) {
            ComPtr<CPrintJob> job = com::make<CPrintJob>();
            job->put_Pages(i + 1);  // tells the elements apart
            items.push_back(static_cast<IDispatch*>(static_cast<IPrintJob*>(job.Get())));
        }
        ComPtr<CkeloReadOnlyCollection> collection = com::make<CkeloReadOnlyCollection>();
        collection->setData(items);
        return collection;
    }

    // The pages of the element in the variant (cleared), -1 for none.
    static long pagesOf(VARIANT& element) {
        ComPtr<IPrintJob> job;
        long pages = -1;
        if (element.vt == VT_DISPATCH && SUCCEEDED(element.pdispVal->QueryInterface(IID_PPV_ARGS(&job))))
            job->get_Pages(&pages);
        VariantClear(&element);
        return pages;
    }
};

}  // namespace

TEST_F(CollectionTest, ItemByPositionWithRichErrorsOutsideTheRange) {
    ComPtr<CkeloReadOnlyCollection> collection = collectionOf(1);
    long count = -1;
    ASSERT_HRESULT_SUCCEEDED(collection->get_Count(&count));
    EXPECT_EQ(1, count);

    for (const Variant& index : {Variant(0L), Variant(L"0"), Variant(0.4)}) {
        IDispatch* item = poisoned<IDispatch*>();
        ASSERT_HRESULT_SUCCEEDED(collection->Item(index, &item)) << "a number, or a text or real that converts";
        VARIANT element = {};
        element.vt = VT_DISPATCH;
        element.pdispVal = item;
        EXPECT_EQ(1, pagesOf(element));
    }
    const struct {
        Variant index;
        const wchar_t* description;
    } refusals[] = {{Variant(1L), L"ReadOnlyCollection - Index out of range"},
                    {Variant(-1L), L"ReadOnlyCollection - Index out of range"},
                    {Variant(L"first"), L"ReadOnlyCollection - Invalid Index"}};
    for (const auto& refusal : refusals) {
        IDispatch* item = poisoned<IDispatch*>();
        EXPECT_EQ(E_INVALIDARG, collection->Item(refusal.index, &item));
        EXPECT_EQ(nullptr, item);
        EXPECT_EQ(refusal.description, com::takeErrorDescription());
    }
}

TEST_F(CollectionTest, TheEnumeratorNextSkipAndReset) {
    ComPtr<IUnknown> unknown;
    ComPtr<IEnumVARIANT> enumerator;
    ASSERT_HRESULT_SUCCEEDED(collectionOf(3)->get__NewEnum(&unknown));
    ASSERT_HRESULT_SUCCEEDED(unknown.As(&enumerator));  // it keeps its collection alive
    VARIANT items[10];
    for (VARIANT& item : items) VariantInit(&item);
    ULONG fetched = 0xdeadbeef;
    EXPECT_EQ(S_FALSE, enumerator->Next(10, items, &fetched)) << "fewer than asked for";
    ASSERT_EQ(3u, fetched);
    for (long i = 0; i < 3; ++i) EXPECT_EQ(i + 1, pagesOf(items[i]));
    EXPECT_EQ(VT_EMPTY, items[3].vt);
    fetched = 0xdeadbeef;
    EXPECT_EQ(S_FALSE, enumerator->Next(1, items, &fetched));
    EXPECT_EQ(0u, fetched);

    ASSERT_HRESULT_SUCCEEDED(enumerator->Reset());
    EXPECT_EQ(S_OK, enumerator->Skip(1));
    EXPECT_EQ(S_OK, enumerator->Next(1, items, nullptr)) << "the count is optional";
    EXPECT_EQ(2, pagesOf(items[0]));
    EXPECT_EQ(S_OK, enumerator->Skip(100));
    EXPECT_EQ(S_FALSE, enumerator->Next(1, items, &fetched));
}
