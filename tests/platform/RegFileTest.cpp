#include "RegTestText.h"

#include "ThrowsWith.h"

#include "platform/RegFile.h"
#include "platform/RegKey.h"

#include <gtest/gtest.h>

#include <vector>

using platform::reg::ERegFileError;
using platform::reg::FormatRegFile;
using platform::reg::ParseRegFile;
using platform::reg::TRegKey;
using platform::reg::TRegValue;
using platform_test::ThrowsWith;
using reg_test::TextOf;
using reg_test::Utf16File;

namespace {

using TBytes = std::vector<std::uint8_t>;

// A regedit export with every value type, escapes, wrapped hex lines and empty keys.
constexpr std::string_view Export = R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER]

[HKEY_CURRENT_USER\Software]

[HKEY_CURRENT_USER\Software\Quenlix]
@="Standard"
"Text"="C:\\Program Files\\Quenlix \"Mail\""
"Empty"=""
"Count"=dword:0000002a
"Negative"=dword:ffffffff
"Blob"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\
  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\
  2f,30
"NoBytes"=hex:
"Path"=hex(2):25,00,41,00,50,00,50,00,44,00,41,00,54,00,41,00,25,00,5c,00,51,\
  00,00,00
"List"=hex(7):61,00,00,00,62,00,00,00,00,00
"Big"=hex(b):01,00,00,00,00,00,00,00
"Nothing"=hex(0):
"Raw"=hex(1):41,00
"Swapped"=hex(5):00,00,00,01
"Grüße"="Ärger ☺"

[HKEY_CURRENT_USER\Software\Quenlix\alpha]

[HKEY_CURRENT_USER\Software\Quenlix\Beta]
"A very long value name that leaves little room on the first line of hex"=hex:01,\
  02,03

)";

std::unique_ptr<TRegKey> Parse(const std::string& bytes,
                               const std::string& root = "HKEY_CURRENT_USER") {
    auto key = std::make_unique<TRegKey>(root, nullptr);
    key->Implicit = true; // as a hive's root starts out
    ParseRegFile(bytes, "test.reg", root, *key);
    return key;
}

const TRegValue& ValueAt(const TRegKey& root, const std::string& path, const std::string& name) {
    const TRegKey* key = &root;
    std::vector<std::string> names;
    platform::reg::SplitKeyPath(path, names);
    for (const auto& part : names) {
        key = key->FindSubKey(part);
        if (key == nullptr) {
            throw std::runtime_error("no key " + path);
        }
    }
    const TRegValue* value = key->FindValue(name);
    if (value == nullptr) {
        throw std::runtime_error("no value " + name);
    }
    return *value;
}

TBytes Wide(std::u16string_view text) {
    TBytes out;
    platform::reg::AppendUtf16Bytes(out, text);
    return out;
}

} // namespace

TEST(RegFile, RegeditExportRoundTripsByteForByte) {
    const std::string file = Utf16File(Export);
    const auto root = Parse(file);
    const std::string written = FormatRegFile(*root, "HKEY_CURRENT_USER");
    EXPECT_EQ(TextOf(written), Export);
    EXPECT_EQ(written, file);
}

TEST(RegFile, ReadsEveryValueForm) {
    const auto root = Parse(Utf16File(Export));
    const std::string key = "Software\\Quenlix";
    EXPECT_EQ(ValueAt(*root, key, "").Data, Wide(std::u16string(u"Standard") + u'\0'));
    const TRegValue& text = ValueAt(*root, key, "TEXT");
    EXPECT_EQ(text.Type, 1u);
    EXPECT_EQ(text.Data, Wide(std::u16string(u"C:\\Program Files\\Quenlix \"Mail\"") + u'\0'));
    EXPECT_EQ(ValueAt(*root, key, "Empty").Data, TBytes({0, 0}));
    EXPECT_EQ(ValueAt(*root, key, "Count").Data, TBytes({0x2a, 0, 0, 0}));
    EXPECT_EQ(ValueAt(*root, key, "Negative").Type, 4u);
    const TRegValue& blob = ValueAt(*root, key, "Blob");
    ASSERT_EQ(blob.Data.size(), 0x31u);
    for (std::size_t i = 0; i < blob.Data.size(); ++i) {
        EXPECT_EQ(blob.Data[i], i);
    }
    EXPECT_EQ(ValueAt(*root, key, "NoBytes").Type, 3u);
    EXPECT_TRUE(ValueAt(*root, key, "NoBytes").Data.empty());
    EXPECT_EQ(ValueAt(*root, key, "Path").Type, 2u);
    EXPECT_EQ(ValueAt(*root, key, "Path").Data, Wide(std::u16string(u"%APPDATA%\\Q") + u'\0'));
    EXPECT_EQ(ValueAt(*root, key, "List").Type, 7u);
    EXPECT_EQ(ValueAt(*root, key, "Big").Type, 11u);
    EXPECT_EQ(ValueAt(*root, key, "Nothing").Type, 0u);
    EXPECT_EQ(ValueAt(*root, key, "GRÜßE").Data, Wide(std::u16string(u"Ärger ☺") + u'\0'));
    EXPECT_EQ(ValueAt(*root, key + "\\Beta",
                      "A very long value name that leaves little room on the first line of hex")
                  .Data,
              TBytes({1, 2, 3}));
}

TEST(RegFile, DeletionLinesRemoveKeysAndValues) {
    const auto root = Parse(R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\A\Child]
"x"="1"

[HKEY_LOCAL_MACHINE\Software\A]
"keep"=dword:00000001
"drop"=dword:00000002

[-HKEY_LOCAL_MACHINE\Software\A\Child]

[-HKEY_LOCAL_MACHINE\Software\Never\Was]

[HKEY_LOCAL_MACHINE\Software\A]
"DROP"=-
"gone too"=-
)",
                            "HKEY_LOCAL_MACHINE");
    const TRegKey* a = root->FindSubKey("software")->FindSubKey("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->FindSubKey("Child"), nullptr);
    ASSERT_EQ(a->Values().size(), 1u);
    EXPECT_EQ(a->Values()[0].Name, "keep");
    EXPECT_EQ(root->FindSubKey("Software")->FindSubKey("Never"), nullptr);
}

TEST(RegFile, AcceptsUtf8AndRegedit4AndBareBodies) {
    // UTF-8 with BOM, LF line ends.
    auto root = Parse("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
                      "[HKEY_CURRENT_USER\\K]\n\"N\"=\"Grüße\"\n");
    EXPECT_EQ(ValueAt(*root, "K", "N").Data, Wide(std::u16string(u"Grüße") + u'\0'));
    // REGEDIT4 keeps string data of hex(2) and hex(7) in the ANSI code page (UTF-8 here).
    root = Parse("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"E\"=hex(2):25,41,25,00\r\n"
                 "\"M\"=hex(7):61,00,c3,a4,00,00\r\n\"B\"=hex:61,00\r\n");
    EXPECT_EQ(ValueAt(*root, "K", "E").Data, Wide(std::u16string(u"%A%") + u'\0'));
    EXPECT_EQ(ValueAt(*root, "K", "M").Data, Wide(std::u16string(u"a\0ä\0\0", 5)));
    EXPECT_EQ(ValueAt(*root, "K", "B").Data, TBytes({0x61, 0}));
    // A body without header, with comments, blanks and spaces around the parts.
    root = Parse("; fixture\n[HKEY_CURRENT_USER\\K]  \n  \"N\" = dword:7\n\"H\"=hex: 1 , 02 ,\n");
    EXPECT_EQ(ValueAt(*root, "K", "N").Data, TBytes({7, 0, 0, 0}));
    EXPECT_EQ(ValueAt(*root, "K", "H").Data, TBytes({1, 2}));
}

TEST(RegFile, ClassesRootKeysGoBelowSoftwareClassesOfTheMachine) {
    const auto root =
        Parse("[HKEY_CLASSES_ROOT\\Outlook.Application\\CLSID]\n@=\"{X}\"\n", "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(ValueAt(*root, "Software\\Classes\\Outlook.Application\\CLSID", "").Type, 1u);
    EXPECT_THROW(Parse("[HKEY_CLASSES_ROOT\\X]\n"), ERegFileError);
}

TEST(RegFile, FaultsNameFileAndLine) {
    struct TCase {
        std::string Text;
        int Line;
        std::string Fragment;
    };
    const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n";
    const std::vector<TCase> cases = {
        {head + "\"a\"=hex:01,02,\\\n", 4, "past the end"},
        {head + "\"a\"=hex:01,zz,03\n", 4, "bad hex byte"},
        {head + "\"a\"=hex:01,,03\n", 4, "bad hex byte"},
        {head + "\"a\"=hex:01,\\\n  02,x3\n", 5, "bad hex byte"},
        {head + "\"a\"=hex:123\n", 4, "bad hex byte"},
        {head + "\"a\"=hex(z):01\n", 4, "bad value type"},
        {head + "\"a\"=hex(2:01\n", 4, "bad value type"},
        {head + "\"a\"=str:01\n", 4, "unknown value type"},
        {head + "\"a\"=dword:123456789\n", 4, "bad dword"},
        {head + "\"a\"=dword:\n", 4, "bad dword"},
        {head + "\"a\"=\"open\n", 4, "closing quote"},
        {head + "\"a\"=\"C:\\Temp\"\n", 4, "unknown escape"},
        {head + "\"a\"=\"x\" trailing\n", 4, "after the string"},
        {head + "\"a\"=dword:1 x\n", 4, "bad dword"},
        {head + "\"a\"=hex:01 02\n", 4, "bad hex byte"},
        {head + "\"a\"\n", 4, "expected \"=\""},
        {head + "[HKEY_CURRENT_USER\\Broken\n", 4, "closing bracket"},
        {head + "[HKEY_CURRENT_USER\\Broken]x\n", 4, "closing bracket"},
        {head + "[HKEY_CURRENT_USER\\\\Empty]\n", 4, "empty name"},
        {head + "[HKEY_LOCAL_MACHINE\\Other]\n", 4, "not in HKEY_CURRENT_USER"},
        {head + "[-HKEY_CURRENT_USER]\n", 4, "cannot be deleted"},
        {head + "[-HKEY_CURRENT_USER\\K]\n\"a\"=\"1\"\n", 5, "deleted key"},
        {head + "stray text\n", 4, "unexpected text"},
        {"Windows Registry Editor Version 5.00\n\n\"a\"=\"1\"\n", 3, "before any key"},
        {"Windows Registry Editor Version 4.00\n", 1, "header"},
    };
    for (const TCase& c : cases) {
        for (const std::string& bytes : {c.Text, Utf16File(c.Text)}) {
            const auto parse = [&] {
                Parse(bytes);
            };
            EXPECT_TRUE(
                ThrowsWith<ERegFileError>(parse, "test.reg, line " + std::to_string(c.Line) + ":"))
                << c.Text;
            EXPECT_TRUE(ThrowsWith<ERegFileError>(parse, c.Fragment)) << c.Text;
        }
    }
}

TEST(RegFile, CommentsAfterCompleteValuesAreAccepted) {
    // Hand-written files put a "; comment" behind a value; a ";" inside quotes stays text.
    const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n";
    const std::string text = head + "\"Text\"=\"a;b\" ; the text\n"
                                    "\"Tight\"=\"x\";no blank\n"
                                    "@=\"default\"\t; tab before\n"
                                    "\"Count\"=dword:0000002a ; forty-two\n"
                                    "\"Blob\"=hex:01,02 ; two bytes\n"
                                    "\"Long\"=hex:01,\\\n  02;wrapped\n"
                                    "\"None\"=hex: ; no bytes\n"
                                    "\"Path\"=hex(2):41,00,00,00 ; expandable\n"
                                    "\"Gone\"=\"1\"\n"
                                    "\"Gone\"=- ; removed again\n";
    for (const std::string& bytes : {text, Utf16File(text)}) {
        const auto root = Parse(bytes);
        EXPECT_EQ(ValueAt(*root, "K", "Text").Data, Wide(std::u16string(u"a;b") + u'\0'));
        EXPECT_EQ(ValueAt(*root, "K", "Tight").Data, Wide(std::u16string(u"x") + u'\0'));
        EXPECT_EQ(ValueAt(*root, "K", "").Data, Wide(std::u16string(u"default") + u'\0'));
        EXPECT_EQ(ValueAt(*root, "K", "Count").Data, TBytes({0x2a, 0, 0, 0}));
        EXPECT_EQ(ValueAt(*root, "K", "Blob").Data, TBytes({1, 2}));
        EXPECT_EQ(ValueAt(*root, "K", "Long").Data, TBytes({1, 2}));
        EXPECT_TRUE(ValueAt(*root, "K", "None").Data.empty());
        EXPECT_EQ(ValueAt(*root, "K", "Path").Type, 2u);
        EXPECT_EQ(root->FindSubKey("K")->FindValue("Gone"), nullptr);
    }
}

TEST(RegFile, OddLengthUtf16IsAFault) {
    std::string file =
        Utf16File("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n");
    file += 'x';
    ASSERT_TRUE(ThrowsWith<ERegFileError>([&] { Parse(file); }, "test.reg, line 4: UTF-16"));
    EXPECT_THROW(Parse(std::string("\xFE\xFF\0W", 4)), ERegFileError);
}

TEST(RegFile, HexLinesStayWithinEightyColumnsAndReadBack) {
    for (const std::size_t nameLength : {1u, 20u, 70u, 74u, 75u, 76u, 90u}) {
        for (const std::size_t size :
             {0u, 1u, 2u, 21u, 22u, 23u, 24u, 25u, 26u, 47u, 48u, 49u, 50u, 51u, 300u}) {
            TRegKey root("HKEY_CURRENT_USER", nullptr);
            TBytes data(size);
            for (std::size_t i = 0; i < size; ++i) {
                data[i] = static_cast<std::uint8_t>(i * 7);
            }
            const std::string name(nameLength, 'n');
            root.SubKey("K").SetValue(name, 0x20, data);
            const std::string text = TextOf(FormatRegFile(root, "HKEY_CURRENT_USER"));
            std::size_t start = 0;
            while (start < text.size()) {
                const std::size_t end = text.find('\n', start);
                const std::string line = text.substr(start, end - start);
                if (line.rfind('"' + name, 0) != 0 || nameLength + 11 < 77) {
                    EXPECT_LE(line.size(), 80u) << line;
                }
                if (line.rfind("  ", 0) == 0) {
                    // Continuation lines hold 25 bytes, except the last.
                    EXPECT_TRUE(line.size() == 78u || line.back() != '\\') << line;
                }
                start = end + 1;
            }
            const auto back = Parse(FormatRegFile(root, "HKEY_CURRENT_USER"));
            const TRegValue& value = ValueAt(*back, "K", name);
            EXPECT_EQ(value.Type, 0x20u);
            EXPECT_EQ(value.Data, data) << "name " << nameLength << " size " << size;
        }
    }
}

TEST(RegFile, ValuesThatAreNotPlainTextReadBackUnchanged) {
    TRegKey root("HKEY_CURRENT_USER", nullptr);
    TRegKey& key = root.SubKey("K");
    const std::vector<TBytes> strings = {
        {},                                               // no terminating NUL at all
        {0x41, 0x00},                                     // missing NUL
        {0x41, 0x00, 0x00},                               // odd size
        {0x41, 0x00, 0x00, 0x00, 0x42, 0x00, 0x00, 0x00}, // embedded NUL
        {0x41, 0x00, 0x0A, 0x00, 0x00, 0x00},             // line break inside
        {0x00, 0xD8, 0x00, 0x00},                         // lone surrogate
    };
    for (std::size_t i = 0; i < strings.size(); ++i) {
        key.SetValue("s" + std::to_string(i), 1, strings[i]);
    }
    key.SetValue("short dword", 4, {1, 2});
    key.SetValue("quote\"and\\slash", 1, {0x22, 0x00, 0x5C, 0x00, 0x00, 0x00});
    const auto back = Parse(FormatRegFile(root, "HKEY_CURRENT_USER"));
    const TRegKey* read = back->FindSubKey("K");
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Values().size(), key.Values().size());
    for (std::size_t i = 0; i < key.Values().size(); ++i) {
        EXPECT_EQ(read->Values()[i].Name, key.Values()[i].Name);
        EXPECT_EQ(read->Values()[i].Type, key.Values()[i].Type);
        EXPECT_EQ(read->Values()[i].Data, key.Values()[i].Data) << key.Values()[i].Name;
    }
}

TEST(RegFile, KeysMadeOnlyOnTheWayAreLeftOutButEmptyKeysStay) {
    const auto root =
        Parse("[HKEY_CURRENT_USER\\A\\B\\C]\n\"v\"=\"1\"\n\n[HKEY_CURRENT_USER\\E]\n");
    EXPECT_EQ(TextOf(FormatRegFile(*root, "HKEY_CURRENT_USER")),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\A\\B\\C]\n\"v\"=\"1\"\n\n"
              "[HKEY_CURRENT_USER\\E]\n\n");
    root->FindSubKey("A")->FindSubKey("B")->DeleteSubKey("C");
    EXPECT_EQ(TextOf(FormatRegFile(*root, "HKEY_CURRENT_USER")),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\A\\B]\n\n"
              "[HKEY_CURRENT_USER\\E]\n\n");
}
