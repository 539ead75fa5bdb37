#include "RegTestText.h"

#include "ThrowsWith.h"

#include "platform/RegFile.h"
#include "platform/RegHive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::reg::SetSaveFaultForTesting;
using platform::reg::THive;
using platform::reg::TRegKey;
using platform::reg::TSaveFault;
using platform_test::ThrowsWith;

namespace {

std::vector<std::string> SubKeyNames(const TRegKey& key) {
    std::vector<std::string> names;
    for (const auto& entry : key.SubKeys()) {
        names.push_back(entry.second->Name());
    }
    return names;
}

std::vector<std::string> ValueNames(const TRegKey& key) {
    std::vector<std::string> names;
    for (const auto& value : key.Values()) {
        names.push_back(value.Name);
    }
    return names;
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// A fresh folder per test, removed afterwards.
class THiveFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quenlix-hive-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
        File = Dir / "HKEY_CURRENT_USER.reg";
    }
    void TearDown() override {
        SetSaveFaultForTesting(TSaveFault::None);
        fs::permissions(Dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(Dir);
    }
    std::size_t FilesInDir() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(Dir), {}));
    }

    fs::path Dir;
    fs::path File;
};

} // namespace

TEST(RegHive, NamesCompareWithoutCaseAndKeepTheirCase) {
    THive hive("HKEY_CURRENT_USER");
    TRegKey* key = hive.Create("Software\\Quenlix\\Mail");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(hive.Find("SOFTWARE\\quenlix\\MAIL"), key);
    EXPECT_EQ(hive.Create("software\\QUENLIX\\mail"), key);
    EXPECT_EQ(key->Path(), "Software\\Quenlix\\Mail");
    hive.SetValue(*key, "Server", 1, {0x41, 0, 0, 0});
    hive.SetValue(*key, "SERVER", 4, {1, 0, 0, 0});
    ASSERT_EQ(key->Values().size(), 1u);
    EXPECT_EQ(key->Values()[0].Name, "Server");
    EXPECT_EQ(key->FindValue("server")->Type, 4u);
    hive.Create("Software\\Äpfel");
    EXPECT_NE(hive.Find("SOFTWARE\\äPFEL"), nullptr);
    EXPECT_EQ(hive.Find("Software\\\\Quenlix"), nullptr);
    EXPECT_EQ(hive.Create("Software\\\\Quenlix"), nullptr);
}

// A path with an empty name anywhere finds nothing, even where its other names exist; the
// empty path is the hive's root.
TEST(RegHive, APathWithAnEmptyNameFindsNothing) {
    THive hive("HKEY_CURRENT_USER");
    ASSERT_NE(hive.Create("Software\\Quenlix\\Mail"), nullptr);
    EXPECT_EQ(hive.Find(""), &hive.Root());
    for (const char* path : {"\\Software", "Software\\", "Software\\\\Quenlix",
                             "Software\\Quenlix\\Mail\\", "\\", "Software\\Quenlix\\\\"}) {
        EXPECT_EQ(hive.Find(path), nullptr) << path;
    }
    EXPECT_NE(hive.Find("Software\\Quenlix\\Mail"), nullptr);
}

TEST(RegHive, SubkeysSortWithoutCaseAndValuesKeepCreationOrder) {
    THive hive("HKEY_CURRENT_USER");
    TRegKey* key = hive.Create("K");
    for (const char* name : {"delta", "Bravo", "alpha", "Charlie", "_x", "10"}) {
        hive.Create(std::string("K\\") + name);
    }
    EXPECT_EQ(SubKeyNames(*key),
              (std::vector<std::string>{"10", "alpha", "Bravo", "Charlie", "delta", "_x"}));
    for (const char* name : {"z", "A", "m", "B"}) {
        hive.SetValue(*key, name, 3, {});
    }
    EXPECT_TRUE(hive.DeleteValue(*key, "a"));
    EXPECT_FALSE(hive.DeleteValue(*key, "a"));
    hive.SetValue(*key, "c", 3, {});
    hive.SetValue(*key, "Z", 3, {7}); // rewriting keeps the place
    EXPECT_EQ(ValueNames(*key), (std::vector<std::string>{"z", "m", "B", "c"}));
    EXPECT_EQ(key->FindValue("b")->Name, "B"); // the index follows the deletion
    EXPECT_EQ(key->FindValue("Z")->Data, std::vector<std::uint8_t>{7});
}

TEST(RegHive, DeleteTakesTheSubtreeAndNeverTheRoot) {
    THive hive("HKEY_LOCAL_MACHINE");
    hive.Create("A\\B\\C");
    hive.Create("A\\D");
    EXPECT_TRUE(hive.Delete("a\\b"));
    EXPECT_EQ(hive.Find("A\\B\\C"), nullptr);
    EXPECT_NE(hive.Find("A\\D"), nullptr);
    EXPECT_FALSE(hive.Delete("A\\B"));
    EXPECT_FALSE(hive.Delete(""));
    EXPECT_NE(hive.Find(""), nullptr);
}

TEST(RegHive, ChangesMoveStampsOfTheKeyAndItsAncestors) {
    THive hive("HKEY_CURRENT_USER");
    TRegKey* top = hive.Create("Top");
    TRegKey* leaf = hive.Create("Top\\Mid\\Leaf");
    TRegKey* other = hive.Create("Other");
    const auto topStamp = top->Stamp, topTree = top->TreeStamp, otherTree = other->TreeStamp;
    EXPECT_TRUE(hive.Changed());
    hive.SetValue(*leaf, "v", 4, {1, 0, 0, 0});
    EXPECT_EQ(top->Stamp, topStamp);
    EXPECT_GT(top->TreeStamp, topTree);
    EXPECT_GT(hive.Root().TreeStamp, topTree);
    EXPECT_EQ(other->TreeStamp, otherTree);
    EXPECT_EQ(leaf->Stamp, leaf->TreeStamp);
}

TEST_F(THiveFiles, SavedHiveLoadsBackAndMissingFileIsEmpty) {
    THive hive("HKEY_CURRENT_USER");
    hive.Load(File);
    EXPECT_TRUE(hive.Root().SubKeys().empty());
    EXPECT_FALSE(hive.Stamp().Exists);
    TRegKey* key = hive.Create("Software\\Q");
    hive.SetValue(*key, "", 1, {0x41, 0, 0, 0});
    hive.SetValue(*key, "n", 4, {5, 0, 0, 0});
    EXPECT_TRUE(hive.Changed());
    hive.Save(File);
    EXPECT_FALSE(hive.Changed());
    EXPECT_EQ(hive.Stamp(), platform::reg::StampOf(File));
    EXPECT_EQ(FilesInDir(), 1u); // no temporary file left behind

    THive back("HKEY_CURRENT_USER");
    back.Load(File);
    EXPECT_EQ(ReadBytes(File), platform::reg::FormatRegFile(back.Root(), "HKEY_CURRENT_USER"));
    ASSERT_NE(back.Find("software\\q"), nullptr);
    EXPECT_EQ(back.Find("Software\\Q")->FindValue("N")->Data,
              (std::vector<std::uint8_t>{5, 0, 0, 0}));
}

TEST_F(THiveFiles, ABrokenFileLeavesTheHiveAsItWas) {
    THive hive("HKEY_CURRENT_USER");
    hive.Create("Kept");
    WriteBytes(File, reg_test::Utf16File("Windows Registry Editor Version 5.00\n\n"
                                         "[HKEY_CURRENT_USER\\New]\n\"a\"=hex:0g\n"));
    ASSERT_TRUE(
        ThrowsWith<platform::ESystemError>([&] { hive.Load(File); }, File.string() + ", line 4"));
    EXPECT_NE(hive.Find("Kept"), nullptr);
    EXPECT_EQ(hive.Find("New"), nullptr);
    EXPECT_TRUE(hive.Changed());
}

TEST_F(THiveFiles, FailedSaveKeepsTheOldBytes) {
    const std::string old = reg_test::Utf16File("Windows Registry Editor Version 5.00\n\n"
                                                "[HKEY_CURRENT_USER\\Old]\n\"a\"=\"1\"\n\n");
    WriteBytes(File, old);
    for (const TSaveFault fault : {TSaveFault::Write, TSaveFault::Sync, TSaveFault::Rename}) {
        THive hive("HKEY_CURRENT_USER");
        hive.Load(File);
        hive.SetValue(*hive.Create("New"), "big", 3, std::vector<std::uint8_t>(5000, 0xAB));
        SetSaveFaultForTesting(fault);
        EXPECT_THROW(hive.Save(File), platform::ESystemError);
        SetSaveFaultForTesting(TSaveFault::None);
        EXPECT_EQ(ReadBytes(File), old);
        EXPECT_EQ(FilesInDir(), 1u);
        EXPECT_TRUE(hive.Changed()); // the changes are still there to save
        hive.Save(File);
        EXPECT_NE(ReadBytes(File), old);
        WriteBytes(File, old);
    }
}

TEST_F(THiveFiles, ReadOnlyFolderKeepsTheOldBytes) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    WriteBytes(File, reg_test::Utf16File("Windows Registry Editor Version 5.00\n\n"));
    const std::string old = ReadBytes(File);
    THive hive("HKEY_CURRENT_USER");
    hive.Load(File);
    hive.Create("New");
    fs::permissions(Dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ASSERT_TRUE(ThrowsWith<platform::ESystemError>([&] { hive.Save(File); }, File.string()));
    EXPECT_EQ(ReadBytes(File), old);
    EXPECT_TRUE(hive.Changed());
}
