// The process-wide log: silent unless switched on, entries delivered whole from any thread.

#include "accounts/Log.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(Log, IsSilentUntilSwitchedOn) {
    TLog log("Test");
    std::vector<TLogEntry> entries;
    log.SetSink([&](const TLogEntry& entry) { entries.push_back(entry); });
    EXPECT_FALSE(log.Enabled());
    log.LogMessage(TLogLevel::Error, "not written");
    log.LogStrings("title", {"a"});
    EXPECT_TRUE(entries.empty());

    log.SetEnabled(true);
    log.LogMessage(TLogLevel::Warning, "written");
    log.LogStrings("account Anna was changed", {"14 new: \"a\", old : \"b\""});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Level, TLogLevel::Warning);
    EXPECT_EQ(entries[0].Text, "written");
    EXPECT_EQ(entries[0].Session, "Main");
    EXPECT_EQ(entries[0].LogName, "Test");
    EXPECT_EQ(entries[1].Level, TLog::DefaultLevel);
    EXPECT_EQ(entries[1].Lines, std::vector<std::string>{"14 new: \"a\", old : \"b\""});
    EXPECT_EQ(FormatLogEntry(entries[1]),
              "[Info] account Anna was changed\n    14 new: \"a\", old : \"b\"\n");

    log.SetEnabled(false);
    log.LogMessage("dropped");
    EXPECT_EQ(entries.size(), 2u);
}

TEST(Log, ProgramLogIsOffByDefault) {
    EXPECT_FALSE(AppLog().Enabled());
    EXPECT_EQ(AppLog().SessionName(), "Main");
    EXPECT_FALSE(AppLog().Name().empty());
}

TEST(Log, IsNamedAfterTheExecutable) {
    testing_support::TTestSystem system("[Program]\nModulePath=C:\\Downloads\\Setup.v2.exe\n");
    EXPECT_EQ(TLog().Name(), "Setup.v2");
}

TEST(Log, WithoutSystemFallsBackToTheProgramName) {
    TLog log;
    EXPECT_EQ(log.Name(), "QuenlixMailAssistant");
    EXPECT_EQ(TLog("").Name(), "QuenlixMailAssistant");
}

TEST(Log, EntriesFromSeveralThreadsArriveWhole) {
    TLog log("Threads");
    log.SetEnabled(true);
    std::vector<std::string> texts;
    log.SetSink([&](const TLogEntry& entry) { texts.push_back(entry.Text); });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 250; ++i) {
                log.LogMessage(TLogLevel::Debug, std::to_string(t));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(texts.size(), 1000u);
}

} // namespace
