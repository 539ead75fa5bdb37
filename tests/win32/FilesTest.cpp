// Files through the wide-character API: atomic replace, lookups, listings and path spelling.

#include "WinTestSupport.h"

#include "platform/Files.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;
using win32_test::TTestFolder;

std::vector<std::string> Names(const std::vector<TFindEntry>& entries) {
    std::vector<std::string> names;
    for (const TFindEntry& entry : entries) {
        names.push_back(entry.Name);
    }
    return names;
}

std::string WriteErrorOf(const std::string& path, const std::string& bytes) {
    try {
        WriteFileAtomic(path, bytes);
    } catch (const EFileError& error) {
        return error.what();
    }
    return "nothing raised";
}

class FilesTest : public ::testing::Test {
protected:
    TTestFolder Folder;
};

TEST_F(FilesTest, AtomicWriteReplacesTheFileAndLeavesNoTemporaryFile) {
    const std::string file = Folder / "prefs.js";
    WriteFileAtomic(file, "first");
    WriteFileAtomic(file, std::string("second\0with NUL\r\n", 17));
    EXPECT_EQ(ReadFileBytes(file), std::string("second\0with NUL\r\n", 17));

    std::vector<std::string> onDisk;
    for (const auto& entry : std::filesystem::directory_iterator(win32::Wide(Folder.Path()))) {
        onDisk.push_back(win32::Utf8(entry.path().filename().wstring()));
    }
    EXPECT_EQ(onDisk, std::vector<std::string>{"prefs.js"});
}

// Wine keeps files on a Linux file system, whose creation time cannot be set.
bool CreationTimeCanBeSet(const TTestFolder& folder) {
    const std::string probe = folder / "probe";
    WriteFileAtomic(probe, "");
    const win32::THandle file = win32::OwnHandle(CreateFileW(
        win32::Wide(probe).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME old{};
    old.dwHighDateTime = 0x01c00000; // 1997
    const bool set = file && SetFileTime(file.get(), &old, nullptr, nullptr);
    const auto entry = FileEntry(probe);
    DeleteFile(probe);
    return set && entry && entry->CreationTime == (TFileTime(0x01c00000) << 32);
}

TEST_F(FilesTest, AReplacedFileKeepsItsHiddenBitAndCreationTime) {
    const std::string file = Folder / "signons.txt";
    WriteFileAtomic(file, "old");
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_HIDDEN));
    const auto before = FileEntry(file);
    ASSERT_TRUE(before);
    Sleep(20);
    WriteFileAtomic(file, "new");
    const auto after = FileEntry(file);
    ASSERT_TRUE(after);
    EXPECT_NE(after->Attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(after->Size, 3u);
    if (CreationTimeCanBeSet(Folder)) {
        EXPECT_EQ(after->CreationTime, before->CreationTime);
    }
}

TEST_F(FilesTest, AWriteThatCannotBeDoneRaisesAndChangesNothing) {
    const std::string readOnly = Folder / "locked.txt";
    WriteFileAtomic(readOnly, "kept");
    ASSERT_TRUE(SetFileAttributes(readOnly, FILE_ATTRIBUTE_READONLY));

    const std::string message = WriteErrorOf(readOnly, "lost");
    EXPECT_NE(message.find(readOnly), std::string::npos) << message;
    EXPECT_NE(message.find("read-only"), std::string::npos) << message;
    EXPECT_EQ(ReadFileBytes(readOnly), "kept");
    EXPECT_NE(WriteErrorOf(Folder / "missing\\x.txt", "x").find("the folder does not exist"),
              std::string::npos);
    EXPECT_NE(WriteErrorOf(Folder.Path(), "x").find("not a file"), std::string::npos);
    EXPECT_FALSE(DeleteFile(readOnly)); // Windows refuses it too
}

TEST_F(FilesTest, AFileHeldOpenWithoutSharingIsNotReplaced) {
    const std::string file = Folder / "held.txt";
    WriteFileAtomic(file, "old");
    {
        const win32::THandle holder =
            win32::OwnHandle(CreateFileW(win32::Wide(file).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        const std::string message = WriteErrorOf(file, "new");
        EXPECT_NE(message.find(file), std::string::npos) << message;
    }
    EXPECT_EQ(ReadFileBytes(file), "old");
    EXPECT_EQ(Names(FindFiles(Folder / "*")), (std::vector<std::string>{".", "..", "held.txt"}));
    // Our own reads share everything, so a reader never stands in a writer's way.
    WriteFileAtomic(file, "new");
    EXPECT_EQ(ReadFileBytes(file), "new");
}

TEST_F(FilesTest, UnicodeNamesAndListings) {
    ASSERT_TRUE(ForceDirectories(Folder / "Unter\\Ordner \u2603"));
    for (const char* name :
         {"b.ini", "A.ini", "Gr\u00fc\u00dfe \u2603.ini", "notes.ini_old", "README"}) {
        WriteFileAtomic(Folder / name, name);
    }
    EXPECT_EQ(ReadFileBytes(Folder / "Gr\u00fc\u00dfe \u2603.ini"), "Gr\u00fc\u00dfe \u2603.ini");
    // Sorted without case; matched on the long name only (a short name would let "*.ini" find
    // notes.ini_old).
    EXPECT_EQ(Names(FindFiles(Folder / "*.ini")),
              (std::vector<std::string>{"A.ini", "b.ini", "Gr\u00fc\u00dfe \u2603.ini"}));
    EXPECT_EQ(Names(FindFiles(Folder / "*.")),
              (std::vector<std::string>{".", "..", "README", "Unter"}));
    EXPECT_EQ(Names(FindFiles(Folder / "unter\\*")),
              (std::vector<std::string>{".", "..", "Ordner \u2603"}));
    EXPECT_TRUE(FindFiles(Folder / "nothing\\*").empty());

    const auto entry = FileEntry(Folder / "readme");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Name, "README");
    EXPECT_EQ(entry->Size, 6u);
    EXPECT_EQ(entry->Attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(GetFileAttributes(Folder / "Unter") & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(GetFileAttributes(Folder / "none"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FileEntry(Folder / "*.ini"));
}

TEST_F(FilesTest, PathsAreNormalisedAndSpeltAsStored) {
    ASSERT_TRUE(ForceDirectories(Folder / "MixedCase\\Profiles"));
    WriteFileAtomic(Folder / "MixedCase\\Profiles\\Prefs.JS", "x");
    const std::string lower = Folder / "mixedcase\\profiles\\prefs.js";

    EXPECT_EQ(NormalizePath("c:/Windows/../Windows/./system32/"), "C:\\Windows\\system32");
    EXPECT_EQ(NormalizePath("C:\\..\\.."), "C:\\");
    EXPECT_EQ(WindowsPathOf(HostPath(lower)), Folder.Path() + "\\MixedCase\\Profiles\\Prefs.JS");
    // What does not exist yet is kept as written.
    EXPECT_EQ(WindowsPathOf(HostPath(Folder / "mixedcase\\New Folder\\a.txt")),
              Folder.Path() + "\\MixedCase\\New Folder\\a.txt");
    EXPECT_TRUE(FileExists(lower));
    EXPECT_FALSE(DirectoryExists(lower));
    EXPECT_TRUE(DirectoryExists(Folder / "MIXEDCASE"));
}

TEST_F(FilesTest, FoldersAreMadeAndRemovedAsWindowsAllows) {
    const std::string deep = Folder / "a\\b\\c\\d";
    ASSERT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(ForceDirectories(deep)); // already there
    WriteFileAtomic(deep + "\\f.txt", "x");
    EXPECT_FALSE(RemoveDirectory(deep)); // not empty
    EXPECT_TRUE(DeleteFile(deep + "\\f.txt"));
    EXPECT_FALSE(DeleteFile(deep + "\\f.txt"));
    EXPECT_TRUE(RemoveDirectory(deep));
    EXPECT_FALSE(DirectoryExists(deep));
    EXPECT_FALSE(ForceDirectories(""));
}

TEST_F(FilesTest, TheCurrentDirectoryIsTheProcesss) {
    const std::string before = GetCurrentDirectory();
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(SetCurrentDirectory(Folder.Path()));
    EXPECT_EQ(GetCurrentDirectory(), NormalizePath(Folder.Path()));
    WriteFileAtomic("relative.txt", "here");
    EXPECT_EQ(ReadFileBytes(Folder / "relative.txt"), "here");
    EXPECT_FALSE(SetCurrentDirectory(Folder / "missing"));
    ASSERT_TRUE(SetCurrentDirectory(before));
}

} // namespace
