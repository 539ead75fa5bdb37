// Symbolic links on the simulated drive: one that leads off the drive must not let any file
// operation reach the host beyond it; one that stays on the drive works like a folder.

#include "platform/Files.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace platform;
using testing_support::TTestSystem;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::vector<TFindEntry>& entries) {
    std::vector<std::string> names;
    for (const TFindEntry& e : entries)
        names.push_back(e.Name);
    return names;
}

// A system whose drive holds links out of it (to the root, which holds system.ini and an
// "outside" folder) and one link that stays on the drive.
class TLinkedDrive : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path drive = Sys.Root() / "drive_c";
        Outside = Sys.Root() / "outside";
        fs::create_directories(Outside / "empty");
        std::ofstream(Outside / "secret.txt") << "secret";
        fs::create_directories(drive / "Data");
        std::ofstream(drive / "Data" / "own.txt") << "own";
        fs::create_directory_symlink("..", drive / "Up");     // relative, to the root
        fs::create_directory_symlink(Outside, drive / "Far"); // absolute
        fs::create_symlink("../outside/secret.txt", drive / "Secret.txt");
        fs::create_symlink(Outside / "missing", drive / "Dangling"); // leads nowhere yet
        fs::create_directory_symlink("Data", drive / "Near");        // stays on the drive
        fs::create_directory_symlink("Near/../Up", drive / "Twisted");
    }

    TTestSystem Sys{"[User]\nName=Anna\n"};
    fs::path Outside;
};

} // namespace

TEST_F(TLinkedDrive, ReadsAndQueriesStayOnTheDrive) {
    const std::vector<std::string> offDrive = {"C:\\Up\\system.ini",
                                               "C:\\Far\\secret.txt",
                                               "C:\\Secret.txt",
                                               "C:\\Up\\outside",
                                               "C:\\Twisted\\outside\\secret.txt",
                                               "C:\\Far",
                                               "C:\\Dangling",
                                               "C:\\Near\\..\\Up\\system.ini"};
    for (const std::string& path : offDrive) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(HostPath(path).empty());
        EXPECT_FALSE(ReadFileBytes(path));
        EXPECT_FALSE(FileExists(path));
        EXPECT_FALSE(DirectoryExists(path));
        EXPECT_FALSE(FileEntry(path));
        EXPECT_EQ(GetFileAttributes(path), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(SetCurrentDirectory(path));
    }
    EXPECT_TRUE(FindFiles("C:\\Up\\*").empty());
    EXPECT_TRUE(FindFiles("C:\\Far\\*.txt").empty());
    // The links that lead off the drive are not listed either.
    EXPECT_EQ(Names(FindFiles("C:\\*")), (std::vector<std::string>{"Data", "Documents and Settings",
                                                                   "Near", "Program Files"}));
}

TEST_F(TLinkedDrive, ChangesStayOnTheDrive) {
    EXPECT_FALSE(ForceDirectories("C:\\Far\\made"));
    EXPECT_FALSE(fs::exists(Outside / "made"));
    EXPECT_THROW(WriteFileAtomic("C:\\Far\\new.txt", "x"), EFileError);
    EXPECT_THROW(WriteFileAtomic("C:\\Dangling", "x"), EFileError);
    EXPECT_FALSE(fs::exists(Outside / "new.txt"));
    EXPECT_FALSE(fs::exists(Outside / "missing"));
    EXPECT_FALSE(DeleteFile("C:\\Far\\secret.txt"));
    EXPECT_FALSE(RemoveDirectory("C:\\Far\\empty"));
    EXPECT_TRUE(fs::exists(Outside / "empty"));
    const fs::perms before = fs::status(Outside / "secret.txt").permissions();
    EXPECT_FALSE(SetFileAttributes("C:\\Secret.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(SetFileAttributes("C:\\Far\\secret.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(fs::status(Outside / "secret.txt").permissions(), before);
    std::ifstream in(Outside / "secret.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "secret");
}

TEST_F(TLinkedDrive, LinksThatStayOnTheDriveWork) {
    EXPECT_EQ(ReadFileBytes("C:\\near\\OWN.txt"), "own");
    WriteFileAtomic("C:\\Near\\new.txt", "new");
    EXPECT_EQ(ReadFileBytes("C:\\Data\\new.txt"), "new");
    EXPECT_EQ(Names(FindFiles("C:\\Near\\*.txt")),
              (std::vector<std::string>{"new.txt", "own.txt"}));
    EXPECT_TRUE(DeleteFile("C:\\Near\\new.txt"));
    EXPECT_FALSE(FileExists("C:\\Data\\new.txt"));
}
