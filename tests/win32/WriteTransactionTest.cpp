// Write transactions on Windows: registry and file changes held back until the commit, all or
// nothing, dry runs that write nothing, and commits killed at any step finished or undone by the
// next transaction.

#include "WinTestSupport.h"

#include "platform/Files.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/SystemState.h"
#include "platform/WriteJournal.h"
#include "platform/WriteTransaction.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace platform;
using win32_test::ReadRawValue;
using win32_test::TRawValue;
using win32_test::TTestFolder;
using win32_test::TTestKey;

using TKind = TRegistryChange::TKind;

class WriteTransactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        TRegistry registry(HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey(Key("Account"), true));
        registry.WriteString("Name", "old name");
        registry.WriteInteger("Port", 110);
        ASSERT_TRUE(registry.OpenKey(Key("Gone\\Below"), true));
        registry.WriteString("Kept", "until deleted");
        WriteFileAtomic(Folder / "prefs.js", "old prefs");
    }

    std::string Key(const std::string& tail) const { return "\\" + Registry.Path() + "\\" + tail; }
    TRawValue Raw(const std::string& tail, const std::string& name) const {
        return ReadRawValue(win32::CurrentUserKey, Registry.Path() + "\\" + tail, name);
    }
    std::string RawString(const std::string& tail, const std::string& name) const {
        const auto raw = Raw(tail, name);
        return raw.Exists ? reg::RegDataToString(raw.Data) : "<missing>";
    }
    bool RawKeyExists(const std::string& tail) const {
        HKEY key = nullptr;
        if (RegOpenKeyExW(win32::CurrentUserKey, win32::Wide(Registry.Path() + "\\" + tail).c_str(),
                          0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    // The save of these tests: a changed value, a new key, a deleted subtree and two files.
    void Save() {
        TRegistry registry(HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey(Key("Account"), false));
        registry.WriteString("Name", "new name");
        ASSERT_TRUE(registry.DeleteValue("Port"));
        ASSERT_TRUE(registry.OpenKey(Key("New Account"), true));
        registry.WriteString("Name", "Anna");
        ASSERT_TRUE(registry.DeleteKey(Key("Gone")));
        WriteFileAtomic(Folder / "prefs.js", "new prefs");
        WriteFileAtomic(Folder / "signons.txt", "new signons");
    }

    // What the disk holds, read past any open transaction.
    std::string RawFile(const std::string& name) const {
        std::ifstream in(std::filesystem::path(win32::Wide(Folder / name)), std::ios::binary);
        if (!in) {
            return "<missing>";
        }
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    void ExpectUntouched() const {
        EXPECT_EQ(RawString("Account", "Name"), "old name");
        EXPECT_TRUE(Raw("Account", "Port").Exists);
        EXPECT_FALSE(RawKeyExists("New Account"));
        EXPECT_EQ(RawString("Gone\\Below", "Kept"), "until deleted");
        EXPECT_EQ(RawFile("prefs.js"), "old prefs");
        EXPECT_EQ(RawFile("signons.txt"), "<missing>");
    }

    TTestKey Registry;
    TTestFolder Folder;
};

TEST_F(WriteTransactionTest, ChangesAreSeenInsideAndWrittenAtTheCommit) {
    TWriteTransaction transaction;
    Save();
    // This thread sees the save; the registry and the disk do not have it yet.
    TRegistry registry(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly(Key("Account")));
    EXPECT_EQ(registry.ReadString("Name"), "new name");
    EXPECT_FALSE(registry.ValueExists("Port"));
    EXPECT_EQ(registry.GetValueNames(), std::vector<std::string>{"Name"});
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + Registry.Path()));
    EXPECT_EQ(registry.GetKeyNames(), (std::vector<std::string>{"Account", "New Account"}));
    EXPECT_FALSE(registry.KeyExists(Key("Gone\\Below")));
    EXPECT_EQ(ReadFileBytes(Folder / "signons.txt"), "new signons");
    ExpectUntouched();

    const TPreparedChanges changes = transaction.Commit();
    EXPECT_EQ(RawString("Account", "Name"), "new name");
    EXPECT_FALSE(Raw("Account", "Port").Exists);
    EXPECT_EQ(RawString("New Account", "Name"), "Anna");
    EXPECT_FALSE(RawKeyExists("Gone"));
    EXPECT_EQ(ReadFileBytes(Folder / "prefs.js"), "new prefs");
    EXPECT_EQ(ReadFileBytes(Folder / "signons.txt"), "new signons");
    EXPECT_EQ(changes.Files.size(), 2u);

    std::vector<std::pair<TKind, std::string>> registryChanges;
    for (const TRegistryChange& change : changes.Registry) {
        registryChanges.emplace_back(change.Kind, change.KeyPath.substr(Registry.Path().size()) +
                                                      ":" + change.ValueName);
    }
    EXPECT_EQ(registryChanges, (std::vector<std::pair<TKind, std::string>>{
                                   {TKind::ValueSet, "\\Account:Name"},
                                   {TKind::ValueDeleted, "\\Account:Port"},
                                   {TKind::KeyCreated, "\\New Account:"},
                                   {TKind::ValueSet, "\\New Account:Name"},
                                   {TKind::KeyDeleted, "\\Gone:"},
                                   {TKind::KeyDeleted, "\\Gone\\Below:"},
                                   {TKind::ValueDeleted, "\\Gone\\Below:Kept"},
                               }));
}

TEST_F(WriteTransactionTest, WithoutCommitAndInADryRunNothingIsWritten) {
    {
        TWriteTransaction transaction;
        Save();
    }
    ExpectUntouched();
    TWriteTransaction dryRun(TTransactionMode::DryRun);
    Save();
    const TPreparedChanges changes = dryRun.Commit();
    EXPECT_FALSE(changes.Empty());
    ExpectUntouched();
}

TEST_F(WriteTransactionTest, AFileThatCannotBeWrittenPutsTheRegistryBack) {
    TWriteTransaction transaction;
    Save();
    detail::FailNextAtomicWriteForTesting(); // the first file of the commit
    try {
        transaction.Commit();
        ADD_FAILURE() << "the commit succeeded";
    } catch (const EFileError& error) {
        EXPECT_NE(std::string(error.what()).find(Folder.Path()), std::string::npos) << error.what();
    }
    ExpectUntouched();
    EXPECT_EQ(RawString("Account", "Name"), "old name");
}

// The journal lies where this program keeps it; after every ended commit it holds none.
std::vector<std::string> Leftovers(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& dir : {folder, folder + "\\sub"}) {
        for (const TFindEntry& entry : FindFiles(dir + "\\*")) {
            if (entry.Name.rfind(".~qtmp.", 0) == 0) {
                found.push_back(entry.Name);
            }
        }
    }
    const auto journals = detail::JournalFolder(detail::JournalRoot());
    std::error_code error;
    for (std::filesystem::directory_iterator it(journals, error), end; !error && it != end;
         it.increment(error)) {
        found.push_back(win32::Utf8(it->path().filename().wstring()));
    }
    return found;
}

TEST(WriteTransactionKillTest, ACommitKilledAtAnyStepIsWholeAfterTheNextTransaction) {
    TTestFolder folder;
    const auto reset = [&] {
        WriteFileAtomic(folder / "a.txt", "old a");
        WriteFileAtomic(folder / "b.txt", "old b");
        WriteFileAtomic(folder / "old.txt", "old");
        DeleteFile(folder / "sub\\c.txt");
        RemoveDirectory(folder / "sub");
    };
    reset();
    bool sawOld = false;
    bool sawNew = false;
    int exitCode = 137;
    for (int step = 1; exitCode == 137; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        ASSERT_LT(step, 100) << "the commit never ended";
        exitCode = win32_test::RunThisProgram("--save-killed-at " + std::to_string(step) + " \"" +
                                              folder.Path() + "\"");
        ASSERT_TRUE(exitCode == 137 || exitCode == 0) << exitCode;
        { TWriteTransaction next; } // finishes or undoes what the killed commit left
        const bool isNew = ReadFileBytes(folder / "a.txt") == "new a";
        if (isNew) {
            EXPECT_EQ(ReadFileBytes(folder / "b.txt"), "new b");
            EXPECT_EQ(ReadFileBytes(folder / "sub\\c.txt"), "new c");
            EXPECT_FALSE(FileExists(folder / "old.txt"));
        } else {
            EXPECT_EQ(ReadFileBytes(folder / "a.txt"), "old a");
            EXPECT_EQ(ReadFileBytes(folder / "b.txt"), "old b");
            EXPECT_FALSE(DirectoryExists(folder / "sub"));
            EXPECT_EQ(ReadFileBytes(folder / "old.txt"), "old");
        }
        EXPECT_EQ(Leftovers(folder.Path()), std::vector<std::string>{});
        EXPECT_FALSE(sawNew && !isNew); // the commit point is passed once
        sawOld = sawOld || !isNew;
        sawNew = sawNew || isNew;
        reset();
    }
    EXPECT_TRUE(sawOld);
    EXPECT_TRUE(sawNew);
}

} // namespace
