#include "dictionary.h"
#include "list.h"
#include "memory.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(List, GrowsAndShiftsOnInsertAndRemove) {
    LIST<std::string> list;
    for (int i = 0; i < 14; ++i) list.append(std::to_string(i));
    list.insert(0, "a");
    list.insert(15, "z");
    list.removeAt(1);
    list.removeAt(12);
    EXPECT_EQ((std::vector<std::string>{"a", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "13", "z"}),
              std::vector<std::string>(list.begin(), list.end()));
    for (int bad : {-1, 14}) EXPECT_NE("<no error>", errorMessageOf([&] { list[bad]; })) << bad;
    EXPECT_NE("<no error>", errorMessageOf([&] { list.insert(15, "x"); }));
    EXPECT_EQ(14, list.count());
}

// Keys in order (text keys without regard to case), a missing key or bad index throwing
// only with the flag, else giving the default value.
TEST(Dictionary, BinarySearchKeepsKeysInOrderAndThrowsOnlyWithTheFlag) {
    T_Dictionary<int, int> dictionary(true, 5);
    EXPECT_EQ(0, dictionary.insertPosition(5));
    for (int i = 0; i < 101; ++i) EXPECT_TRUE(dictionary.add((i * 37) % 101 * 2, (i * 37) % 101 * 20));
    for (int i = 0; i < 101; ++i) {
        EXPECT_EQ(i * 2, dictionary.keyAt(i));
        EXPECT_EQ(i * 20, dictionary.lookup(i * 2));
        EXPECT_EQ(-1, dictionary.find(i * 2 + 1));
        EXPECT_EQ(i + 1, dictionary.insertPosition(i * 2 + 1));
    }
    EXPECT_TRUE(dictionary.remove(8));
    EXPECT_FALSE(dictionary.remove(8));
    EXPECT_EQ(4, dictionary.find(10));
    EXPECT_EQ("T_Dictionary: Key not found.", errorMessageOf([&] { dictionary.lookup(1); }));
    EXPECT_EQ("T_Dictionary: Index out of bounds.", errorMessageOf([&] { dictionary.valueAt(100); }));

    T_Dictionary<std::wstring, int> printers;
    printers.setDefaultValue(-99);
    EXPECT_TRUE(printers.add(L"zolt", 1));
    EXPECT_TRUE(printers.add(L"Alpha", 2));
    EXPECT_FALSE(printers.add(L"ZOLT", 4));  // replaces
    EXPECT_EQ(L"Alpha", printers.keyAt(0));
    EXPECT_EQ(4, printers.lookup(L"zOlT"));
    EXPECT_EQ(-99, printers.lookup(L"beta"));
    EXPECT_EQ(-99, printers.valueAt(-1));
}

TEST(Memory, BlocksKeepEightZeroBytesAfterTheSizeAndGrowOnly) {
    cMEMORY block(4);
    EXPECT_GE(block.capacity(), 12u);
    for (size_t i = 0; i < block.capacity(); ++i) ASSERT_EQ(0, block.data()[i]);
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

    uint32_t code = 0;
    std::string message = errorMessageOf([&] { block.resize(SIZE_MAX - 4, true); }, &code);
    EXPECT_EQ(11u, code);
    EXPECT_EQ(0u, message.find("cMEMORY: allocate memory ")) << message;
    EXPECT_EQ(100u, block.size());
}
