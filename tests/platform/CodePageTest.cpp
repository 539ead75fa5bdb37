#include "platform/CodePage.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include "ThrowsWith.h"

#include <gtest/gtest.h>

using platform_test::ThrowsWith;
using namespace platform;
using testing_support::TTestSystem;

namespace {

struct TEncodingRow {
    std::uint32_t CodePage;
    std::string Text;
    std::string Bytes;
    bool Replaced;
};

void PrintTo(const TEncodingRow& row, std::ostream* out) {
    *out << row.CodePage << " " << ::testing::PrintToString(row.Text);
}

// Text of the code page written as bytes, so that a test shows exactly what a client reads.
std::string Bytes(std::initializer_list<unsigned> values) {
    std::string out;
    for (const unsigned v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

class TCodePageEncoding : public ::testing::TestWithParam<TEncodingRow> {};

} // namespace

TEST_P(TCodePageEncoding, TextBecomesTheBytesOfTheCodePage) {
    const TEncodingRow& row = GetParam();
    bool replaced = !row.Replaced;
    EXPECT_EQ(Utf8ToCodePage(row.CodePage, row.Text, &replaced), row.Bytes);
    EXPECT_EQ(replaced, row.Replaced);
    if (!row.Replaced) {
        EXPECT_EQ(CodePageToUtf8(row.CodePage, row.Bytes), row.Text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TCodePageEncoding,
    ::testing::Values(TEncodingRow{1252, "Vorlage für Internetadressen",
                                   "Vorlage f" + Bytes({0xFC}) + "r Internetadressen", false},
                      TEncodingRow{1250, "Vorlage für Internetadressen",
                                   "Vorlage f" + Bytes({0xFC}) + "r Internetadressen", false},
                      TEncodingRow{1252, "Grüße €5 „x“",
                                   "Gr" + Bytes({0xFC, 0xDF, 0x65, 0x20, 0x80}) + "5 " +
                                       Bytes({0x84}) + "x" + Bytes({0x93}),
                                   false},
                      TEncodingRow{1250, "Łódź Žár",
                                   Bytes({0xA3, 0xF3, 0x64, 0x9F, 0x20, 0x8E, 0xE1, 0x72}), false},
                      // Letters the code page lacks lose their marks; other characters become "?".
                      TEncodingRow{1252, "Łódź", "L" + Bytes({0xF3}) + "dz", true},
                      TEncodingRow{1250, "Àñø", "Ano", true},
                      TEncodingRow{1252, "ＡＢ\u2003-\u2011", "AB --", true},
                      TEncodingRow{1252, "日本", "??", true},
                      TEncodingRow{1250, "a😀b", "a?b", true},
                      TEncodingRow{1252, std::string("a\xFF\xC3z", 4), "a??z",
                                   true}, // broken UTF-8
                      TEncodingRow{1252, std::string("a\0b", 3), std::string("a\0b", 3), false}));

TEST(CodePage, EveryByteIsACharacterAndComesBack) {
    for (const std::uint32_t codePage : {1250u, 1252u}) {
        std::string all;
        for (int b = 0; b < 256; ++b) {
            all += static_cast<char>(b);
        }
        bool replaced = true;
        EXPECT_EQ(Utf8ToCodePage(codePage, CodePageToUtf8(codePage, all), &replaced), all)
            << codePage;
        EXPECT_FALSE(replaced) << codePage;
    }
}

TEST(CodePage, UnknownCodePagesAreRefusedNotGuessed) {
    EXPECT_FALSE(IsValidCodePage(437));
    EXPECT_FALSE(IsValidCodePage(65001));
    EXPECT_THROW(Utf8ToCodePage(437, "x"), ESystemError);
    EXPECT_THROW(CodePageToUtf8(1251, "x"), ESystemError);
}

TEST(CodePage, TheMachineAnsiCodePageComesFromSystemIni) {
    {
        TTestSystem system;
        EXPECT_EQ(GetACP(), 1252u);
        EXPECT_EQ(Utf8ToAnsi("ő"), "o"); // 1252 has no o with double acute
    }
    TTestSystem system("[Windows]\nAnsiCodePage=1250\n");
    EXPECT_EQ(GetACP(), 1250u);
    EXPECT_EQ(Utf8ToAnsi("ő"), Bytes({0xF5}));
    EXPECT_EQ(AnsiToUtf8(Bytes({0xF5, 0x8A})), "őŠ");
}

TEST(MachineFacts, UserSidAndCodePageHaveDefaultsAndAreChecked) {
    const TMachineFacts defaults = ParseMachineFacts("", "/root");
    EXPECT_EQ(defaults.UserSid, DefaultUserSid);
    EXPECT_EQ(defaults.AnsiCodePage, 1252);
    const TMachineFacts chosen = ParseMachineFacts(
        "[Windows]\nAnsiCodePage=1250\n[User]\nSid=S-1-5-21-1-2-3-1001\n", "/root");
    EXPECT_EQ(chosen.UserSid, "S-1-5-21-1-2-3-1001");
    EXPECT_EQ(chosen.AnsiCodePage, 1250);

    for (const char* bad : {"[Windows]\nAnsiCodePage=437\n", "[Windows]\nAnsiCodePage=-1\n",
                            "[User]\nSid=S-1-5-21-1-2\\..\\x\n", "[User]\nSid=S-1-5--1\n",
                            "[User]\nSid=S-1-5-\n", "[User]\nSid=Anna\n"}) {
        EXPECT_TRUE(ThrowsWith<ESystemError>([&] { TTestSystem system(bad); }, "system.ini"))
            << bad;
    }
}
