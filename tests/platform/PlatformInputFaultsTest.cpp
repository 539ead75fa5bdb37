// Inputs of the simulated system that used to be misread: a hive file that is a folder, and
// version numbers too large for the arithmetic on them.

#include "platform/RegHive.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include "ThrowsWith.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using platform_test::ThrowsWith;
using namespace platform;

namespace {

fs::path MakeTempDir() {
    std::string pattern = (fs::temp_directory_path() / "quenlix-faults-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("no temporary folder");
    return pattern;
}

} // namespace

TEST(HiveFile, AFolderInPlaceOfTheFileIsAnErrorNotAnEmptyHive) {
    const fs::path dir = MakeTempDir();
    const fs::path file = dir / "HKEY_CURRENT_USER.reg";
    fs::create_directory(file);
    reg::THive hive("HKEY_CURRENT_USER");
    hive.Create("Software\\Kept");
    EXPECT_TRUE(ThrowsWith<ESystemError>([&] { hive.Load(file); }, file.string()));
    EXPECT_NE(hive.Find("Software\\Kept"), nullptr);

    // A system whose hive is a folder is not installed with an empty registry either.
    fs::create_directories(dir / "root" / "registry" / "HKEY_LOCAL_MACHINE.reg");
    EXPECT_THROW(InstallSystem(dir / "root"), ESystemError);
    EXPECT_FALSE(SystemInstalled());
    fs::remove_all(dir);
}

TEST(MachineFacts, HugeVersionNumbersAreNoKnownWindows) {
    struct TCase {
        std::string Ini;
        int Major, Minor;
    };
    // 42949677 * 100 + 97 wraps around to 501 (XP) in 32 bits.
    const std::vector<TCase> cases = {
        {"[Windows]\nMajor=42949677\nMinor=97\n", 42949677, 97},
        {"[Windows]\nMajor=2147483647\nMinor=2147483647\n", 2147483647, 2147483647},
        {"[Windows]\nMajor=-2147483648\nMinor=-2147483648\n", -2147483647 - 1, -2147483647 - 1},
        {"[Windows]\nPlatform=9x\nMajor=42949676\nMinor=190\n", 42949676, 190},
    };
    for (const TCase& c : cases) {
        const TMachineFacts f = ParseMachineFacts(c.Ini, "/root");
        EXPECT_EQ(f.MajorVersion, c.Major) << c.Ini;
        EXPECT_EQ(f.MinorVersion, c.Minor) << c.Ini;
        EXPECT_EQ(f.ServicePack, "") << c.Ini;
        if (f.PlatformId == TPlatformId::NT)
            EXPECT_EQ(f.BuildNumber, c.Major < 5 ? 1381 : 0) << c.Ini;
        else
            EXPECT_EQ(f.BuildNumber, 2222) << c.Ini;
    }
}
