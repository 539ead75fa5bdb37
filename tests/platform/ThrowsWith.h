#pragma once
// A check that a call raises a given error type whose text names what it should.

#include <gtest/gtest.h>

#include <string>

namespace platform_test {

// Succeeds when `call` throws an E whose text contains `fragment`; another error type passes
// through to the test as an uncaught exception.
template <class E, class F>
::testing::AssertionResult ThrowsWith(F&& call, const std::string& fragment) {
    try {
        call();
    } catch (const E& error) {
        if (std::string(error.what()).find(fragment) != std::string::npos) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "the error \"" << error.what() << "\" does not contain \"" << fragment << "\"";
    }
    return ::testing::AssertionFailure()
           << "no error, expected one containing \"" << fragment << "\"";
}

} // namespace platform_test
