#include "platform/Shell.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace platform;
namespace fs = std::filesystem;

namespace {

// Points PATH at a folder of our own for the duration of a test.
class TPathOverride {
public:
    explicit TPathOverride(const fs::path& dir)
        : Old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        ::setenv("PATH", dir.c_str(), 1);
    }
    ~TPathOverride() { ::setenv("PATH", Old_.c_str(), 1); }

private:
    std::string Old_;
};

fs::path FreshFolder(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / (name + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

} // namespace

TEST(Shell, OpenGoesToTheObserverAndRefusesOptionLikeAddresses) {
    std::vector<std::string> opened;
    SetShellOpenObserver([&](const std::string& url) { opened.push_back(url); });
    EXPECT_TRUE(ShellOpen("https://www.quenlix.example/support"));
    EXPECT_FALSE(ShellOpen("--help"));
    EXPECT_FALSE(ShellOpen(""));
    SetShellOpenObserver(nullptr);
    EXPECT_EQ(opened, std::vector<std::string>{"https://www.quenlix.example/support"});
}

TEST(Shell, OpenStartsTheHostOpenerDetachedOrReportsThatItCannot) {
    const fs::path dir = FreshFolder("quenlix-shell-");
    {
        TPathOverride path(dir);
        EXPECT_FALSE(ShellOpen("https://www.quenlix.example/")); // no opener installed

        // The opener waits until the test releases it (ten seconds at most): had ShellOpen
        // waited for it, the opener would have run out its wait and written its file already.
        const fs::path opener = dir / "xdg-open";
        const std::string release = (dir / "release").string();
        std::ofstream(opener) << "#!/bin/sh\ni=0\nwhile [ ! -e \"" << release
                              << "\" ] && [ $i -lt 200 ]; do /bin/sleep 0.05; i=$((i+1)); done\n"
                              << "echo \"$1\" > \"" << (dir / "opening").string()
                              << "\" && /bin/mv \"" << (dir / "opening").string() << "\" \""
                              << (dir / "opened").string() << "\"\n";
        fs::permissions(opener, fs::perms::owner_all);
        EXPECT_TRUE(ShellOpen("https://www.quenlix.example/a b"));
        EXPECT_FALSE(fs::exists(dir / "opened")) << "ShellOpen waited for the opener";
        std::ofstream(release).put('\n');
    }
    for (int i = 0; i < 200 && !fs::exists(dir / "opened"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(dir / "opened");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "https://www.quenlix.example/a b");
    fs::remove_all(dir);
}

TEST(Shell, MissingBatchFilesAreNotStarted) {
    testing_support::TTestSystem sys;
    EXPECT_FALSE(WinExecBatch("C:\\Temp\\missing.bat"));
    EXPECT_FALSE(WinExecBatch(""));
}
