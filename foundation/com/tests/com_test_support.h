#pragma once
// Shared pieces of the COM support tests.
#include <windows.h>
#include <gtest/gtest.h>

#include <thread>

// Every test runs in the multithreaded apartment.
class ComTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)); }
    void TearDown() override { CoUninitialize(); }
};

template <class T>
T* poisoned() {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(0xdeadbeef));
}
