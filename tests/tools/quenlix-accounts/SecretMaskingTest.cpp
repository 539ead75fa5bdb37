// Passwords stay out of what the tool prints: each format that keeps them, as the clients
// write it, shows "(password)" in their place and everything else as it is.
#include "SecretMasking.h"
#include "ChangeReport.h"

#include <platform/TextCodec.h>

#include <gtest/gtest.h>

namespace {

using namespace accounts_tool;
using platform::TRegValueType;
using TLines = std::vector<std::string>;

const std::string Secret = "Geheim-42";

// UTF-16LE with a byte-order mark, as Windows Mail saves its account files.
std::string Utf16File(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : platform::Utf8ToUtf16(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

struct TFileCase {
    const char* Path;
    std::string Bytes;
    TLines Expected;
};

std::string NotShown(const std::string& bytes, const std::string& format) {
    return "(" + std::to_string(bytes.size()) + " bytes, not shown: not readable as " + format +
           ")";
}

TEST(SecretMaskingTest, EachFormatShowsItsPasswordsMasked) {
    const std::string brokenXml = "<MessageAccount><POP3_Password2>" + Secret;
    const std::string brokenJson = "{\"logins\":[{\"encryptedPassword\":\"" + Secret;
    const TFileCase cases[] = {
        {"C:\\Users\\User\\AppData\\Local\\Microsoft\\Windows Mail\\Local Folders\\{1}.oeaccount",
         Utf16File("<?xml version=\"1.0\" encoding=\"utf-16\"?><MessageAccount>"
                   "<Account_Name type=\"SZ\">anna@quenlix.example</Account_Name>"
                   "<POP3_Password2 type=\"BINARY\">0102" +
                   Secret +
                   "</POP3_Password2>"
                   "<POP3_Prompt_Password type=\"DWORD\">00000000</POP3_Prompt_Password>"
                   "</MessageAccount>"),
         {"MessageAccount:", "  Account_Name [SZ] = anna@quenlix.example",
          "  POP3_Password2 [BINARY] = (password)", "  POP3_Prompt_Password [DWORD] = 00000000"}},
        {"C:\\p\\logins.json",
         "{\"nextId\":2,\"logins\":[{\"id\":1,\"hostname\":\"mailbox://pop.quenlix.example\","
         "\"encryptedPassword\":\"" +
             Secret +
             "\",\"timePasswordChanged\":1700000000000}],"
             "\"potentiallyVulnerablePasswords\":[\"" +
             Secret + "\"]}",
         {"nextId = 2", "logins[0].id = 1",
          "logins[0].hostname = \"mailbox://pop.quenlix.example\"",
          "logins[0].encryptedPassword = (password)",
          "logins[0].timePasswordChanged = 1700000000000",
          "potentiallyVulnerablePasswords[0] = (password)"}},
        {"C:\\p\\signons.txt",
         "#2c\r\n.\r\nmailbox://anna%40quenlix.example@pop.quenlix.example\r\n\\=username=\\\r\n"
         "~YW5uYUBxdWVubGl4LmV4YW1wbGU=\r\n*\\=password=\\\r\n~" +
             Secret + "\r\n.\r\n",
         {"#2c", ".", "mailbox://anna%40quenlix.example@pop.quenlix.example", "\\=username=\\",
          "~YW5uYUBxdWVubGl4LmV4YW1wbGU=", "*\\=password=\\", "(password)", "."}},
        {"C:\\p\\prefs.js",
         "user_pref(\"mail.server.server2.password\", \"" + Secret +
             "\");\r\nuser_pref(\"mail.server.server2.remember_password\", true);\r\n",
         {"user_pref(\"mail.server.server2.password\", (password));",
          "user_pref(\"mail.server.server2.remember_password\", true);"}},
        {"C:\\p\\key4.db", std::string("SQLite\0", 7) + Secret, {"(binary, 16 bytes)"}},
        {"C:\\p\\broken.oeaccount", brokenXml, {NotShown(brokenXml, "XML")}},
        {"C:\\p\\logins.json", brokenJson, {NotShown(brokenJson, "JSON")}},
    };
    for (const TFileCase& row : cases) {
        EXPECT_EQ(FileDisplayLines(row.Path, row.Bytes), row.Expected) << row.Path;
    }
}

struct TValueCase {
    const char* Key;
    const char* Value;
    TRegValueType Type;
    bool Secret;
};

TEST(SecretMaskingTest, RegistryPasswordsAndProtectedStorageItemsAreSecret) {
    const std::string pstore =
        "Software\\Microsoft\\Protected Storage System Provider\\S-1-5-21-1\\Data\\{a}\\{b}";
    const char* account = "Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001";
    const TValueCase cases[] = {
        {account, "POP3 Password2", TRegValueType::Binary, true},
        {account, "SMTP Password", TRegValueType::String, true},
        {account, "POP3 Prompt for Password", TRegValueType::DWord, false},
        {account, "POP3 Server", TRegValueType::String, false},
        {pstore.c_str(), "PO-anna@quenlix.example", TRegValueType::Binary, true},
        {pstore.c_str(), "", TRegValueType::String, false}, // the subtype's display name
    };
    for (const TValueCase& row : cases) {
        EXPECT_EQ(IsSecretRegistryValue(row.Key, row.Value, row.Type), row.Secret) << row.Value;
    }
}

struct TDataCase {
    TRegValueType Type;
    std::vector<std::uint8_t> Bytes;
    const char* Shown;
};

TEST(ChangeReportTest, RegistryDataIsShownAsRegeditSpellsIt) {
    const TDataCase cases[] = {
        {TRegValueType::DWord, {0xE3, 0x03, 0, 0}, "dword:000003e3 (995)"},
        {TRegValueType::String, {'p', 0, 'o', 0, 'p', 0, 0, 0}, "\"pop\""},
        {TRegValueType::ExpandString, {'%', 0, 'X', 0, 0, 0}, "expand:\"%X\""},
        {TRegValueType::MultiString, {'a', 0, 0, 0, 0, 0}, "multi:\"a\""},
        {TRegValueType::MultiString, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, "multi:\"a\", \"b\""},
        {TRegValueType::Binary, {0x01, 0xAB}, "hex:01,ab (2 bytes)"},
        // Outlook keeps its texts as UTF-16 in binary values.
        {TRegValueType::Binary,
         {'O', 0, 'K', 0, 0, 0},
         "hex:4f,00,4b,00,00,00 (6 bytes) text \"OK\""},
    };
    for (const TDataCase& row : cases) {
        EXPECT_EQ(FormatRegistryData({row.Type, row.Bytes}), row.Shown);
    }
    EXPECT_EQ(FormatRegistryData({TRegValueType::Binary, std::vector<std::uint8_t>(40, 7)})
                  .substr(4 + 32 * 3 - 1),
              ",... (40 bytes)");
}

TEST(ChangeReportTest, AValueThatHoldsAPasswordShowsNeitherItsOldNorItsNewData) {
    platform::TPreparedChanges changes;
    platform::TRegistryChange change;
    change.KeyPath = "Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001";
    change.ValueName = "POP3 Password2";
    change.Old = platform::TRegistryData{TRegValueType::Binary, {'o', 'l', 'd'}};
    change.New = platform::TRegistryData{TRegValueType::Binary, {'n', 'e', 'w'}};
    changes.Registry.push_back(change);
    EXPECT_EQ(FormatChanges(changes, true),
              "changed value  HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account "
              "Manager\\Accounts\\00000001 \"POP3 Password2\"\n    - (password)\n    + "
              "(password)\n");
    EXPECT_EQ(FormatChanges(changes, false),
              "changed key    HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account "
              "Manager\\Accounts\\00000001 (1 value)\n");
}

} // namespace
