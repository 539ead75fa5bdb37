#include "accounts/RegistryHelpers.h"

#include "support/TestSystem.h"

#include <gtest/gtest.h>

using platform::TRegistry;
using testing_support::TTestSystem;

namespace {

using TBytes = std::vector<std::uint8_t>;

const std::string Values = R"([HKEY_CURRENT_USER\Software\Test]
"Text"="plain"
"Expand"=hex(2):25,00,54,00,25,00,00,00
"Number"=dword:0000002a
"Short"=hex(4):01,00
"Hex"=hex:0a,ff
"Wide"=hex:61,00,62,00,00,00,63,00
"Odd"=hex:61,00,62
"Guid"=hex:78,56,34,12,34,12,78,56,12,34,56,78,9a,bc,de,f0,ff
"ShortGuid"=hex:01,02
"List"=hex(7):61,00,00,00,00,00
)";

class TRegistryHelpers : public ::testing::Test {
protected:
    TRegistryHelpers() : System("", "", Values) {
        EXPECT_TRUE(Reg.OpenKey("\\Software\\Test", false));
    }
    TTestSystem System;
    TRegistry Reg;
};

const TGUID Sample{0x12345678, 0x1234, 0x5678, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}};

} // namespace

TEST_F(TRegistryHelpers, TypedReadersAcceptOnlyTheirOwnType) {
    EXPECT_EQ(ReadRegStringChecked(Reg, "Text"), "plain");
    EXPECT_EQ(ReadRegStringChecked(Reg, "Expand"), "");
    EXPECT_EQ(ReadRegStringChecked(Reg, "Number"), "");
    EXPECT_EQ(ReadRegStringChecked(Reg, "Missing"), "");
    EXPECT_EQ(ReadRegIntegerDef(Reg, "Number", -1), 42);
    EXPECT_EQ(ReadRegIntegerDef(Reg, "Text", -1), -1);
    EXPECT_EQ(ReadRegIntegerDef(Reg, "Short", -1), -1);
    EXPECT_EQ(ReadRegIntegerDef(Reg, "Missing", 5), 5);
}

TEST_F(TRegistryHelpers, WideStringsLiveInBinaryValues) {
    WriteRegWideString(Reg, "New", "ab");
    EXPECT_EQ(Reg.GetDataType("New"), platform::TRegDataType::rdBinary);
    EXPECT_EQ(Reg.ReadBinaryData("New"), (TBytes{0x61, 0x00, 0x62, 0x00, 0x00, 0x00}));
    EXPECT_EQ(ReadRegWideString(Reg, "New"), "ab");
    WriteRegWideString(Reg, "Umlaut", "Grüße");
    EXPECT_EQ(Reg.GetDataSize("Umlaut"), 12);
    EXPECT_EQ(ReadRegWideString(Reg, "Umlaut"), "Grüße");
    EXPECT_EQ(ReadRegWideString(Reg, "Wide"), "ab"); // up to the first NUL
    EXPECT_EQ(ReadRegWideString(Reg, "Odd"), "a");
    EXPECT_EQ(ReadRegWideString(Reg, "Text"), "");
    EXPECT_EQ(ReadRegWideString(Reg, "Missing"), "");
}

TEST_F(TRegistryHelpers, GuidsRoundTripThroughBinaryValues) {
    EXPECT_TRUE(SameGuid(ReadRegGuid(Reg, "Guid"), Sample));
    EXPECT_TRUE(SameGuid(ReadRegGuid(Reg, "Missing"), TGUID{}));
    EXPECT_TRUE(SameGuid(ReadRegGuid(Reg, "Text"), TGUID{}));
    const TGUID shortGuid = ReadRegGuid(Reg, "ShortGuid");
    EXPECT_EQ(shortGuid.Data1, 0x0201u);
    EXPECT_EQ(shortGuid.Data4[7], 0);
    WriteRegGuid(Reg, "Written", Sample);
    const std::string written = "7856341234127856123456789ABCDEF0";
    EXPECT_EQ(ReadRegBinaryHex(Reg, "Written"), written);
    EXPECT_TRUE(SameGuid(ReadRegGuid(Reg, "Written"), Sample));
}

TEST_F(TRegistryHelpers, BinaryHexShowsEveryByteOfAnyType) {
    EXPECT_EQ(ReadRegBinaryHex(Reg, "Hex"), "0AFF");
    EXPECT_EQ(ReadRegBinaryHex(Reg, "Number"), "2A000000");
    EXPECT_EQ(ReadRegBinaryHex(Reg, "List"), "610000000000");
    EXPECT_EQ(ReadRegBinaryHex(Reg, "Missing"), "");
}

TEST(GuidText, ParsesFormatsAndCompares) {
    const std::string text = "{12345678-1234-5678-1234-56789ABCDEF0}";
    ASSERT_TRUE(StringToGuid(text));
    EXPECT_TRUE(SameGuid(*StringToGuid(text), Sample));
    EXPECT_EQ(GuidToString(Sample), text);
    EXPECT_TRUE(GuidTextEquals("{12345678-1234-5678-1234-56789abcdef0}", Sample));
    EXPECT_FALSE(GuidTextEquals("{12345678-1234-5678-1234-56789abcdef1}", Sample));
    for (const char* bad :
         {"", "12345678-1234-5678-1234-56789ABCDEF0", "{12345678-1234-5678-1234-56789ABCDEF0",
          "{12345678-1234-5678-123456789ABCDEF0}", "{1234567G-1234-5678-1234-56789ABCDEF0}",
          "{12345678-1234-5678-1234-56789ABCDEF0}x"}) {
        EXPECT_FALSE(StringToGuid(bad)) << bad;
        EXPECT_FALSE(GuidTextEquals(bad, Sample)) << bad;
    }
    EXPECT_EQ(GuidToString(TGUID{}), "{00000000-0000-0000-0000-000000000000}");
    TGUID other = Sample;
    other.Data4[7] ^= 1;
    EXPECT_FALSE(SameGuid(other, Sample));
}

TEST(GuidText, NewGuidsAreBracedUpperCaseAndDiffer) {
    TTestSystem system;
    const std::string a = NewGuidString();
    const std::string b = NewGuidString();
    ASSERT_TRUE(StringToGuid(a)) << a;
    EXPECT_EQ(GuidToString(*StringToGuid(a)), a);
    EXPECT_NE(a, b);
}

TEST(TextCompare, SameTextIgnoresCase) {
    EXPECT_TRUE(SameTextIgnoreCase("Thunderbird.EXE", "thunderbird.exe"));
    EXPECT_TRUE(SameTextIgnoreCase("ÄRGER", "ärger"));
    EXPECT_FALSE(SameTextIgnoreCase("abc", "abd"));
    EXPECT_FALSE(SameTextIgnoreCase("abc", "abc "));
}

TEST(DefaultMailClient, ComesFromTheThirtyTwoBitViewOnly) {
    {
        TTestSystem system("", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Clients\\Mail]\n@=\"Outlook\"\n");
        EXPECT_EQ(DefaultMailClientName(), "");
    }
    {
        TTestSystem system("", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Clients\\Mail]\n"
                               "@=\"Mozilla Thunderbird\"\n");
        EXPECT_EQ(DefaultMailClientName(), "Mozilla Thunderbird");
    }
    TTestSystem system("", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Clients\\Mail]\n"
                           "\"NotDefault\"=\"x\"\n");
    EXPECT_EQ(DefaultMailClientName(), "");
}
