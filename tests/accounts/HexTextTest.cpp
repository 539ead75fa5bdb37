#include "accounts/HexText.h"
#include "accounts/RandomSource.h"
#include "accounts/RegistryHelpers.h"
#include "support/ScriptedRandom.h"

#include <gtest/gtest.h>

using testing_support::TScriptedRandom;

namespace {

using TBytes = std::vector<std::uint8_t>;

} // namespace

TEST(HexText, BytesBecomeUpperCasePairs) {
    EXPECT_EQ(BytesToHex(TBytes{}), "");
    EXPECT_EQ(BytesToHex(TBytes{0x00, 0x0a, 0xff, 0x5C}), "000AFF5C");
}

TEST(HexText, AnyCaseReadsBackAndBadTextIsRefused) {
    EXPECT_EQ(HexToBytes(""), TBytes{});
    EXPECT_EQ(HexToBytes("000aFF5c"), (TBytes{0x00, 0x0A, 0xFF, 0x5C}));
    for (const char* bad : {"0", "ABC", "0G", "G0", " 0A", "0A ", "0x0A", "+1", "1-"}) {
        EXPECT_FALSE(HexToBytes(bad)) << bad;
    }
    TBytes all(256);
    for (int i = 0; i < 256; ++i) {
        all[i] = static_cast<std::uint8_t>(i);
    }
    EXPECT_EQ(HexToBytes(BytesToHex(all)), all);
}

TEST(GuidHexDigits, MapiKeyNamesAreTheGuidTextInLowerCase) {
    const auto guid = StringToGuid("{9375CFF0-4131-11D3-B88A-00104B2A6676}");
    ASSERT_TRUE(guid);
    EXPECT_EQ(GuidToHexDigits(*guid), "9375cff0413111d3b88a00104b2a6676");
    const auto back = HexDigitsToGuid("9375CFF0413111d3B88A00104B2A6676");
    ASSERT_TRUE(back);
    EXPECT_TRUE(SameGuid(*back, *guid));
    for (const char* bad :
         {"", "9375cff0413111d3b88a00104b2a667", "9375cff0413111d3b88a00104b2a66767",
          "9375cff0-413111d3b88a00104b2a667", "{375cff0413111d3b88a00104b2a6676",
          "9375cff0413111d3b88a00104b2a667g"}) {
        EXPECT_FALSE(HexDigitsToGuid(bad)) << bad;
    }
}

TEST(RandomSource, DrawsBelowTheBoundWithoutFavouringLowNumbers) {
    // 2^32 is not a multiple of 100000000: the top 94967296 numbers would make the low ones
    // more likely, so they are drawn again.
    TScriptedRandom random({0xFFFFFFFFu, 4294967295u - 94967296u + 1, 123456789u, 7u});
    EXPECT_EQ(random.Below(100000000u), 23456789u);
    EXPECT_EQ(random.Below(100000000u), 7u);
    EXPECT_EQ(random.Left(), 0u);
    TScriptedRandom none({});
    EXPECT_EQ(none.Below(1), 0u); // nothing to draw
    EXPECT_EQ(none.Below(0), 0u);
}

TEST(RandomSource, SystemSourceFillsAndVaries) {
    std::uint8_t a[16] = {};
    std::uint8_t b[16] = {};
    SystemRandom().Fill(a, sizeof a);
    SystemRandom().Fill(b, sizeof b);
    EXPECT_NE(BytesToHex(a, sizeof a), BytesToHex(b, sizeof b));
    for (int i = 0; i < 1000; ++i) {
        EXPECT_LT(SystemRandom().Below(10), 10u);
    }
}

TEST(RandomSource, ARandomGuidCarriesTheVersionAndVariantOfASystemGuid) {
    // Data1, Data2|Data3, Data4[0..3], Data4[4..7] as they lie in memory.
    TScriptedRandom random({0x9375CFF0u, 0xFFFF4131u, 0x00008AB8u, 0x76662A4Bu});
    EXPECT_EQ(GuidToString(NewRandomGuid(random)), "{9375CFF0-4131-4FFF-B88A-00004B2A6676}");
    TScriptedRandom zeros({0, 0, 0, 0});
    EXPECT_EQ(GuidToHexDigits(NewRandomGuid(zeros)), "00000000000040008000000000000000");
}
