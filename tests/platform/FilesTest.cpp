#include "platform/Files.h"
#include "platform/System.h"
#include "platform/SystemState.h"
#include "support/TestSystem.h"

#include "ThrowsWith.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <unistd.h>

using platform_test::ThrowsWith;
using namespace platform;
using testing_support::TTestSystem;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> HostNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Names(const std::vector<TFindEntry>& entries) {
    std::vector<std::string> names;
    for (const TFindEntry& e : entries)
        names.push_back(e.Name);
    return names;
}

} // namespace

TEST(Files, LookupIgnoresCaseAndCreationKeepsIt) {
    TTestSystem sys;
    ASSERT_TRUE(ForceDirectories("C:\\Mail Data\\Sub"));
    WriteFileAtomic("C:\\Mail Data\\Sub\\Notes.TXT", "one");

    EXPECT_TRUE(FileExists("c:\\MAIL DATA\\sub\\notes.txt"));
    EXPECT_TRUE(DirectoryExists("C:/mail data/SUB/"));
    EXPECT_FALSE(FileExists("C:\\Mail Data\\Sub"));
    EXPECT_EQ(ReadFileBytes("C:\\mail data\\SUB\\NOTES.txt"), "one");

    // Writing under another spelling replaces the same file instead of creating a second one.
    WriteFileAtomic("C:\\MAIL DATA\\SUB\\NOTES.TXT", "two");
    EXPECT_EQ(HostNames(sys.Root() / "drive_c" / "Mail Data" / "Sub"),
              std::vector<std::string>{"Notes.TXT"});
    EXPECT_EQ(ReadFileBytes("C:\\Mail Data\\Sub\\Notes.TXT"), "two");
    EXPECT_EQ(HostPath("c:\\mail data\\sub\\notes.txt"),
              sys.Root() / "drive_c" / "Mail Data" / "Sub" / "Notes.TXT");
    // Windows ignores trailing dots and blanks of a name.
    EXPECT_TRUE(FileExists("C:\\Mail Data\\Sub\\Notes.TXT. "));
}

TEST(Files, PathsNeverLeaveTheDrive) {
    TTestSystem sys;
    EXPECT_EQ(NormalizePath("C:\\..\\..\\Windows\\.\\system32\\..\\x.dll"), "C:\\Windows\\x.dll");
    EXPECT_EQ(NormalizePath("c:/a//b/"), "C:\\a\\b");
    EXPECT_EQ(NormalizePath("C:\\..\\.."), "C:\\");

    WriteFileAtomic("C:\\..\\..\\..\\escape.txt", "x");
    EXPECT_TRUE(fs::exists(sys.Root() / "drive_c" / "escape.txt"));
    EXPECT_FALSE(fs::exists(sys.Root() / "escape.txt"));
    EXPECT_FALSE(fs::exists(sys.Root().parent_path() / "escape.txt"));

    // Only drive C: exists; network paths and other drives are not found and cannot be written.
    fs::create_directories(sys.Root() / "drive_c" / "Data");
    EXPECT_FALSE(DirectoryExists("D:\\Data"));
    EXPECT_FALSE(DirectoryExists("\\\\server\\Data"));
    EXPECT_THROW(WriteFileAtomic("D:\\Data\\x.txt", "x"), EFileError);
    EXPECT_FALSE(ForceDirectories("E:\\New"));
    EXPECT_TRUE(HostPath("D:\\Data").empty());
    // Names Windows refuses never reach the host.
    EXPECT_THROW(WriteFileAtomic("C:\\Data\\a|b.txt", "x"), EFileError);
    EXPECT_THROW(WriteFileAtomic("C:\\Data\\a*.txt", "x"), EFileError);
}

TEST(Files, HostAndWindowsPathsRoundTrip) {
    TTestSystem sys;
    ASSERT_TRUE(ForceDirectories("C:\\Program Files\\Client"));
    const fs::path host = HostPath("c:\\program files\\client");
    EXPECT_EQ(WindowsPathOf(host), "C:\\Program Files\\Client");
    EXPECT_EQ(WindowsPathOf(sys.Root() / "drive_c"), "C:\\");
    EXPECT_EQ(WindowsPathOf(sys.Root() / "system.ini"), "");
    EXPECT_EQ(WindowsPathOf("/etc/passwd"), "");
}

TEST(Files, FailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    TTestSystem sys;
    ForceDirectories("C:\\Data");
    WriteFileAtomic("C:\\Data\\prefs.js", "old contents");
    const fs::path dir = sys.Root() / "drive_c" / "Data";

    detail::FailNextAtomicWriteForTesting();
    ASSERT_TRUE(ThrowsWith<EFileError>(
        [] { WriteFileAtomic("C:\\Data\\prefs.js", std::string(100000, 'n')); },
        "C:\\Data\\prefs.js"));
    EXPECT_EQ(ReadFileBytes("C:\\Data\\prefs.js"), "old contents");
    EXPECT_EQ(HostNames(dir), std::vector<std::string>{"prefs.js"});

    // The next write succeeds again.
    WriteFileAtomic("C:\\Data\\prefs.js", "new");
    EXPECT_EQ(ReadFileBytes("C:\\Data\\prefs.js"), "new");
    EXPECT_EQ(HostNames(dir), std::vector<std::string>{"prefs.js"});
}

TEST(Files, ReadOnlyFilesAreNeitherWrittenNorDeleted) {
    TTestSystem sys;
    ForceDirectories("C:\\Data");
    WriteFileAtomic("C:\\Data\\a.txt", "keep");
    ASSERT_TRUE(SetFileAttributes("C:\\Data\\a.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributes("C:\\Data\\a.txt"), FILE_ATTRIBUTE_READONLY);

    EXPECT_THROW(WriteFileAtomic("C:\\Data\\a.txt", "lost"), EFileError);
    EXPECT_FALSE(DeleteFile("C:\\Data\\a.txt"));
    EXPECT_EQ(ReadFileBytes("C:\\Data\\a.txt"), "keep");

    ASSERT_TRUE(SetFileAttributes("C:\\Data\\a.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributes("C:\\Data\\a.txt"), FILE_ATTRIBUTE_NORMAL);
    WriteFileAtomic("C:\\Data\\a.txt", "changed");
    EXPECT_EQ(ReadFileBytes("C:\\Data\\a.txt"), "changed");
    EXPECT_TRUE(DeleteFile("C:\\Data\\a.txt"));
    EXPECT_FALSE(FileExists("C:\\Data\\a.txt"));
    EXPECT_EQ(GetFileAttributes("C:\\Data\\a.txt"), INVALID_FILE_ATTRIBUTES);
}

TEST(Files, WritesIntoMissingFoldersOrOverFoldersFail) {
    TTestSystem sys;
    EXPECT_THROW(WriteFileAtomic("C:\\Missing\\a.txt", "x"), EFileError);
    EXPECT_FALSE(DirectoryExists("C:\\Missing"));
    ForceDirectories("C:\\Folder");
    EXPECT_THROW(WriteFileAtomic("C:\\Folder", "x"), EFileError);
    EXPECT_THROW(WriteFileAtomic("C:\\", "x"), EFileError);
    EXPECT_TRUE(DirectoryExists("C:\\Folder"));
}

TEST(Files, HiddenAndSystemBitsSurviveReinstallAndFollowTheName) {
    TTestSystem sys;
    ForceDirectories("C:\\Data");
    WriteFileAtomic("C:\\Data\\h.dat", "x");
    EXPECT_EQ(GetFileAttributes("C:\\Data\\h.dat"), FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(
        SetFileAttributes("c:\\data\\H.DAT", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    UninstallSystem();
    InstallSystem(sys.Root());
    EXPECT_EQ(GetFileAttributes("C:\\Data\\h.dat"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    // A file deleted and created again under the name starts plain.
    EXPECT_TRUE(DeleteFile("C:\\Data\\h.dat"));
    WriteFileAtomic("C:\\Data\\h.dat", "y");
    EXPECT_EQ(GetFileAttributes("C:\\Data\\h.dat"), FILE_ATTRIBUTE_ARCHIVE);

    ASSERT_TRUE(SetFileAttributes("C:\\Data", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetFileAttributes("C:\\Data"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(SetFileAttributes("C:\\Nothing", FILE_ATTRIBUTE_HIDDEN));
}

TEST(Files, FindFilesMatchesWindowsWildcards) {
    TTestSystem sys;
    ForceDirectories("C:\\Mail\\Sub");
    for (const char* name :
         {"a.oeaccount", "B.OEACCOUNT", "c.oeaccount.bak", "readme", "x1.txt", "x22.txt"})
        WriteFileAtomic(std::string("C:\\Mail\\") + name, "x");

    EXPECT_EQ(Names(FindFiles("c:\\MAIL\\*.oeaccount")),
              (std::vector<std::string>{"a.oeaccount", "B.OEACCOUNT"}));
    EXPECT_EQ(Names(FindFiles("C:\\Mail\\x?.txt")), std::vector<std::string>{"x1.txt"});
    EXPECT_EQ(Names(FindFiles("C:\\Mail\\*.")),
              (std::vector<std::string>{".", "..", "readme", "Sub"}));
    EXPECT_EQ(Names(FindFiles("C:\\Mail\\*")),
              (std::vector<std::string>{".", "..", "a.oeaccount", "B.OEACCOUNT", "c.oeaccount.bak",
                                        "readme", "Sub", "x1.txt", "x22.txt"}));
    EXPECT_EQ(FindFiles("C:\\Mail\\*.*").size(), 9u);
    EXPECT_EQ(Names(FindFiles("C:\\mail\\README")), std::vector<std::string>{"readme"});
    EXPECT_TRUE(FindFiles("C:\\Nowhere\\*").empty());
    EXPECT_TRUE(FindFiles("C:\\Mail\\*.none").empty());

    const auto root = Names(FindFiles("C:\\*"));
    EXPECT_EQ(std::count(root.begin(), root.end(), ".."), 0);
    EXPECT_NE(std::find(root.begin(), root.end(), "Mail"), root.end());

    const auto sub = FindFiles("C:\\Mail\\s*");
    ASSERT_EQ(sub.size(), 1u);
    EXPECT_EQ(sub[0].Attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Files, EntriesCarrySizeAndFileTimes) {
    TTestSystem sys;
    ForceDirectories("C:\\Data");
    WriteFileAtomic("C:\\Data\\f.bin", std::string(1234, 'z'));
    const auto entry = FileEntry("c:\\data\\F.BIN");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Name, "f.bin");
    EXPECT_EQ(entry->Size, 1234u);
    const auto now = static_cast<TFileTime>(std::time(nullptr) + 11644473600LL) * 10000000ULL;
    const TFileTime minute = 60ULL * 10000000ULL;
    EXPECT_NEAR(static_cast<double>(entry->LastWriteTime), static_cast<double>(now), minute);
    EXPECT_NEAR(static_cast<double>(entry->CreationTime), static_cast<double>(now), minute);
    EXPECT_NEAR(static_cast<double>(entry->LastAccessTime), static_cast<double>(now), minute);
    EXPECT_FALSE(FileEntry("C:\\Data\\none.bin"));
    EXPECT_TRUE(FileEntry("C:\\"));
}

TEST(Files, RemoveDirectoryOnlyRemovesEmptyFolders) {
    TTestSystem sys;
    ForceDirectories("C:\\A\\B");
    EXPECT_FALSE(RemoveDirectory("C:\\A"));
    EXPECT_TRUE(RemoveDirectory("c:\\a\\b"));
    EXPECT_TRUE(RemoveDirectory("C:\\A"));
    EXPECT_FALSE(DirectoryExists("C:\\A"));
    EXPECT_FALSE(RemoveDirectory("C:\\"));
    EXPECT_TRUE(DirectoryExists("C:\\"));
}

TEST(Files, PathPartsFollowTheLastBackslash) {
    EXPECT_EQ(ExtractFilePath("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_EQ(ExtractFilePath("C:b.txt"), "C:");
    EXPECT_EQ(ExtractFilePath("b.txt"), "");
    EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileName("C:\\a\\"), "");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\c.txt", ".bak"), "C:\\a.b\\c.bak");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\c", ".bak"), "C:\\a.b\\c.bak");
    EXPECT_EQ(ChangeFileExt("C:\\a\\c.tar.gz", ""), "C:\\a\\c.tar");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
}

TEST(Files, CurrentDirectoryResolvesRelativePathsWithoutTouchingTheHost) {
    TTestSystem sys;
    const fs::path hostCwd = fs::current_path();
    ForceDirectories("C:\\Work\\Deep");
    WriteFileAtomic("C:\\Work\\w.txt", "w");
    EXPECT_EQ(GetCurrentDirectory(), "C:\\");
    // As on Windows, the current directory keeps the spelling it was set with.
    EXPECT_TRUE(SetCurrentDirectory("c:\\work"));
    EXPECT_EQ(GetCurrentDirectory(), "C:\\work");
    EXPECT_TRUE(FileExists("w.txt"));
    EXPECT_TRUE(FileExists("C:w.txt"));
    EXPECT_TRUE(FileExists("Deep\\..\\w.txt"));
    EXPECT_TRUE(FileExists("\\Work\\w.txt"));
    EXPECT_EQ(NormalizePath("..\\..\\x"), "C:\\x");
    EXPECT_FALSE(SetCurrentDirectory("C:\\Missing"));
    EXPECT_FALSE(SetCurrentDirectory("C:\\Work\\w.txt"));
    EXPECT_EQ(GetCurrentDirectory(), "C:\\work");
    EXPECT_EQ(fs::current_path(), hostCwd);
}

// Files are read in blocks: every byte value, and sizes around a block's edge, come back as
// they were written.
TEST(Files, ReadGivesBackEveryByteWhateverTheSize) {
    TTestSystem sys;
    ForceDirectories("C:\\Data");
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65535},
                                   std::size_t{65536}, std::size_t{65537}, std::size_t{200000}}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>((i * 7 + i / 256) % 256);
        }
        WriteFileAtomic("C:\\Data\\blob.bin", bytes);
        const std::optional<std::string> read = ReadFileBytes("C:\\Data\\blob.bin");
        ASSERT_TRUE(read.has_value()) << size;
        EXPECT_EQ(read->size(), size);
        EXPECT_TRUE(*read == bytes) << "bytes differ at size " << size;
    }
}
