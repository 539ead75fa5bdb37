#include "platform/BatchRunner.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "support/SmallStack.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <thread>

using namespace platform;
using testing_support::TTestProcess;
using testing_support::TTestSystem;

namespace {

// An in-memory host: files by exact name, some locked for a number of loop rounds.
class TFakeHost : public TBatchHost {
public:
    std::set<std::string> Files;
    std::map<std::string, std::string> Environment;
    std::map<std::string, int> LockedRounds; // file -> rounds it stays in use
    int RoundsAllowed = 100;
    int Rounds = 0;

    bool FileExists(const std::string& path) override { return Files.count(path) > 0; }
    bool DeleteFile(const std::string& path) override {
        if (LockedRounds[path] > Rounds)
            return false;
        return Files.erase(path) > 0;
    }
    std::optional<std::string> EnvironmentVariable(const std::string& name) override {
        const auto it = Environment.find(name);
        return it == Environment.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    bool MayLoopAgain() override {
        if (Rounds >= RoundsAllowed)
            return false;
        ++Rounds;
        return true;
    }
};

const std::string Exe = "C:\\Program Files\\Quenlix\\Assistant.exe";
const std::string Batch = "C:\\Temp\\sEM1A.bat";

std::string RemovalBatch(const std::string& exe, const std::string& batch) {
    const std::string e = BatchFileArgument(exe, true);
    return ":Loesche\r\ndel " + e + "\r\nif Exist " + e + " goto Loesche\r\ndel " +
           BatchFileArgument(batch, false) + "\r\n";
}

template <typename Predicate> bool WaitUntil(Predicate done, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

} // namespace

TEST(BatchInterpreter, RemovalLoopRetriesUntilTheImageIsReleasedThenDeletesItself) {
    TFakeHost host;
    host.Files = {Exe, Batch};
    host.LockedRounds[Exe] = 3;
    const TBatchResult result = RunBatch(RemovalBatch(Exe, Batch), Batch, host);
    EXPECT_EQ(result.End, TBatchEnd::Completed);
    EXPECT_EQ(host.Rounds, 3);
    EXPECT_TRUE(host.Files.empty());
    EXPECT_EQ(result.Deleted, (std::vector<std::string>{Exe, Batch}));
}

TEST(BatchInterpreter, ALoopThatNeverEndsGivesUpWhenTheHostSaysSo) {
    TFakeHost host;
    host.Files = {Exe, Batch};
    host.LockedRounds[Exe] = 1000;
    host.RoundsAllowed = 5;
    const TBatchResult result = RunBatch(RemovalBatch(Exe, Batch), Batch, host);
    EXPECT_EQ(result.End, TBatchEnd::GaveUp);
    EXPECT_EQ(host.Rounds, 5);
    EXPECT_EQ(host.Files, (std::set<std::string>{Exe, Batch})); // stopped before the last line
}

TEST(BatchInterpreter, LabelsAndGotoIgnoreCaseSkipForwardAndStopAtAMissingLabel) {
    TFakeHost host;
    host.Files = {"a", "b", "c", "d", "e"};
    const TBatchResult result = RunBatch("@echo off\n"
                                         "GOTO :Weiter\n"
                                         "del a\n"
                                         ":weiter extra words\n"
                                         "del b\n"
                                         "goto :EOF\n"
                                         "del c\n",
                                         Batch, host);
    EXPECT_EQ(result.End, TBatchEnd::Completed);
    EXPECT_EQ(host.Files, (std::set<std::string>{"a", "c", "d", "e"}));

    const TBatchResult missing = RunBatch("del d\r\ngoto nowhere\r\ndel e\r\n", Batch, host);
    EXPECT_EQ(missing.End, TBatchEnd::LabelMissing);
    EXPECT_EQ(host.Files, (std::set<std::string>{"a", "c", "e"}));
    EXPECT_EQ(host.Rounds, 0); // no jump went backwards
}

TEST(BatchInterpreter, DelTakesQuotedNamesWholeAndSplitsUnquotedOnesAtBlanks) {
    TFakeHost host;
    host.Files = {"C:\\My Files\\a.txt", "C:\\My", "Files\\b.txt", "C:\\x.txt", "C:\\y.txt"};
    RunBatch("del \"C:\\My Files\\a.txt\"\n"
             "del C:\\My Files\\b.txt\n"
             "ERASE /q C:\\x.txt;C:\\y.txt\n",
             Batch, host);
    EXPECT_TRUE(host.Files.empty());
}

TEST(BatchInterpreter, IfExistRunsItsCommandOnlyWhenTheFileIsThere) {
    TFakeHost host;
    host.Files = {"C:\\flag", "C:\\one", "C:\\two", "C:\\three"};
    RunBatch("IF EXIST \"C:\\flag\" del C:\\one\n"
             "if exist C:\\missing del C:\\two\n"
             "If Not Exist C:\\missing del C:\\three\n"
             "if not exist C:\\flag del C:\\flag\n"
             "if a==a del C:\\flag\n", // conditions other than exist are not understood
             Batch, host);
    EXPECT_EQ(host.Files, (std::set<std::string>{"C:\\flag", "C:\\two"}));
}

TEST(BatchInterpreter, PercentSignsExpandEvenInsideQuotes) {
    TFakeHost host;
    host.Environment["TEMP"] = "C:\\Temp";
    EXPECT_EQ(ExpandBatchLine("del \"C:\\100%% sure\\%TEMP%\\x\"", Batch, host),
              "del \"C:\\100% sure\\C:\\Temp\\x\"");
    EXPECT_EQ(ExpandBatchLine("%UNSET%|%0|%1|50%", Batch, host), "|" + Batch + "||50");
    EXPECT_EQ(ExpandBatchLine("a%b", Batch, host), "ab");
}

TEST(BatchInterpreter, APercentInAFileNameSurvivesOnlyWhenDoubled) {
    const std::string name = "C:\\Apps\\50%TEMP%off\\Setup.exe";
    TFakeHost host;
    host.Environment["TEMP"] = "C:\\Temp";
    host.Files = {name, "C:\\Apps\\50C:\\Tempoff\\Setup.exe"};

    RunBatch("del \"" + name + "\"\n", Batch, host); // written as is: names another file
    EXPECT_EQ(host.Files.count("C:\\Apps\\50C:\\Tempoff\\Setup.exe"), 0u);
    EXPECT_EQ(host.Files.count(name), 1u);

    RunBatch("del " + BatchFileArgument(name, true) + "\n", Batch, host);
    EXPECT_TRUE(host.Files.empty());
}

TEST(BatchInterpreter, UnknownCommandsAndRemarksHaveNoEffect) {
    TFakeHost host;
    host.Files = {"C:\\a", "C:\\b"};
    const TBatchResult result = RunBatch("echo del C:\\a\nrem del C:\\a\n:: del C:\\a\n"
                                         "copy C:\\a C:\\b\ndelete C:\\b\ndel\\ C:\\b\n",
                                         Batch, host);
    EXPECT_EQ(result.End, TBatchEnd::Completed);
    EXPECT_EQ(result.CommandsRun, 5);
    EXPECT_EQ(host.Files.size(), 2u);
}

TEST(BatchInterpreter, LinesSplitAtAnyLineEnd) {
    EXPECT_EQ(BatchLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(BatchLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
}

TEST(BatchFileArgument, QuotesWhenNeededDoublesPercentsAndRefusesWhatCannotBeWritten) {
    EXPECT_EQ(BatchFileArgument("C:\\Temp\\sEM1.bat", false), "C:\\Temp\\sEM1.bat");
    EXPECT_EQ(BatchFileArgument("C:\\Temp\\sEM1.bat", true), "\"C:\\Temp\\sEM1.bat\"");
    EXPECT_EQ(BatchFileArgument("C:\\Local Settings\\Temp\\a.bat", false),
              "\"C:\\Local Settings\\Temp\\a.bat\"");
    EXPECT_EQ(BatchFileArgument("C:\\R&D\\a.bat", false), "\"C:\\R&D\\a.bat\"");
    EXPECT_EQ(BatchFileArgument("C:\\100%\\a.exe", true), "\"C:\\100%%\\a.exe\"");
    EXPECT_EQ(BatchFileArgument("C:\\a\"b.exe", true), "");
    EXPECT_EQ(BatchFileArgument("C:\\a\r\ndel C:\\b", true), "");
    EXPECT_EQ(BatchFileArgument("", false), "");
    // del takes a leading "/" for a switch, quoted or not (found by fuzzing).
    EXPECT_EQ(BatchFileArgument("/+i6", false), "");
    EXPECT_EQ(BatchFileArgument("/x", true), "");
}

TEST(SystemBatchHost, ARunningProgramsImageCannotBeDeletedUntilItEnds) {
    TTestSystem sys;
    const std::string exe = "C:\\Program Files\\Quenlix\\Assistant.exe";
    TTestProcess process = sys.StartProcess(exe);
    TSystemBatchHost host(std::chrono::milliseconds(1), std::chrono::minutes(1));
    EXPECT_TRUE(host.FileExists("c:\\program files\\quenlix\\ASSISTANT.EXE"));
    EXPECT_TRUE(host.FileExists("C:\\Program Files")); // folders exist too, as for "if exist"
    EXPECT_FALSE(host.DeleteFile(exe));
    process.End();
    EXPECT_TRUE(host.DeleteFile(exe));
    EXPECT_FALSE(sys.Exists(exe));
}

TEST(SystemBatchHost, LoopsGiveUpAfterTheLimit) {
    TTestSystem sys;
    TSystemBatchHost host(std::chrono::milliseconds(20), std::chrono::milliseconds(100));
    int rounds = 0;
    while (host.MayLoopAgain() && rounds < 1000)
        ++rounds;
    EXPECT_GE(rounds, 1);
    EXPECT_LE(rounds, 6);
}

TEST(StartBatch, TheDetachedRunnerDeletesTheImageAfterItsProgramEndsAndThenItself) {
    TTestSystem sys;
    const std::string exe = "C:\\Program Files\\Quenlix Mail\\Assistant.exe";
    const std::string batch = "C:\\Temp Folder\\sEM2B.bat";
    TTestProcess process = sys.StartProcess(exe);
    sys.WriteFile(batch, RemovalBatch(exe, batch) + "del leftover.txt\r\n");
    sys.WriteFile("C:\\Temp Folder\\leftover.txt", "x");
    ASSERT_TRUE(SetCurrentDirectory("C:\\Temp Folder"));

    ASSERT_TRUE(StartBatch(batch));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(sys.Exists(exe)); // still in use
    EXPECT_TRUE(sys.Exists(batch));

    process.End();
    EXPECT_TRUE(WaitUntil([&] { return !sys.Exists(exe) && !sys.Exists(batch); },
                          std::chrono::seconds(30)));
    // Lines after "del <batch>" still ran: the runner had read the whole file, and relative
    // names are taken from the current directory it was started with.
    EXPECT_TRUE(WaitUntil([&] { return !sys.Exists("C:\\Temp Folder\\leftover.txt"); },
                          std::chrono::seconds(10)));
}

TEST(StartBatch, RefusesAMissingBatchAndFindsItsRunner) {
    TTestSystem sys;
    EXPECT_FALSE(StartBatch("C:\\Temp\\none.bat"));
    EXPECT_FALSE(BatchRunnerExecutable().empty());
}

TEST(StartBatch, WinExecBatchStartsTheSameRunner) {
    TTestSystem sys;
    sys.WriteFile("C:\\Temp\\victim.txt", "x");
    sys.WriteFile("C:\\Temp\\run.bat", "del C:\\Temp\\victim.txt\r\ndel C:\\Temp\\run.bat\r\n");
    ASSERT_TRUE(WinExecBatch("C:\\Temp\\run.bat"));
    EXPECT_TRUE(WaitUntil(
        [&] { return !sys.Exists("C:\\Temp\\victim.txt") && !sys.Exists("C:\\Temp\\run.bat"); },
        std::chrono::seconds(30)));
}

TEST(BatchRunner, NestedConditionsRunWithoutRecursion) {
    // One "if exist" per level used to cost a stack frame and a copy of the rest of the line.
    for (const bool present : {true, false}) {
        TFakeHost host;
        host.Files = {"a", "victim"};
        std::string line;
        for (int i = 0; i < 100'000; ++i)
            line += present ? "if exist a " : "if not exist a ";
        line += "del victim\r\n";
        TBatchResult result;
        testing_support::RunOnSmallStack([&] { result = RunBatch(line, Batch, host); });
        EXPECT_EQ(result.End, TBatchEnd::Completed);
        EXPECT_EQ(result.Deleted,
                  present ? std::vector<std::string>{"victim"} : std::vector<std::string>{});
    }
}

TEST(BatchRunner, ACommandAfterAConditionMayStartWithAnAt) {
    TFakeHost host;
    host.Files = {"a", "b"};
    const TBatchResult result = RunBatch("if exist a @del b\r\n", Batch, host);
    EXPECT_EQ(result.Deleted, std::vector<std::string>{"b"});
}
