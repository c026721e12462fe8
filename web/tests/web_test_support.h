#pragma once
// Helpers shared by the web component's tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "error_msg.h"
#include "kelo_test.h"

namespace webtest {

// The message of the cERROR_MSG the call throws, or "<no error>".
template <typename Call>
std::string errorMessageOf(Call&& call) {
    try {
        call();
    } catch (const cERROR_MSG& error) {
        return error.message;
    }
    return "<no error>";
}

}  // namespace webtest
