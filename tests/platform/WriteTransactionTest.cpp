#include "RegTestText.h"
#include "SaveGenerations.h"

#include "platform/Files.h"
#include "platform/RegHive.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/SystemState.h"
#include "platform/WriteTransaction.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

using namespace platform;
using namespace platform_test;
using testing_support::TTestSystem;
namespace fs = std::filesystem;

namespace {

std::string HexOf(const std::vector<std::uint8_t>& data) {
    std::ostringstream out;
    out << std::hex;
    for (const std::uint8_t byte : data) {
        out << static_cast<int>(byte >> 4) << static_cast<int>(byte & 0xF);
    }
    return out.str();
}

std::string DataText(const std::optional<TRegistryData>& data) {
    return data ? std::to_string(static_cast<int>(data->Type)) + ":" + HexOf(data->Data) : "-";
}

std::string BytesText(const std::optional<std::string>& bytes) {
    return bytes ? "\"" + *bytes + "\"" : "-";
}

// One line per change, for comparisons that show the whole list.
std::vector<std::string> Lines(const TPreparedChanges& changes) {
    static const char* const fileKinds[] = {"written", "deleted", "folder created",
                                            "folder removed", "attributes"};
    static const char* const keyKinds[] = {"key created", "key deleted", "set", "deleted"};
    std::vector<std::string> lines;
    for (const TFileChange& c : changes.Files) {
        std::ostringstream line;
        line << fileKinds[static_cast<int>(c.Kind)] << " " << c.Path.substr(Profile.size()) << " "
             << BytesText(c.OldBytes) << " -> " << BytesText(c.NewBytes) << std::hex << " "
             << c.OldAttributes << " -> " << c.NewAttributes;
        lines.push_back(line.str());
    }
    for (const TRegistryChange& c : changes.Registry) {
        lines.push_back(std::string(c.Hive == HKEY_CURRENT_USER ? "HKCU " : "HKLM ") +
                        keyKinds[static_cast<int>(c.Kind)] + " " + c.KeyPath +
                        (c.ValueName.empty() ? "" : " [" + c.ValueName + "]") + " " +
                        DataText(c.Old) + " -> " + DataText(c.New));
    }
    return lines;
}

std::string HostBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A failure that a commit can meet, set before the commit and cleared after it.
struct TCommitFault {
    const char* Name;
    std::function<void()> Arm;
    const char* Message; // part of the error's text
    bool RegistryError;  // ESystemError, else EFileError
};

void PrintTo(const TCommitFault& fault, std::ostream* out) {
    *out << fault.Name;
}

// An installed system holding generation 0, and its files as they were then.
class WriteTransaction : public ::testing::Test {
protected:
    WriteTransaction() {
        WriteGenerationZero();
        Before = TreeOf(Sys.Root());
    }

    // Generation g saved in a transaction of its own and committed.
    static void SaveCommitted(int generation) {
        TWriteTransaction transaction;
        SaveGeneration(generation);
        transaction.Commit();
    }

    TTestSystem Sys;
    std::map<std::string, std::string> Before;
};

class FailedCommit : public WriteTransaction, public ::testing::WithParamInterface<TCommitFault> {
protected:
    void TearDown() override { reg::SetSaveFaultForTesting(reg::TSaveFault::None); }
};

} // namespace

TEST_F(WriteTransaction, CommitPutsAMixedSaveOnDiskAtOnce) {
    {
        TWriteTransaction transaction;
        SaveGeneration(1);
        EXPECT_EQ(TreeOf(Sys.Root()), Before) << "written before the commit";
        EXPECT_EQ(WholeGeneration(), 1) << "the saving thread sees its save";
        std::thread([] {
            EXPECT_EQ(ReadFileBytes(Profile + "\\signons.txt"), "0");
            EXPECT_FALSE(DirectoryExists(Profile + "\\Mail\\g1"));
        }).join();
        transaction.Commit();
    }
    EXPECT_EQ(WholeGeneration(), 1);
    InstallSystem(Sys.Root());
    std::string mix;
    EXPECT_EQ(WholeGeneration(&mix), 1) << mix;
    EXPECT_EQ(Leftovers(Sys.Root()), std::vector<std::string>{});
}

TEST_F(WriteTransaction, ReadsOnTheSavingThreadSeeTheFilesAsTheCommitWillLeaveThem) {
    TWriteTransaction transaction;
    SaveGeneration(1);
    const auto names = [](const std::string& pattern) {
        std::vector<std::string> found;
        for (const TFindEntry& entry : FindFiles(pattern)) {
            found.push_back(entry.Name);
        }
        return found;
    };
    EXPECT_EQ(names(Profile + "\\Mail\\*"), (std::vector<std::string>{".", "..", "g1"}));
    EXPECT_EQ(names(Profile + "\\Mail\\G1\\*"),
              (std::vector<std::string>{".", "..", "msgFilterRules.dat"}));
    EXPECT_EQ(names(Profile + "\\*.txt"),
              (std::vector<std::string>{"flag.txt", "gen1.txt", "signons.txt"}));
    EXPECT_FALSE(FileExists(Profile + "\\gen0.txt"));
    EXPECT_FALSE(ReadFileBytes(Profile + "\\gen0.txt"));
    EXPECT_EQ(FileEntry(Profile + "\\prefs.js")->Size, std::string("generation=1\n").size());
    EXPECT_EQ(GetFileAttributes(Profile + "\\flag.txt"),
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(GetFileAttributes(Profile + "\\Mail\\g1"), FILE_ATTRIBUTE_DIRECTORY);
    // The same checks as outside a transaction: a read-only file is not written or deleted.
    EXPECT_THROW(WriteFileAtomic(Profile + "\\flag.txt", "x"), EFileError);
    EXPECT_FALSE(DeleteFile(Profile + "\\flag.txt"));
    EXPECT_THROW(WriteFileAtomic(Profile + "\\Missing\\x.txt", "x"), EFileError);
    EXPECT_FALSE(RemoveDirectory(Profile + "\\Mail\\g1")); // not empty
}

TEST_F(WriteTransaction, LeavingTheScopeWithoutCommitPutsEverythingBack) {
    try {
        TWriteTransaction transaction;
        SaveGeneration(1);
        throw std::runtime_error("a later part of the save failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(TreeOf(Sys.Root()), Before);
    std::string mix;
    EXPECT_EQ(WholeGeneration(&mix), 0) << mix;
    UninstallSystem(); // saves nothing: the hives are as unchanged as before
    EXPECT_EQ(TreeOf(Sys.Root()), Before);
    InstallSystem(Sys.Root());
    SaveCommitted(1);
    const auto rolledBackThenSaved = TreeOf(Sys.Root());
    UninstallSystem();
    // Memory was put back exactly: the next save writes what it writes on a system that never
    // saw the rolled-back one, byte for byte (value order, keys made only as parents ...).
    TTestSystem reference;
    WriteGenerationZero();
    SaveCommitted(1);
    EXPECT_EQ(TreeOf(reference.Root()), rolledBackThenSaved);
}

TEST(WriteTransactionHive, RollbackRestoresValuesInTheirOrderAndKeysWithTheirSubtrees) {
    const std::string hive =
        reg_test::Utf16File("Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_CURRENT_USER\\Software\\Quenlix\\Accounts\\00000001]\n"
                            "\"Account Name\"=\"Anna\"\n"
                            "\"POP3 Port\"=dword:000003e3\n"
                            "\"Password2\"=hex:01,02,03\n\n"
                            "[HKEY_CURRENT_USER\\Software\\Quenlix\\Accounts\\00000001\\Sub]\n"
                            "@=\"default\"\n\n");
    TTestSystem sys;
    const fs::path file = sys.Root() / "registry" / "HKEY_CURRENT_USER.reg";
    std::ofstream(file, std::ios::binary) << hive;
    InstallSystem(sys.Root());
    {
        TWriteTransaction transaction;
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Quenlix\\Accounts\\00000001", false));
        EXPECT_TRUE(reg.DeleteValue("POP3 Port"));
        reg.WriteString("Account Name", "Changed");
        reg.WriteInteger("POP3 Port", 995); // comes back last, as a new value
        reg.WriteInteger("New", 1);
        ASSERT_TRUE(reg.OpenKey("\\Software\\Quenlix", false)); // made only as a parent so far
        reg.WriteString("Default", "00000001");
        EXPECT_TRUE(reg.DeleteKey("\\Software\\Quenlix\\Accounts"));
        ASSERT_TRUE(reg.OpenKey("\\Software\\Quenlix\\Accounts\\00000001", true));
        reg.WriteString("Account Name", "Recreated");
        reg.CloseKey();
    }
    UninstallSystem(); // would save a hive that still counted as changed
    EXPECT_EQ(HostBytes(file), hive);
    InstallSystem(sys.Root());
    // The same edit made once more now must give what it gives on the untouched hive.
    const auto edit = [] {
        TRegistry reg;
        reg.OpenKey("\\Software\\Quenlix\\Accounts\\00000001", false);
        reg.WriteString("Account Name", "Edited");
        reg.CloseKey();
    };
    edit();
    const std::string afterRollback = HostBytes(file);
    std::ofstream(file, std::ios::binary) << hive;
    InstallSystem(sys.Root());
    edit();
    EXPECT_EQ(reg_test::TextOf(afterRollback), reg_test::TextOf(HostBytes(file)));
}

TEST_P(FailedCommit, PutsEverythingBackAndRaisesOneErrorNamingThePart) {
    bool committed = false;
    try {
        TWriteTransaction transaction;
        SaveGeneration(1);
        transaction.AfterCommit([&] { committed = true; });
        GetParam().Arm();
        transaction.Commit();
        ADD_FAILURE() << "the failed commit was reported as success";
    } catch (const std::runtime_error& error) {
        // Only the two error types, each for its own part.
        EXPECT_EQ(dynamic_cast<const ESystemError*>(&error) != nullptr, GetParam().RegistryError)
            << error.what();
        EXPECT_EQ(dynamic_cast<const EFileError*>(&error) != nullptr, !GetParam().RegistryError)
            << error.what();
        EXPECT_NE(std::string(error.what()).find(GetParam().Message), std::string::npos)
            << error.what();
    }
    reg::SetSaveFaultForTesting(reg::TSaveFault::None);
    EXPECT_FALSE(committed);
    EXPECT_EQ(TreeOf(Sys.Root()), Before);
    EXPECT_EQ(WholeGeneration(), 0);

    // Nothing is left in the way of the next try.
    SaveCommitted(1);
    InstallSystem(Sys.Root());
    EXPECT_EQ(WholeGeneration(), 1);
    EXPECT_EQ(Leftovers(Sys.Root()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    WriteTransaction, FailedCommit,
    ::testing::Values(
        // The first new file cannot be written in full (a full disk).
        TCommitFault{"FileWrite", [] { detail::FailNextAtomicWriteForTesting(); },
                     "Cannot write the file \"C:\\Documents and Settings\\User\\Application "
                     "Data\\Quenlix\\Mail\\g1\\msgFilterRules.dat\": No space left",
                     false},
        TCommitFault{"HiveWrite", [] { reg::SetSaveFaultForTesting(reg::TSaveFault::Write); },
                     "HKEY_CURRENT_USER.reg (write): No space left", true},
        TCommitFault{"HiveFlush", [] { reg::SetSaveFaultForTesting(reg::TSaveFault::Sync); },
                     "HKEY_CURRENT_USER.reg (flush)", true},
        // The files are in place already when the hive's rename fails: they go back.
        TCommitFault{"HiveRename", [] { reg::SetSaveFaultForTesting(reg::TSaveFault::Rename); },
                     "HKEY_CURRENT_USER.reg (rename)", true}),
    [](const ::testing::TestParamInfo<TCommitFault>& info) { return info.param.Name; });

TEST_F(WriteTransaction, ADryRunReportsEachChangeAndLeavesDiskAndMemoryAsTheyWere) {
    bool ranAfterCommit = false;
    TPreparedChanges changes;
    {
        TWriteTransaction dryRun(TTransactionMode::DryRun);
        {
            TWriteTransaction save; // what a store opens joins the dry run
            SaveGeneration(1);
            save.AfterCommit([&] { ranAfterCommit = true; });
            save.Commit();
        }
        EXPECT_EQ(WholeGeneration(), 1);
        changes = dryRun.Commit();
    }
    EXPECT_EQ(TreeOf(Sys.Root()), Before);
    EXPECT_EQ(WholeGeneration(), 0);
    EXPECT_FALSE(ranAfterCommit);
    EXPECT_EQ(Lines(changes),
              (std::vector<std::string>{
                  "folder created \\Mail\\g1 - -> - ffffffff -> 10",
                  "written \\Mail\\g1\\msgFilterRules.dat - -> \"1\" ffffffff -> 20",
                  "deleted \\Mail\\g0\\msgFilterRules.dat \"0\" -> - 20 -> ffffffff",
                  "folder removed \\Mail\\g0 - -> - 10 -> ffffffff",
                  "deleted \\gen0.txt \"0\" -> - 20 -> ffffffff",
                  "written \\gen1.txt - -> \"1\" ffffffff -> 20",
                  "written \\prefs.js \"generation=0\n\" -> \"generation=1\n\" 20 -> 20",
                  "written \\signons.txt \"0\" -> \"1\" 20 -> 20",
                  "attributes \\flag.txt \"flag\" -> - 80 -> 3",
                  "HKCU set Software\\Quenlix [Version] 4:00000000 -> 4:01000000",
                  "HKCU key created Software\\Quenlix\\Generations\\1 - -> -",
                  "HKCU set Software\\Quenlix\\Generations\\1 [Generation] - -> 1:31000000",
                  "HKCU key deleted Software\\Quenlix\\Generations\\0 - -> -",
                  "HKCU deleted Software\\Quenlix\\Generations\\0 [Generation] 1:30000000 -> -",
                  "HKLM set Software\\Quenlix [Version] 4:00000000 -> 4:01000000",
                  "HKLM set Software\\Classes\\Quenlix.Mail [Generation] 1:30000000 -> 1:31000000",
              }));
}

TEST_F(WriteTransaction, JoinedScopesCommitOnlyWithTheOutermostOne) {
    std::vector<std::string> order;
    RunWhenCommitted([&] { order.push_back("at once"); });
    {
        TWriteTransaction outer;
        {
            TWriteTransaction inner;
            EXPECT_TRUE(TWriteTransaction::Active());
            SaveGeneration(1);
            inner.AfterCommit([&] { order.push_back("inner"); });
            RunWhenCommitted([&] { order.push_back("cache"); });
            inner.Commit();
        }
        EXPECT_EQ(ReadFileBytes(Profile + "\\signons.txt"), "1");
        EXPECT_EQ(TreeOf(Sys.Root())
                      .at("drive_c/Documents and Settings/User/Application "
                          "Data/Quenlix/signons.txt"),
                  std::to_string(0644) + ":0");
        order.push_back("before outer commit");
        outer.AfterCommit([&] {
            EXPECT_FALSE(TWriteTransaction::Active());
            WriteFileAtomic(Profile + "\\cache.txt", "what the save allocated");
        });
        outer.Commit();
        EXPECT_EQ(HostBytes(Sys.Host(Profile + "\\cache.txt")), "what the save allocated");
    }
    EXPECT_FALSE(TWriteTransaction::Active());
    EXPECT_EQ(order,
              (std::vector<std::string>{"at once", "before outer commit", "inner", "cache"}));
    EXPECT_EQ(WholeGeneration(), 1);
}

TEST_F(WriteTransaction, AJoinedScopeThatFailedStopsTheWholeSave) {
    TWriteTransaction outer;
    try {
        TWriteTransaction inner;
        SaveGeneration(1);
        throw std::runtime_error("the inner part failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_THROW(TWriteTransaction(TTransactionMode::DryRun), std::logic_error);
    EXPECT_THROW(outer.Commit(), ESystemError); // the caller swallowed the error: still nothing
    EXPECT_EQ(TreeOf(Sys.Root()), Before);
    EXPECT_EQ(WholeGeneration(), 0);
    // The transaction has ended: what the thread writes now goes to disk at once.
    WriteFileAtomic(Profile + "\\signons.txt", "after");
    EXPECT_EQ(HostBytes(Sys.Host(Profile + "\\signons.txt")), "after");
}

TEST(WriteTransactionHive, OtherThreadsHiveSavesWaitForTheTransactionsEnd) {
    for (const bool commit : {true, false}) {
        TTestSystem sys("", "", "[HKEY_CURRENT_USER\\Software]\n");
        const fs::path file = sys.Root() / "registry" / "HKEY_CURRENT_USER.reg";
        const std::string before = HostBytes(file);
        {
            TWriteTransaction transaction;
            TRegistry mine;
            mine.OpenKey("\\Software\\Mine", true);
            mine.WriteInteger("x", 1);
            mine.CloseKey();
            std::thread([] {
                TRegistry theirs;
                theirs.OpenKey("\\Software\\Theirs", true);
                theirs.WriteInteger("y", 2);
                theirs.CloseKey(); // waits: the hive holds an unfinished save
            }).join();
            EXPECT_EQ(HostBytes(file), before);
            if (commit) {
                transaction.Commit();
            }
        }
        const std::string text = reg_test::TextOf(HostBytes(file));
        EXPECT_EQ(text.find("[HKEY_CURRENT_USER\\Software\\Mine]") != std::string::npos, commit);
        EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Theirs]"), std::string::npos);
    }
}
