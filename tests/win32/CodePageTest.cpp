// The code pages of the machine through WideCharToMultiByte and MultiByteToWideChar.

#include "WinTestSupport.h"

#include "platform/CodePage.h"
#include "platform/System.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

struct TConversion {
    std::uint32_t CodePage;
    std::string Text;
    std::string Bytes;
    bool Replaced;
};

TEST(CodePageTest, TextInAndOutOfTheCodePages) {
    const std::vector<TConversion> cases = {
        {1252, "Gr\u00fc\u00dfe \u20ac",
         "Gr\xfc\xdf"
         "e \x80",
         false},
        {1250, "\u0141\u00f3d\u017a",
         "\xa3\xf3"
         "d\x9f",
         false},
        {1252, "Schneemann \u2603", "Schneemann ?", true},
        {1250, "\u4e2d", "?", true},
        {1252, "", "", false},
        {1252, std::string("a\0b", 3), std::string("a\0b", 3), false},
    };
    for (const TConversion& conversion : cases) {
        SCOPED_TRACE(conversion.Text);
        bool replaced = !conversion.Replaced;
        EXPECT_EQ(Utf8ToCodePage(conversion.CodePage, conversion.Text, &replaced),
                  conversion.Bytes);
        EXPECT_EQ(replaced, conversion.Replaced);
        if (!conversion.Replaced) {
            EXPECT_EQ(CodePageToUtf8(conversion.CodePage, conversion.Bytes), conversion.Text);
        }
    }
}

TEST(CodePageTest, EveryByteOfTheWesternAndCentralPagesComesBack) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all += static_cast<char>(byte);
    }
    for (const std::uint32_t codePage : {1250u, 1252u}) {
        SCOPED_TRACE(codePage);
        bool replaced = true;
        EXPECT_EQ(Utf8ToCodePage(codePage, CodePageToUtf8(codePage, all), &replaced), all);
        EXPECT_FALSE(replaced);
    }
}

TEST(CodePageTest, TheAnsiCodePageIsTheMachines) {
    EXPECT_EQ(platform::GetACP(), ::GetACP());
    EXPECT_TRUE(platform::IsValidCodePage(1252));
    EXPECT_FALSE(platform::IsValidCodePage(12345));
    EXPECT_THROW(Utf8ToCodePage(12345, "x"), ESystemError);
    EXPECT_EQ(AnsiToUtf8("plain"), "plain");
    EXPECT_EQ(Utf8ToAnsi("plain"), "plain");
    // Whatever the machine's page, its own bytes come back through it.
    const std::string text = AnsiToUtf8("\xe9t\xe9");
    EXPECT_EQ(Utf8ToAnsi(text), "\xe9t\xe9");
}

} // namespace
