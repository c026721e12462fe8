#include "dictionary.h"
#include "list.h"
#include "memory.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

TEST(List, GrowsByTwiceTheCountPlusOneWhenFull) {
    LIST<std::wstring> list;
    std::vector<int> capacities;
    for (int i = 0; i < 14; ++i) {
        list.append(L"item " + std::to_wstring(i));
        capacities.push_back(list.capacity());
    }
    // 0 -> 1 -> 1+3 -> 4+9 -> 13+27
    EXPECT_EQ((std::vector<int>{1, 4, 4, 4, 13, 13, 13, 13, 13, 13, 13, 13, 13, 40}), capacities);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(L"item " + std::to_wstring(i), list[i]);

    LIST<int> preset(5);
    EXPECT_EQ(5, preset.capacity());
    for (int i = 0; i < 6; ++i) preset.append(i);
    EXPECT_EQ(16, preset.capacity());
    preset.grow(3);
    EXPECT_EQ(19, preset.capacity());
    EXPECT_EQ(6, preset.count());
}

TEST(List, InsertAndRemoveShiftTheOtherItems) {
    LIST<std::string> list;
    list.append("b");
    list.insert(0, "a");
    list.insert(2, "d");
    list.insert(2, "c");
    ASSERT_EQ(4, list.count());
    EXPECT_EQ("a", list[0]);
    EXPECT_EQ("b", list[1]);
    EXPECT_EQ("c", list[2]);
    EXPECT_EQ("d", list[3]);
    list.removeAt(1);
    list.removeAt(2);
    ASSERT_EQ(2, list.count());
    EXPECT_EQ("a", list[0]);
    EXPECT_EQ("c", list[1]);

    EXPECT_NE("<no error>", errorMessageOf([&] { list[2]; }));
    EXPECT_NE("<no error>", errorMessageOf([&] { list[-1]; }));
    EXPECT_NE("<no error>", errorMessageOf([&] { list.insert(3, "x"); }));
    EXPECT_NE("<no error>", errorMessageOf([&] { list.removeAt(2); }));
    EXPECT_EQ(2, list.count());
}

TEST(List, CopiesAreIndependent) {
    LIST<std::string> original;
    original.append("one");
    LIST<std::string> copy = original;
    copy.append("two");
    copy[0] = "changed";
    EXPECT_EQ(1, original.count());
    EXPECT_EQ("one", original[0]);
    LIST<std::string> moved = std::move(copy);
    EXPECT_EQ(2, moved.count());
    EXPECT_EQ(0, copy.count());
}

TEST(List, ImpossibleGrowthThrowsOutOfMemory) {
    LIST<double> list(1);
    list.append(1.5);
    uint32_t code = 0;
    std::string message = errorMessageOf([&] { list.grow(INT_MAX); }, &code);
    EXPECT_EQ(11u, code);
    EXPECT_EQ("LIST: cannot allocate memory 17179869184\n", message);
    EXPECT_EQ(1, list.capacity());
    EXPECT_EQ(1.5, list[0]);
}

TEST(Dictionary, BinarySearchFindsEveryKeyAndReportsInsertPositions) {
    T_Dictionary<int, int> dictionary;
    EXPECT_EQ(-1, dictionary.find(5));
    EXPECT_EQ(0, dictionary.insertPosition(5));

    std::vector<int> keys;
    for (int i = 0; i < 101; ++i) keys.push_back((i * 37) % 101 * 2);  // even numbers 0..200, scrambled
    for (int key : keys) EXPECT_TRUE(dictionary.add(key, key * 10));
    ASSERT_EQ(101, dictionary.count());
    for (int i = 0; i < 101; ++i) {
        EXPECT_EQ(i * 2, dictionary.keyAt(i));
        EXPECT_EQ(i, dictionary.find(i * 2));
        EXPECT_EQ(i * 20, dictionary.lookup(i * 2));
        EXPECT_EQ(-1, dictionary.find(i * 2 + 1));
        EXPECT_EQ(i + 1, dictionary.insertPosition(i * 2 + 1));
    }
    EXPECT_EQ(0, dictionary.insertPosition(-1));
    EXPECT_EQ(101, dictionary.insertPosition(1000));
}

TEST(Dictionary, IntegerKeysCompareSigned) {
    T_Dictionary<long, std::string> handles;
    handles.add(3, "three");
    handles.add(LONG_MIN, "min");
    handles.add(LONG_MAX, "max");
    handles.add(-5, "minus five");
    ASSERT_EQ(4, handles.count());
    EXPECT_EQ(LONG_MIN, handles.keyAt(0));
    EXPECT_EQ(-5, handles.keyAt(1));
    EXPECT_EQ(3, handles.keyAt(2));
    EXPECT_EQ(LONG_MAX, handles.keyAt(3));
    EXPECT_EQ("minus five", handles.lookup(-5));
}

TEST(Dictionary, WideKeysIgnoreCaseAndAddReplaces) {
    T_Dictionary<std::wstring, int> printers;
    EXPECT_TRUE(printers.add(L"zolt", 1));
    EXPECT_TRUE(printers.add(L"Alpha", 2));
    EXPECT_TRUE(printers.add(L"beta", 3));
    EXPECT_EQ(L"Alpha", printers.keyAt(0));
    EXPECT_EQ(L"beta", printers.keyAt(1));
    EXPECT_EQ(L"zolt", printers.keyAt(2));

    EXPECT_FALSE(printers.add(L"ZOLT", 4));
    EXPECT_EQ(3, printers.count());
    EXPECT_EQ(4, printers.lookup(L"Zolt"));
    EXPECT_EQ(2, printers.find(L"zOlT"));
}

TEST(Dictionary, MissingKeysAndBadIndexesThrowOnlyWithTheFlag) {
    T_Dictionary<long, int> strict(true, 5);
    strict.add(1, 10);
    uint32_t code = 0;
    EXPECT_EQ("T_Dictionary: Key not found.", errorMessageOf([&] { strict.lookup(2); }, &code));
    EXPECT_EQ(1000u, code);
    EXPECT_EQ("T_Dictionary: Index out of bounds.", errorMessageOf([&] { strict.valueAt(1); }));
    EXPECT_EQ("T_Dictionary: Index out of bounds.", errorMessageOf([&] { strict.valueAt(-1); }));
    EXPECT_EQ(10, strict.valueAt(0));

    T_Dictionary<long, int> lenient;
    lenient.setDefaultValue(-99);
    lenient.add(1, 10);
    EXPECT_EQ(-99, lenient.lookup(2));
    EXPECT_EQ(-99, lenient.valueAt(-1));
    EXPECT_EQ(-99, lenient.valueAt(1));
    EXPECT_EQ(1, lenient.count());
    EXPECT_EQ(-1, lenient.find(2));
}

TEST(Dictionary, GrowsByTwiceTheCountPlusOneAndKeepsOrderOnRemoval) {
    T_Dictionary<int, int> dictionary(false, 5);
    for (int i = 0; i < 6; ++i) dictionary.add(10 - i, i);
    EXPECT_EQ(16, dictionary.capacity());
    dictionary.removeAt(0);
    EXPECT_TRUE(dictionary.remove(8));
    EXPECT_FALSE(dictionary.remove(8));
    ASSERT_EQ(4, dictionary.count());
    EXPECT_EQ(6, dictionary.keyAt(0));
    EXPECT_EQ(7, dictionary.keyAt(1));
    EXPECT_EQ(9, dictionary.keyAt(2));
    EXPECT_EQ(10, dictionary.keyAt(3));
    EXPECT_EQ(2, dictionary.find(9));
}

TEST(Memory, AllocationLeavesAtLeastEightZeroBytesAfterTheSize) {
    for (size_t size : {0u, 1u, 7u, 8u, 9u, 100u}) {
        cMEMORY block(size);
        EXPECT_EQ(size, block.size());
        EXPECT_EQ((size + 15) & ~size_t(7), block.capacity());
        EXPECT_GE(block.capacity() - block.size(), 8u);
        for (size_t i = 0; i < block.capacity(); ++i) ASSERT_EQ(0, block.data()[i]);
    }
}

TEST(Memory, ResizeGrowsOnlyAndKeepsContentWhenAsked) {
    cMEMORY block(4);
    memcpy(block.data(), "abcd", 4);
    unsigned char* before = block.data();
    block.resize(2, true);
    EXPECT_EQ(2u, block.size());
    EXPECT_EQ(before, block.data());

    block.resize(100, true);
    EXPECT_EQ(100u, block.size());
    EXPECT_EQ(0, memcmp(block.data(), "ab", 2));

    block.resize(200, false);
    EXPECT_EQ(200u, block.size());
    EXPECT_EQ(0, block.data()[0]);

    uint32_t code = 0;
    std::string message = errorMessageOf([&] { block.resize(SIZE_MAX - 4, true); }, &code);
    EXPECT_EQ(11u, code);
    EXPECT_EQ(0u, message.find("cMEMORY: allocate memory ")) << message;
    EXPECT_EQ(200u, block.size());

    message = errorMessageOf([] { cMEMORY huge(SIZE_MAX - 4); }, &code);
    EXPECT_EQ(0u, message.find("cMEMORY: cannot allocate memory ")) << message;
}
