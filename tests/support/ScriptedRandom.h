#pragma once
// A random source for store tests that answers the 32-bit numbers it was given, in order, and
// fails the test when more are drawn. Header only: for the tests of accounts/ and clients/.

#include "accounts/RandomSource.h"

#include <gtest/gtest.h>

#include <deque>

namespace testing_support {

class TScriptedRandom : public TRandomSource {
public:
    explicit TScriptedRandom(std::deque<std::uint32_t> numbers) : Numbers_(std::move(numbers)) {}

    // Each 4-byte draw takes one number (little-endian); longer draws take as many as needed.
    void Fill(std::uint8_t* buffer, std::size_t length) override {
        for (std::size_t i = 0; i < length; i += 4) {
            ASSERT_FALSE(Numbers_.empty()) << "more random numbers drawn than scripted";
            const std::uint32_t n = Numbers_.front();
            Numbers_.pop_front();
            for (std::size_t b = 0; b < 4 && i + b < length; ++b) {
                buffer[i + b] = static_cast<std::uint8_t>(n >> (8 * b));
            }
        }
    }
    std::size_t Left() const { return Numbers_.size(); }

private:
    std::deque<std::uint32_t> Numbers_;
};

} // namespace testing_support
