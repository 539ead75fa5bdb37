#include "accounts/SystemHelpers.h"
#include "platform/Files.h"
#include "platform/VersionInfo.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::TTestProcess;
using testing_support::TTestSystem;
namespace fs = std::filesystem;

TEST(SystemHelpers, ProcessNamesMatchIgnoringCaseFromAnyFolder) {
    TTestSystem sys;
    EXPECT_FALSE(IsProcessRunning("THUNDERBIRD.EXE"));
    {
        TTestProcess tb =
            sys.StartProcess("C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe");
        EXPECT_TRUE(IsProcessRunning("THUNDERBIRD.EXE"));
        EXPECT_TRUE(IsProcessRunning("C:\\PROGRAM FILES\\Mozilla Thunderbird\\Thunderbird.exe"));
        EXPECT_FALSE(IsProcessRunning("msimn.exe"));
    }
    EXPECT_FALSE(IsProcessRunning("thunderbird.exe"));
    TTestProcess portable = sys.StartProcess("C:\\Tools\\Portable Mail\\thunderbird.exe");
    EXPECT_TRUE(IsProcessRunning("THUNDERBIRD.EXE"));
}

TEST(SystemHelpers, AutomationObjectsAnswerFalseWhenAnythingIsMissing) {
    TTestSystem sys("", "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Outlook.Application\\CLSID]\n"
                        "@=\"{0006F03A-0000-0000-C000-000000000046}\"\n"
                        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\"
                        "{0006F03A-0000-0000-C000-000000000046}\\LocalServer32]\n"
                        "@=\"C:\\\\Office\\\\OUTLOOK.EXE /automation\"\n");
    EXPECT_FALSE(IsComObjectRunning("Outlook.Application"));
    EXPECT_FALSE(IsComObjectRunning("Not.Registered"));
    TTestProcess outlook = sys.StartProcess("C:\\Office\\OUTLOOK.EXE");
    EXPECT_TRUE(IsComObjectRunning("Outlook.Application"));
}

TEST(SystemHelpers, VersionsComeFromTheVersionResource) {
    TTestSystem sys;
    platform::TFixedFileVersion v = platform::MakeVersion(12, 0, 6423, 1000);
    v.ProductVersionMS = (11u << 16) | 5u;
    v.ProductVersionLS = (65535u << 16) | 7u;
    sys.WriteFile("C:\\Office\\OUTLOOK.EXE", platform::MakeVersionedPeImage(v));

    int major = -1, minor = -1, release = -1, build = -1;
    ASSERT_TRUE(GetFileVersion("c:\\office\\outlook.exe", major, minor, release, build));
    EXPECT_EQ((std::vector{major, minor, release, build}), (std::vector{12, 0, 6423, 1000}));
    ASSERT_TRUE(GetProductVersion("C:\\Office\\OUTLOOK.EXE", major, minor, release, build));
    EXPECT_EQ((std::vector{major, minor, release, build}), (std::vector{11, 5, 65535, 7}));
    EXPECT_EQ(FileVersionText("C:\\Office\\OUTLOOK.EXE"), "12.0.6423.1000");
    EXPECT_EQ(FileMajorVersion("C:\\Office\\OUTLOOK.EXE"), 12);
    EXPECT_EQ(ProductMajorVersion("C:\\Office\\OUTLOOK.EXE"), 11);
}

TEST(SystemHelpers, FilesWithoutVersionGiveEmptyAndZero) {
    TTestSystem sys;
    sys.WriteFile("C:\\Apps\\plain.exe", "MZ but nothing else");
    for (const char* path : {"C:\\Apps\\plain.exe", "C:\\Apps\\missing.exe", "C:\\Apps"}) {
        int major = 9, minor = 9, release = 9, build = 9;
        EXPECT_FALSE(GetFileVersion(path, major, minor, release, build)) << path;
        EXPECT_EQ((std::vector{major, minor, release, build}), (std::vector{0, 0, 0, 0}));
        EXPECT_EQ(FileVersionText(path), "") << path;
        EXPECT_EQ(FileMajorVersion(path), 0) << path;
        EXPECT_EQ(ProductMajorVersion(path), 0) << path;
    }
}

TEST(SystemHelpers, ExpandedPathsAreLimitedToTheBuffer) {
    TTestSystem sys("[Environment]\nLONG=" + std::string(250, 'x') + "\n");
    EXPECT_EQ(ExpandEnvironmentPath("%APPDATA%\\Thunderbird"),
              SpecialFolderPath(26) + "\\Thunderbird");
    EXPECT_EQ(ExpandEnvironmentPath("%long%1234567").size(), 257u); // fits with its NUL
    EXPECT_EQ(ExpandEnvironmentPath("%LONG%12345678"), "");         // would be cut off
    EXPECT_EQ(ExpandEnvironmentPath("%UNKNOWN%\\x"), "%UNKNOWN%\\x");
}

TEST(SystemHelpers, FileInfoDescribesTheFoundEntry) {
    TTestSystem sys;
    EXPECT_EQ(GetFileInfo(u"C:\\Data\\missing.txt"), TFileStateRecord());

    sys.WriteFile("C:\\Data\\J\u00fcrgen.txt", "hello");
    const TFileStateRecord small = GetFileInfo(u"c:\\data\\J\u00dcRGEN.TXT");
    EXPECT_TRUE(small.Exists);
    EXPECT_EQ(small.SizeLow, 5u);
    EXPECT_EQ(small.SizeHigh, 0u);
    EXPECT_EQ(small.Attributes, platform::FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_NE(small.LastWriteTime, 0u);
    EXPECT_NE(small.CreationTime, 0u);
    EXPECT_NE(small.LastAccessTime, 0u);

    // Sizes beyond 4 GiB are split into halves (the host file is sparse).
    sys.WriteFile("C:\\Data\\big.bin", "");
    fs::resize_file(sys.Host("C:\\Data\\big.bin"), (1ULL << 32) + 10);
    const TFileStateRecord big = GetFileInfo(u"C:\\Data\\big.bin");
    EXPECT_EQ(big.SizeHigh, 1u);
    EXPECT_EQ(big.SizeLow, 10u);

    // A directory search with a trailing backslash finds nothing; a folder itself is found.
    EXPECT_FALSE(GetFileInfo(u"C:\\Data\\").Exists);
    EXPECT_EQ(GetFileInfo(u"C:\\Data").Attributes & platform::FILE_ATTRIBUTE_DIRECTORY,
              platform::FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SystemHelpers, FileInfoChangedLooksOnlyAtWatchedPropertiesButAlwaysAtExistence) {
    TTestSystem sys;
    const std::u16string path = u"C:\\Data\\account.oeaccount";
    sys.WriteFile("C:\\Data\\account.oeaccount", "12345");
    TFileStateRecord stored = GetFileInfo(path);
    const auto written = fs::last_write_time(sys.Host("C:\\Data\\account.oeaccount"));

    // Only the size changes: invisible to 0x11 (file name, last write), seen with 0x8.
    fs::resize_file(sys.Host("C:\\Data\\account.oeaccount"), 2);
    fs::last_write_time(sys.Host("C:\\Data\\account.oeaccount"), written);
    EXPECT_FALSE(FileInfoChanged(path, 0x11, stored));
    EXPECT_EQ(stored.SizeLow, 5u); // left as it was
    EXPECT_TRUE(FileInfoChanged(path, 0x8, stored));
    EXPECT_EQ(stored.SizeLow, 2u); // replaced by the fresh state
    EXPECT_FALSE(FileInfoChanged(path, 0x8, stored));

    // A new last-write time is seen with 0x11.
    fs::last_write_time(sys.Host("C:\\Data\\account.oeaccount"), written + std::chrono::hours(1));
    EXPECT_TRUE(FileInfoChanged(path, 0x11, stored));
    EXPECT_FALSE(FileInfoChanged(path, 0x11, stored));

    // Disappearing and appearing are changes whatever the flags.
    ASSERT_TRUE(platform::DeleteFile("C:\\Data\\account.oeaccount"));
    EXPECT_TRUE(FileInfoChanged(path, 0, stored));
    EXPECT_EQ(stored, TFileStateRecord());
    EXPECT_FALSE(FileInfoChanged(path, 0x11, stored));
    sys.WriteFile("C:\\Data\\account.oeaccount", "x");
    EXPECT_TRUE(FileInfoChanged(path, 0, stored));
    EXPECT_TRUE(stored.Exists);
}

TEST(SystemHelpers, ChangeKindsAddUpToNotificationFlags) {
    EXPECT_EQ(ChangeKindsToFlags({}), 0u);
    EXPECT_EQ(ChangeKindsToFlags({TFileChangeKind::FileName, TFileChangeKind::DirName,
                                  TFileChangeKind::LastWrite}),
              0x13u);
    EXPECT_EQ(ChangeKindsToFlags({TFileChangeKind::FileName, TFileChangeKind::DirName,
                                  TFileChangeKind::Attributes, TFileChangeKind::Size,
                                  TFileChangeKind::LastWrite, TFileChangeKind::LastAccess,
                                  TFileChangeKind::Creation, TFileChangeKind::Security}),
              0x17Fu);
}
