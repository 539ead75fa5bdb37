#include <clients/mozilla/Base64.h>

#include <gtest/gtest.h>

namespace {

TEST(Base64Test, EncodesWithPadding) {
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("f"), "Zg==");
    EXPECT_EQ(Base64Encode("fo"), "Zm8=");
    EXPECT_EQ(Base64Encode("foo"), "Zm9v");
    EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Base64Encode(std::string("\xFB\xFF\x00", 3)), "+/8A");
}

TEST(Base64Test, DecodeInvertsEncodeForAllByteValuesAndLengths) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        bytes += static_cast<char>(i);
    }
    for (std::size_t n = 0; n <= 10; ++n) {
        const std::string part = bytes.substr(250 - n, n);
        EXPECT_EQ(Base64Decode(Base64Encode(part)), part) << n;
        EXPECT_EQ(Base64Encode(part).size(), (n + 2) / 3 * 4);
    }
    EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes);
}

TEST(Base64Test, RejectsLengthsThatAreNoMultipleOfFour) {
    for (const std::string text : {"Zm9vY", "Z", "Zm9"}) {
        try {
            Base64Decode(text);
            FAIL() << text;
        } catch (const EBase64Error& e) {
            EXPECT_STREQ(e.what(), "Base64: Incorrect string format");
        }
    }
    EXPECT_EQ(Base64Decode(""), "");
}

TEST(Base64Test, WellFormedCheck) {
    EXPECT_TRUE(IsBase64("Zm8="));
    EXPECT_TRUE(IsBase64("Zg=="));
    EXPECT_TRUE(IsBase64(""));
    EXPECT_FALSE(IsBase64("Z==="));
    EXPECT_FALSE(IsBase64("Zm=v"));
    EXPECT_FALSE(IsBase64("Zm9v!A=="));
    EXPECT_FALSE(IsBase64("Zm9"));
}

} // namespace
