// What the next start does with the journal of a commit that was killed: finish it from the
// commit point on, undo it before, leave alone what a running process is doing.

#include "HostFaults.h"
#include "SaveGenerations.h"

#include "platform/Files.h"
#include "platform/ProcessIdentity.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace platform;
using platform_test::Leftovers;
using testing_support::TTestSystem;
namespace fs = std::filesystem;

namespace {

void Put(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// A killed commit that replaces C:\My Data\a.txt, creates C:\My Data\New\c.txt and deletes
// C:\My Data\b.txt, left as its journal and files say at the moment it was killed.
struct TKilledCommit {
    fs::path Root;
    std::string Owner; // the process token in the journal's name
    fs::path Data = Root / "drive_c" / "My Data";
    fs::path NewFolder = Data / "New";
    fs::path TempA = Data / (Tag(1) + "a.txt");
    fs::path BackupA = Data / (Tag(2) + "a.txt");
    fs::path TempC = NewFolder / (Tag(3) + "c.txt");
    fs::path BackupB = Root / "journal" / (Tag(4) + "b.txt");

    std::string Tag(int n) const {
        return ".~qtmp." + Owner.substr(0, Owner.find('-')) + "." + std::to_string(n) + ".";
    }
    std::string Journal() const {
        return "Quenlix write journal 1\n"
               "folder\tdrive_c/My Data/New\n"
               "replace\tdrive_c/My Data/New/c.txt\tdrive_c/My Data/New/" +
               Tag(3) +
               "c.txt\t\t644\n"
               "replace\tdrive_c/My Data/a.txt\tdrive_c/My Data/" +
               Tag(1) + "a.txt\tdrive_c/My Data/" + Tag(2) +
               "a.txt\t644\n"
               "delete\tdrive_c/My Data/b.txt\tjournal/" +
               Tag(4) + "b.txt\nend\n";
    }
    // Phase 2 done: folder, temporaries and backups in place.
    void Prepared() const {
        fs::create_directories(NewFolder);
        fs::create_directories(Root / "journal");
        Put(TempA, "new a");
        Put(TempC, "new c");
        fs::create_hard_link(Data / "a.txt", BackupA);
        fs::create_hard_link(Data / "b.txt", BackupB);
    }
    void WriteJournal(const std::string& phase) const {
        Put(Root / "journal" / (Owner + ".7" + phase), Journal());
    }
};

// C:\My Data with the old a.txt and b.txt, on a system then stopped, for a commit to be left
// on its disk.
void WriteOldDataAndStop() {
    ForceDirectories("C:\\My Data");
    WriteFileAtomic("C:\\My Data\\a.txt", "old a");
    WriteFileAtomic("C:\\My Data\\b.txt", "old b");
    UninstallSystem();
}

struct TRecoveryCase {
    const char* Name;
    const char* Phase;
    std::function<void(const TKilledCommit&)> Leave; // what the killed commit had done
    bool Finished;                                   // else undone
};

void PrintTo(const TRecoveryCase& c, std::ostream* out) {
    *out << c.Name;
}

class JournalRecovery : public ::testing::TestWithParam<TRecoveryCase> {};

} // namespace

TEST_P(JournalRecovery, TheNextStartLeavesTheSaveWhole) {
    TTestSystem sys;
    WriteOldDataAndStop();
    const TKilledCommit killed{sys.Root(), std::to_string(platform_test::EndedProcessId()) + "-1"};
    killed.Prepared();
    GetParam().Leave(killed);
    killed.WriteJournal(GetParam().Phase);

    InstallSystem(sys.Root());
    if (GetParam().Finished) {
        EXPECT_EQ(ReadFileBytes("C:\\My Data\\a.txt"), "new a");
        EXPECT_FALSE(FileExists("C:\\My Data\\b.txt"));
        EXPECT_EQ(ReadFileBytes("C:\\My Data\\New\\c.txt"), "new c");
    } else {
        EXPECT_EQ(ReadFileBytes("C:\\My Data\\a.txt"), "old a");
        EXPECT_EQ(ReadFileBytes("C:\\My Data\\b.txt"), "old b");
        EXPECT_FALSE(DirectoryExists("C:\\My Data\\New"));
    }
    EXPECT_EQ(Leftovers(sys.Root()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    WriteJournal, JournalRecovery,
    ::testing::Values(
        TRecoveryCase{"KilledWhilePreparing", ".prepare", [](const TKilledCommit&) {}, false},
        TRecoveryCase{"KilledAtTheCommitPoint", ".commit", [](const TKilledCommit&) {}, true},
        TRecoveryCase{"KilledWhileApplying", ".commit",
                      [](const TKilledCommit& k) {
                          fs::rename(k.TempA, k.Data / "a.txt");
                          fs::remove(k.Data / "b.txt");
                      },
                      true},
        TRecoveryCase{"KilledWhileCleaningUp", ".commit",
                      [](const TKilledCommit& k) {
                          fs::rename(k.TempA, k.Data / "a.txt");
                          fs::rename(k.TempC, k.NewFolder / "c.txt");
                          fs::remove(k.Data / "b.txt");
                          fs::remove(k.BackupA);
                      },
                      true},
        TRecoveryCase{"KilledWhilePuttingBack", ".rollback",
                      [](const TKilledCommit& k) {
                          fs::rename(k.TempA, k.Data / "a.txt");
                          fs::rename(k.TempC, k.NewFolder / "c.txt");
                          fs::remove(k.Data / "b.txt");
                      },
                      false}),
    [](const ::testing::TestParamInfo<TRecoveryCase>& info) { return info.param.Name; });

TEST(WriteJournal, TheJournalOfARunningProcessAndOneNotOursAreLeftAlone) {
    TTestSystem sys;
    WriteOldDataAndStop();
    // A process that runs (the one that started this test) is in the middle of its commit.
    const TKilledCommit running{sys.Root(), detail::ProcessToken(static_cast<int>(::getppid()))};
    ASSERT_FALSE(running.Owner.empty());
    running.Prepared();
    running.WriteJournal(".commit");
    // And a file in the journal folder that no commit of ours wrote.
    const fs::path foreign = sys.Root() / "journal" / (std::to_string(12345678) + "-1.1.commit");
    Put(foreign, "Some other program's notes\n");

    InstallSystem(sys.Root());
    EXPECT_EQ(ReadFileBytes("C:\\My Data\\a.txt"), "old a");
    EXPECT_TRUE(fs::exists(running.TempA));
    EXPECT_TRUE(fs::exists(running.BackupB));
    EXPECT_TRUE(fs::exists(foreign));
    // The running process's own saves still find what they need: a plain write beside them
    // removes nothing of theirs.
    WriteFileAtomic("C:\\My Data\\d.txt", "d");
    EXPECT_TRUE(fs::exists(running.TempA));
}
