// Shell services: the open observer, and batch files run by the system's command interpreter.

#include "WinTestSupport.h"

#include "platform/Files.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;
using win32_test::TTestFolder;

// The batch runs on its own: wait for what it leaves behind, for at most half a minute.
bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 300; ++i) {
        if (done()) {
            return true;
        }
        Sleep(100);
    }
    return done();
}

TEST(ShellTest, TheObserverTakesTheAddressInsteadOfTheBrowser) {
    std::vector<std::string> opened;
    SetShellOpenObserver([&](const std::string& url) { opened.push_back(url); });
    EXPECT_TRUE(ShellOpen("https://quenlix.example/hilfe?a=1&b=2"));
    EXPECT_FALSE(ShellOpen("-unsafe"));
    EXPECT_FALSE(ShellOpen(""));
    SetShellOpenObserver(nullptr);
    EXPECT_EQ(opened, std::vector<std::string>{"https://quenlix.example/hilfe?a=1&b=2"});
}

TEST(ShellTest, ABatchRunsUnderTheCommandInterpreterAndOutlivesTheCall) {
    TTestFolder folder;
    const std::string dir = folder / "a & b (Quenlix)";
    ASSERT_TRUE(ForceDirectories(dir));
    const std::string marker = dir + "\\marker.txt";
    const std::string victim = dir + "\\program.exe";
    WriteFileAtomic(victim, "MZ");
    // The pattern of a self-removal: delete a file until it is gone, then the batch itself.
    const std::string batch = dir + "\\remove.bat";
    WriteFileAtomic(batch, "@echo off\r\n"
                           ":again\r\n"
                           "del \"" +
                               victim +
                               "\"\r\n"
                               "if exist \"" +
                               victim +
                               "\" goto again\r\n"
                               "echo removed> \"" +
                               marker +
                               "\"\r\n"
                               "del \"%~f0\"\r\n");
    ASSERT_TRUE(WinExecBatch(batch));
    ASSERT_TRUE(WaitFor([&] { return !FileExists(batch); }));
    EXPECT_FALSE(FileExists(victim));
    EXPECT_EQ(ReadFileBytes(marker), "removed\r\n");
}

TEST(ShellTest, AMissingBatchIsNotStarted) {
    TTestFolder folder;
    EXPECT_FALSE(WinExecBatch(folder / "missing.bat"));
}

} // namespace
