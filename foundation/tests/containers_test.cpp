#include "dictionary.h"
#include "list.h"
#include "memory.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {
template <class K, class V>
std::vector<K> keysOf(const T_Dictionary<K, V>& dictionary) {
    std::vector<K> keys;
    for (int i = 0; i < dictionary.count(); ++i) keys.push_back(dictionary.keyAt(i));
    return keys;
}
}  // namespace

TEST(List, GrowsAndShiftsOnInsertAndRemove) {
    LIST<std::string> list;
    for (int i = 0; i < 14; ++i) list.append(std::to_string(i));
    list.insert(0, "a");
    list.insert(15, "z");
    list.removeAt(1);
    list.removeAt(12);
    LIST<std::string> copy = list;
    copy[0] = "changed";
    EXPECT_EQ((std::vector<std::string>{"a", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "13", "z"}),
              std::vector<std::string>(list.begin(), list.end()));
    for (int bad : {-1, 14}) EXPECT_NE("<no error>", errorMessageOf([&] { list[bad]; })) << bad;
    EXPECT_NE("<no error>", errorMessageOf([&] { list.insert(15, "x"); }));
    EXPECT_NE("<no error>", errorMessageOf([&] { list.removeAt(14); }));
    EXPECT_EQ(14, list.count());

    LIST<double> preset(1);
    preset.append(1.5);
    uint32_t code = 0;
    EXPECT_EQ("LIST: cannot allocate memory 17179869184\n", errorMessageOf([&] { preset.grow(INT_MAX); }, &code));
    EXPECT_EQ(11u, code);
    EXPECT_EQ(1, preset.capacity());
    EXPECT_EQ(1.5, preset[0]);
}

TEST(Dictionary, BinarySearchKeepsKeysInOrderAndReportsInsertPositions) {
    T_Dictionary<int, int> dictionary(false, 5);
    EXPECT_EQ(-1, dictionary.find(5));
    EXPECT_EQ(0, dictionary.insertPosition(5));
    for (int i = 0; i < 101; ++i) EXPECT_TRUE(dictionary.add((i * 37) % 101 * 2, (i * 37) % 101 * 20));
    ASSERT_EQ(101, dictionary.count());
    for (int i = 0; i < 101; ++i) {
        EXPECT_EQ(i * 2, dictionary.keyAt(i));
        EXPECT_EQ(i, dictionary.find(i * 2));
        EXPECT_EQ(i * 20, dictionary.lookup(i * 2));
        EXPECT_EQ(-1, dictionary.find(i * 2 + 1));
        EXPECT_EQ(i + 1, dictionary.insertPosition(i * 2 + 1));
    }
    EXPECT_EQ(101, dictionary.insertPosition(1000));
    dictionary.removeAt(0);
    EXPECT_TRUE(dictionary.remove(8));
    EXPECT_FALSE(dictionary.remove(8));
    EXPECT_EQ(99, dictionary.count());
    EXPECT_EQ(2, dictionary.keyAt(0));
    EXPECT_EQ(3, dictionary.find(10));

    T_Dictionary<long, std::string> handles;
    for (long key : {3L, LONG_MIN, LONG_MAX, -5L}) handles.add(key, std::to_string(key));
    EXPECT_EQ((std::vector<long>{LONG_MIN, -5, 3, LONG_MAX}), keysOf(handles));

    T_Dictionary<std::wstring, int> printers;
    EXPECT_TRUE(printers.add(L"zolt", 1));
    EXPECT_TRUE(printers.add(L"Alpha", 2));
    EXPECT_TRUE(printers.add(L"beta", 3));
    EXPECT_FALSE(printers.add(L"ZOLT", 4));  // replaces
    EXPECT_EQ((std::vector<std::wstring>{L"Alpha", L"beta", L"zolt"}), keysOf(printers));
    EXPECT_EQ(4, printers.lookup(L"zOlT"));
}

TEST(Dictionary, MissingKeysAndBadIndexesThrowOnlyWithTheFlag) {
    T_Dictionary<long, int> strict(true), lenient;
    strict.add(1, 10);
    lenient.add(1, 10);
    lenient.setDefaultValue(-99);
    uint32_t code = 0;
    EXPECT_EQ("T_Dictionary: Key not found.", errorMessageOf([&] { strict.lookup(2); }, &code));
    EXPECT_EQ(1000u, code);
    for (int bad : {-1, 1}) {
        EXPECT_EQ("T_Dictionary: Index out of bounds.", errorMessageOf([&] { strict.valueAt(bad); })) << bad;
        EXPECT_EQ(-99, lenient.valueAt(bad)) << bad;
    }
    EXPECT_EQ(10, strict.valueAt(0));
    EXPECT_EQ(-99, lenient.lookup(2));
    EXPECT_EQ(1, lenient.count());
}

TEST(Memory, BlocksKeepEightZeroBytesAfterTheSizeAndGrowOnly) {
    for (size_t size : {0u, 1u, 7u, 8u, 9u, 100u}) {
        cMEMORY block(size);
        EXPECT_EQ(size, block.size());
        EXPECT_GE(block.capacity(), size + 8);
        for (size_t i = 0; i < block.capacity(); ++i) ASSERT_EQ(0, block.data()[i]) << size;
    }
    cMEMORY block(4);
    memcpy(block.data(), "abcd", 4);
    unsigned char* before = block.data();
    for (size_t smaller : {4u, 2u}) {
        block.resize(smaller, false);  // neither a new block nor lost content
        EXPECT_EQ(smaller, block.size());
        EXPECT_EQ(before, block.data());
        EXPECT_EQ(0, memcmp(block.data(), "abcd", 4));
    }
    block.resize(100, true);
    EXPECT_EQ(100u, block.size());
    EXPECT_EQ(0, memcmp(block.data(), "ab\0\0", 4));
    block.resize(200, false);
    EXPECT_EQ(0, block.data()[0]);

    uint32_t code = 0;
    std::string message = errorMessageOf([&] { block.resize(SIZE_MAX - 4, true); }, &code);
    EXPECT_EQ(11u, code);
    EXPECT_EQ(0u, message.find("cMEMORY: allocate memory ")) << message;
    EXPECT_EQ(200u, block.size());
    message = errorMessageOf([] { cMEMORY huge(SIZE_MAX - 4); });
    EXPECT_EQ(0u, message.find("cMEMORY: cannot allocate memory ")) << message;
}
