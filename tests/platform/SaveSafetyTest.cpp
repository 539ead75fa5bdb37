// Saves that must not lose what was there before: a full disk, a killed writer, a read-only file.

#include "HostFaults.h"

#include "platform/Files.h"
#include "platform/RegHive.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace platform;
using platform_test::EndedProcessId;
using platform_test::TFileSizeLimit;
using testing_support::TTestSystem;
namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& file) {
    std::ofstream(file, std::ios::binary) << "partial";
}

unsigned ModeOf(const fs::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    return info.st_mode & 07777;
}

} // namespace

TEST(SaveSafety, AnAttributeChangeOnAFullDiskKeepsEveryEarlierAttribute) {
    TTestSystem sys;
    ASSERT_TRUE(ForceDirectories("C:\\Data"));
    const std::vector<std::string> files = {"C:\\Data\\first.txt", "C:\\Data\\second.txt",
                                            "C:\\Data\\third.txt", "C:\\Data\\fourth.txt"};
    for (const std::string& file : files) {
        WriteFileAtomic(file, "x");
        ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_HIDDEN));
    }
    WriteFileAtomic("C:\\Data\\new.txt", "x");
    {
        TFileSizeLimit full(40);
        EXPECT_FALSE(SetFileAttributes("C:\\Data\\new.txt",
                                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
    }
    // Neither half of the failed change took effect, in memory or on disk.
    EXPECT_EQ(GetFileAttributes("C:\\Data\\new.txt"), FILE_ATTRIBUTE_ARCHIVE);
    InstallSystem(sys.Root());
    for (const std::string& file : files)
        EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_HIDDEN) << file;
    EXPECT_EQ(GetFileAttributes("C:\\Data\\new.txt"), FILE_ATTRIBUTE_ARCHIVE);
}

TEST(SaveSafety, TemporariesOfEndedProcessesGoAtTheNextSave) {
    TTestSystem sys("", "", "[HKEY_CURRENT_USER\\Software]\n");
    ASSERT_TRUE(ForceDirectories("C:\\Data"));
    const fs::path data = sys.Host("C:\\Data");
    const fs::path registry = sys.Root() / "registry";
    const std::string ended = std::to_string(EndedProcessId());
    const std::string running = std::to_string(::getppid());
    const fs::path staleFile = data / (".~qtmp." + ended + ".1.prefs.js");
    const fs::path staleHive = registry / (".~qtmp." + ended + ".7.HKEY_CURRENT_USER.reg");
    const fs::path busy = data / (".~qtmp." + running + ".3.prefs.js");
    for (const fs::path& file : {staleFile, staleHive, busy})
        Touch(file);

    WriteFileAtomic("C:\\Data\\prefs.js", "user_pref(\"a\", 1);\n");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quenlix", true));
    reg.WriteInteger("Count", 1);
    reg.CloseKey();

    EXPECT_FALSE(fs::exists(staleFile));
    EXPECT_FALSE(fs::exists(staleHive));
    EXPECT_TRUE(fs::exists(busy)); // its writer may still be at work
    // The saves themselves leave nothing behind.
    for (const auto& entry : fs::directory_iterator(registry))
        EXPECT_EQ(entry.path().filename().string().rfind(".~qtmp.", 0), std::string::npos);
}

TEST(SaveSafety, SavingAHiveKeepsTheModeOfItsFile) {
    TTestSystem sys("", "", "[HKEY_CURRENT_USER\\Software]\n");
    const fs::path hive = sys.Root() / "registry" / "HKEY_CURRENT_USER.reg";
    for (const unsigned mode : {0444u, 0600u}) {
        fs::permissions(hive, static_cast<fs::perms>(mode));
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software", false));
        reg.WriteInteger("Mode", static_cast<int>(mode));
        reg.CloseKey();
        EXPECT_EQ(ModeOf(hive), mode);
    }
}

TEST(SaveSafety, AHiveSaveThatFailedInADestructorIsRaisedByTheNextClose) {
    TTestSystem sys("", "", "[HKEY_CURRENT_USER\\Software\\Quenlix]\n\"Name\"=\"Old\"\n");
    const fs::path hive = sys.Root() / "registry" / "HKEY_CURRENT_USER.reg";
    {
        TRegistry writer;
        ASSERT_TRUE(writer.OpenKey("\\Software\\Quenlix", false));
        writer.WriteString("Name", "New");
        reg::SetSaveFaultForTesting(reg::TSaveFault::Write);
    } // the destructor's save fails and cannot raise
    TRegistry closer;
    ASSERT_TRUE(closer.OpenKeyReadOnly("\\Software\\Quenlix"));
    EXPECT_THROW(closer.CloseKey(), ESystemError);
    reg::SetSaveFaultForTesting(reg::TSaveFault::None);

    ASSERT_TRUE(closer.OpenKeyReadOnly("\\Software\\Quenlix"));
    closer.CloseKey(); // saves the waiting change, and from now on closes quietly again
    closer.CloseKey();
    InstallSystem(sys.Root());
    TRegistry reader;
    ASSERT_TRUE(reader.OpenKeyReadOnly("\\Software\\Quenlix"));
    EXPECT_EQ(reader.ReadString("Name"), "New");
}
