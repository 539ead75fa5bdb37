#include "OeAccountTestSupport.h"

#include "clients/oeaccount/OeAccountPasswords.h"
#include "platform/DataProtection.h"

#include <gtest/gtest.h>

using namespace oeaccount_test;

namespace {

class OeAccountPasswordsTest : public ::testing::Test {
protected:
    testing_support::TTestSystem System;

    // What the sealed text holds, unsealed with the salt.
    static std::vector<std::uint8_t> SealedData(const std::string& hexText) {
        const auto blob = HexToBytes(hexText);
        EXPECT_TRUE(blob.has_value()) << hexText;
        const auto opened = platform::CryptUnprotectData(blob.value_or(std::vector<std::uint8_t>{}),
                                                         FixtureSalt, 0);
        EXPECT_TRUE(opened.has_value());
        return opened ? opened->Data : std::vector<std::uint8_t>{};
    }
};

// An empty password is still sealed, as a lone terminator.
TEST_F(OeAccountPasswordsTest, SealsUtf16TextWithOneZeroCharacterUnderTheSalt) {
    const struct {
        const char* Password;
        std::vector<std::uint8_t> Data;
    } rows[] = {{"aé", {0x61, 0x00, 0xE9, 0x00, 0x00, 0x00}}, {"", {0x00, 0x00}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Password);
        const std::string sealed = ProtectPassword(row.Password, FixtureSaltHex);
        ASSERT_FALSE(sealed.empty());
        EXPECT_EQ(SealedData(sealed), row.Data);
        EXPECT_EQ(sealed, BytesToHex(*HexToBytes(sealed))); // upper-case digits, two per byte
        EXPECT_EQ(UnprotectPassword(sealed, FixtureSaltHex), row.Password);
    }
}

TEST_F(OeAccountPasswordsTest, TextOutsideTheAnsiCodePageSurvivesTheRoundTrip) {
    for (const std::string password : {"Geheim-42", "Zażółć 😀", "tab\there", "€uro"}) {
        EXPECT_EQ(UnprotectPassword(ProtectPassword(password, FixtureSaltHex), FixtureSaltHex),
                  password);
    }
}

TEST_F(OeAccountPasswordsTest, AnythingThatDoesNotUnsealGivesAnEmptyPassword) {
    const std::string sealed = ProtectPassword("Geheim-42", FixtureSaltHex);
    std::string flipped = sealed;
    flipped[flipped.size() - 1] = flipped.back() == '0' ? '1' : '0';
    const std::string otherSalt = "00000000000000000000000000000000";
    const struct {
        const char* What;
        std::string Text;
        std::string Salt;
    } rows[] = {
        {"empty text", "", FixtureSaltHex},
        {"odd number of digits", sealed.substr(1), FixtureSaltHex},
        {"pair that is not hexadecimal", "ZZ" + sealed.substr(2), FixtureSaltHex},
        {"changed byte", flipped, FixtureSaltHex},
        {"other salt", sealed, otherSalt},
        {"no salt", sealed, ""},
        {"salt that is not hexadecimal", sealed, "XYZ"},
        {"whole bytes but no blob", "0102030405", FixtureSaltHex},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(UnprotectPassword(row.Text, row.Salt), "") << row.What;
    }
}

// An empty salt seals without entropy; one that is not hexadecimal seals nothing.
TEST_F(OeAccountPasswordsTest, TheSaltDecidesWhatIsSealed) {
    const std::string sealed = ProtectPassword("x", "");
    EXPECT_EQ(UnprotectPassword(sealed, ""), "x");
    EXPECT_EQ(UnprotectPassword(sealed, FixtureSaltHex), "");
    EXPECT_EQ(ProtectPassword("x", "5A0"), "");
    EXPECT_EQ(ProtectPassword("x", "not hex!"), "");
}

} // namespace
