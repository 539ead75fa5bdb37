#include "RegTestText.h"

#include "ThrowsWith.h"

#include "platform/RegHive.h"
#include "platform/Registry.h"
#include "platform/RegistryStore.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using platform::ERegistryException;
using platform::HKEY_CLASSES_ROOT;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
using platform::TRegDataType;
using platform::TRegistry;
using platform_test::ThrowsWith;
using testing_support::TTestSystem;

namespace {

using TBytes = std::vector<std::uint8_t>;

const std::string UserHive = R"([HKEY_CURRENT_USER\Software\Quenlix]
"Name"="Mail"
"Path"=hex(2):25,00,54,00,25,00,00,00
"Count"=dword:00000007
"Blob"=hex:0a,ff
"List"=hex(7):61,00,00,00,00,00

[HKEY_CURRENT_USER\Software\Quenlix\Accounts\00000001]

[HKEY_CURRENT_USER\Software\Quenlix\Accounts\00000002]
)";

fs::path UserFile(const TTestSystem& system) {
    return system.Root() / "registry" / "HKEY_CURRENT_USER.reg";
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Writes the file as another program would: a new file renamed over the old one.
void ReplaceFile(const fs::path& file, const std::string& bytes) {
    const fs::path temp = file.string() + ".other";
    std::ofstream(temp, std::ios::binary | std::ios::trunc) << bytes;
    fs::rename(temp, file);
}

} // namespace

TEST(Registry, OpensKeysRelativeToTheCurrentKeyOrFromTheRoot) {
    TTestSystem system("", "", UserHive);
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.HasCurrentKey());
    ASSERT_TRUE(reg.OpenKey("software\\QUENLIX", false));
    EXPECT_EQ(reg.CurrentPath(), "software\\QUENLIX");
    ASSERT_TRUE(reg.OpenKey("Accounts", false));
    EXPECT_EQ(reg.CurrentPath(), "software\\QUENLIX\\Accounts");
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"00000001", "00000002"}));
    EXPECT_FALSE(reg.OpenKey("Missing", false));
    EXPECT_EQ(reg.CurrentPath(), "software\\QUENLIX\\Accounts"); // a failed open changes nothing
    EXPECT_FALSE(reg.OpenKey("A\\\\B", true));
    EXPECT_TRUE(reg.KeyExists("00000001"));
    EXPECT_FALSE(reg.KeyExists("\\00000001"));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quenlix\\", false));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Quenlix");
    EXPECT_EQ(reg.GetValueNames(),
              (std::vector<std::string>{"Name", "Path", "Count", "Blob", "List"}));
    reg.CloseKey();
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_EQ(reg.CurrentPath(), "");
    EXPECT_TRUE(reg.GetValueNames().empty());
    EXPECT_TRUE(reg.OpenKey("Software\\New\\Deep", true));
    EXPECT_TRUE(reg.KeyExists("\\Software\\NEW"));
}

TEST(Registry, ClassifiesAndReadsValuesAsTheClassicWrapper) {
    TTestSystem system("", "", UserHive);
    TRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Quenlix"));
    EXPECT_EQ(reg.GetDataType("name"), TRegDataType::rdString);
    EXPECT_EQ(reg.GetDataType("Path"), TRegDataType::rdExpandString);
    EXPECT_EQ(reg.GetDataType("Count"), TRegDataType::rdInteger);
    EXPECT_EQ(reg.GetDataType("Blob"), TRegDataType::rdBinary);
    EXPECT_EQ(reg.GetDataType("List"), TRegDataType::rdUnknown);
    EXPECT_EQ(reg.GetDataType("Missing"), TRegDataType::rdUnknown);
    EXPECT_EQ(reg.GetValueType("List"), platform::TRegValueType::MultiString);
    EXPECT_EQ(reg.GetDataSize("Name"), 10); // "Mail" and its NUL in UTF-16
    EXPECT_EQ(reg.GetDataSize("Blob"), 2);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);
    EXPECT_TRUE(reg.ValueExists("COUNT"));
    EXPECT_FALSE(reg.ValueExists("Missing"));

    EXPECT_EQ(reg.ReadString("Name"), "Mail");
    EXPECT_EQ(reg.ReadString("Path"), "%T%");
    EXPECT_EQ(reg.ReadInteger("Count"), 7);
    EXPECT_EQ(reg.ReadBinaryData("Blob"), (TBytes{0x0A, 0xFF}));
    EXPECT_EQ(reg.ReadBinaryData("List").size(), 6u);
    EXPECT_THROW(reg.ReadString("Count"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Name"), ERegistryException);
    EXPECT_THROW(reg.ReadBinaryData("Name"), ERegistryException);
    EXPECT_THROW(reg.ReadString("Missing"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
}

TEST(Registry, WritesEachTypeAndReadOnlyKeysRefuseWrites) {
    TTestSystem system;
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Q", true));
        reg.WriteString("s", "Grüße");
        reg.WriteExpandString("e", "%APPDATA%");
        reg.WriteInteger("i", -2);
        reg.WriteBinaryData("b", {1, 2, 3});
        reg.WriteString("S", "again"); // same value, other case
        EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"s", "e", "i", "b"}));
        EXPECT_EQ(reg.ReadString("s"), "again");
        EXPECT_EQ(reg.GetDataSize("s"), 12);
        EXPECT_EQ(reg.ReadInteger("i"), -2);
        EXPECT_EQ(reg.ReadRaw("i", nullptr), (TBytes{0xFE, 0xFF, 0xFF, 0xFF}));
        EXPECT_EQ(reg.GetDataType("e"), TRegDataType::rdExpandString);
        EXPECT_THROW(reg.WriteString("bad\nname", "x"), ERegistryException);
        EXPECT_TRUE(reg.DeleteValue("B"));
        EXPECT_FALSE(reg.DeleteValue("B"));
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\Q"));
    EXPECT_THROW(reg.WriteString("s", "x"), ERegistryException);
    EXPECT_THROW(reg.WriteInteger("n", 1), ERegistryException);
    EXPECT_FALSE(reg.DeleteValue("s"));
    EXPECT_FALSE(reg.OpenKey("Sub", true));
    EXPECT_THROW(reg.CreateKey("Sub"), ERegistryException);
    EXPECT_EQ(reg.ReadString("s"), "again");
    reg.CloseKey();
    EXPECT_THROW(reg.WriteString("s", "x"), ERegistryException); // no key open
}

TEST(Registry, DeleteKeyTakesTheSubtree) {
    TTestSystem system("", "", UserHive);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software", false));
    EXPECT_TRUE(reg.DeleteKey("quenlix\\accounts"));
    EXPECT_FALSE(reg.DeleteKey("Quenlix\\Accounts"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\Quenlix\\Accounts\\00000001"));
    EXPECT_TRUE(reg.KeyExists("Quenlix"));
    EXPECT_FALSE(reg.DeleteKey("\\"));
    EXPECT_TRUE(reg.CreateKey("\\Software\\Quenlix\\Accounts\\00000003"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\Quenlix\\Accounts\\00000003"));
}

TEST(Registry, ClassesRootIsTheClassesKeyOfTheMachine) {
    TTestSystem system("", "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Outlook.Application\\CLSID]\n"
                           "@=\"{0006F03A-0000-0000-C000-000000000046}\"\n");
    TRegistry reg(HKEY_CLASSES_ROOT);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Outlook.Application\\CLSID"));
    EXPECT_EQ(reg.ReadString(""), "{0006F03A-0000-0000-C000-000000000046}");
    EXPECT_EQ(reg.CurrentPath(), "Outlook.Application\\CLSID");
    ASSERT_TRUE(reg.OpenKey("\\.eml", true));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\Classes\\.eml"));
}

TEST(Registry, ChangesReachTheFileWhenTheKeyIsClosed) {
    TTestSystem system("", "", UserHive);
    const std::string before = ReadBytes(UserFile(system));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quenlix", false));
    reg.WriteString("Server", "pop.example");
    EXPECT_EQ(ReadBytes(UserFile(system)), before);
    ASSERT_TRUE(reg.OpenKey("Accounts", false)); // opening another key closes this one
    const std::string saved = reg_test::TextOf(ReadBytes(UserFile(system)));
    EXPECT_NE(saved.find("\"Server\"=\"pop.example\"\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u);

    {
        TRegistry other;
        ASSERT_TRUE(other.DeleteKey("\\Software\\Quenlix\\Accounts\\00000001"));
    } // destructor closes
    EXPECT_EQ(reg_test::TextOf(ReadBytes(UserFile(system))).find("00000001"), std::string::npos);
    platform::UninstallSystem();
    platform::InstallSystem(system.Root());
    TRegistry again;
    ASSERT_TRUE(again.OpenKeyReadOnly("\\Software\\Quenlix"));
    EXPECT_EQ(again.ReadString("server"), "pop.example");
    EXPECT_EQ(again.GetKeyNames(), (std::vector<std::string>{"Accounts"}));
}

TEST(Registry, AHiveChangedOnDiskIsReadAgainAtTheNextOpen) {
    TTestSystem system("", "", UserHive);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Quenlix"));
    ReplaceFile(
        UserFile(system),
        reg_test::Utf16File("Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_CURRENT_USER\\Software\\Quenlix]\n\"Name\"=\"Other\"\n"));
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Quenlix"));
    EXPECT_EQ(reg.ReadString("Name"), "Other");
    EXPECT_FALSE(reg.ValueExists("Count"));

    // Unsaved changes in memory win over the file.
    TRegistry writer;
    ASSERT_TRUE(writer.OpenKey("\\Software\\Quenlix", false));
    writer.WriteString("Mine", "1");
    ReplaceFile(UserFile(system), reg_test::Utf16File("Windows Registry Editor Version 5.00\n\n"
                                                      "[HKEY_CURRENT_USER\\Software\\Theirs]\n"));
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Quenlix"));
    EXPECT_EQ(reg.ReadString("Mine"), "1");
    writer.CloseKey();
    EXPECT_NE(reg_test::TextOf(ReadBytes(UserFile(system))).find("\"Mine\"=\"1\""),
              std::string::npos);
}

TEST(Registry, AnUnreadableChangeOnDiskIsNeverOverwritten) {
    TTestSystem system("", "", UserHive);
    const std::string broken = reg_test::Utf16File(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"a\"=hex:zz\n");
    ReplaceFile(UserFile(system), broken);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quenlix", false)); // memory as it was
    EXPECT_EQ(reg.ReadString("Name"), "Mail");
    reg.WriteString("New", "x");
    ASSERT_TRUE(ThrowsWith<platform::ESystemError>([&] { reg.CloseKey(); }, "line 4"));
    EXPECT_EQ(ReadBytes(UserFile(system)), broken);
    // Once the file is readable again, the changes kept in memory are saved.
    ReplaceFile(UserFile(system), reg_test::Utf16File("Windows Registry Editor Version 5.00\n\n"));
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quenlix", false));
    EXPECT_EQ(reg.ReadString("New"), "x");
    reg.CloseKey();
    EXPECT_NE(reg_test::TextOf(ReadBytes(UserFile(system))).find("\"New\"=\"x\""),
              std::string::npos);
}

TEST(Registry, ABrokenHiveStopsTheInstallNamingFileAndLine) {
    ASSERT_TRUE(ThrowsWith<platform::ESystemError>(
        [] {
            TTestSystem system("", "", "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:1\n\"w\"=hex(q):00\n");
        },
        "HKEY_CURRENT_USER.reg, line 5"));
    EXPECT_FALSE(platform::SystemInstalled());
}

TEST(Registry, KeyStampsFollowChangesInMemoryAndOnDisk) {
    TTestSystem system("", "", UserHive);
    using platform::detail::RegistryKeyStamp;
    const auto own = RegistryKeyStamp(HKEY_CURRENT_USER, "Software\\Quenlix", false);
    const auto tree = RegistryKeyStamp(HKEY_CURRENT_USER, "Software\\Quenlix", true);
    ASSERT_TRUE(own && tree);
    EXPECT_FALSE(RegistryKeyStamp(HKEY_CURRENT_USER, "Software\\Missing", true));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quenlix\\Accounts\\00000001", false));
    reg.WriteInteger("n", 1);
    EXPECT_EQ(RegistryKeyStamp(HKEY_CURRENT_USER, "Software\\Quenlix", false), own);
    const auto afterWrite = RegistryKeyStamp(HKEY_CURRENT_USER, "Software\\Quenlix", true);
    EXPECT_GT(*afterWrite, *tree);
    reg.CloseKey();
    ReplaceFile(UserFile(system), reg_test::Utf16File(std::string("Windows Registry Editor "
                                                                  "Version 5.00\n\n") +
                                                      UserHive));
    EXPECT_GT(*RegistryKeyStamp(HKEY_CURRENT_USER, "Software\\Quenlix", false), *own);
}

TEST(Registry, ThreadsShareTheHivesSafely) {
    TTestSystem system;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 40; ++i) {
                TRegistry reg;
                const std::string key = "\\Software\\T" + std::to_string(t);
                if (!reg.OpenKey(key, true)) {
                    return;
                }
                reg.WriteInteger("v" + std::to_string(i % 10), i);
                (void)reg.GetValueNames();
                TRegistry reader;
                if (reader.OpenKeyReadOnly("\\Software")) {
                    (void)reader.GetKeyNames();
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software"));
    EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"T0", "T1", "T2", "T3"}));
    ASSERT_TRUE(reg.OpenKeyReadOnly("T3"));
    EXPECT_EQ(reg.GetValueNames().size(), 10u);
    EXPECT_EQ(reg.ReadInteger("v9"), 39);
}
