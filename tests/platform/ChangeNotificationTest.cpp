// Directory change notification. Changes reach the notification while the call that makes them
// runs, so a wait of 0 ms after a change tells whether it was noticed, without sleeping.

#include "platform/ChangeNotification.h"
#include "platform/Files.h"
#include "platform/LastError.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace platform;
using testing_support::TTestSystem;

namespace {

const std::string Dir = "C:\\Watched";

bool Signalled(const THandle& handle) {
    return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

class ChangeNotification : public ::testing::Test {
protected:
    ChangeNotification() {
        System.WriteFile(Dir + "\\account.txt", "one");
        ForceDirectories(Dir + "\\Sub");
    }

    THandle Watch(bool subtree, std::uint32_t filter) {
        THandle handle = FindFirstChangeNotification(Dir, subtree, filter);
        EXPECT_TRUE(handle) << GetLastError();
        return handle;
    }

    TTestSystem System;
};

struct TChangeCase {
    const char* Name;
    std::uint32_t Filter;
    void (*Change)(const TTestSystem& system);
    bool Noticed;
};

void CreateFile(const TTestSystem& system) {
    system.WriteFile(Dir + "\\new.txt", "x");
}
void ModifyFile(const TTestSystem& system) {
    std::ofstream(system.Host(Dir + "\\account.txt"), std::ios::app) << "more";
}
void CreateFolder(const TTestSystem&) {
    ForceDirectories(Dir + "\\NewFolder");
}
void RenameFile(const TTestSystem& system) {
    std::filesystem::rename(system.Host(Dir + "\\account.txt"),
                            system.Host(Dir).append("renamed.txt"));
}
void ModifyInSubfolder(const TTestSystem& system) {
    system.WriteFile(Dir + "\\Sub\\deep.txt", "x");
}

class ChangeKinds : public ChangeNotification, public ::testing::WithParamInterface<TChangeCase> {};

TEST_P(ChangeKinds, OnlyChangesTheFilterNamesSignal) {
    const TChangeCase& c = GetParam();
    THandle handle = Watch(false, c.Filter);
    EXPECT_FALSE(Signalled(handle));
    c.Change(System);
    EXPECT_EQ(Signalled(handle), c.Noticed);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, ChangeKinds,
    ::testing::Values(
        TChangeCase{"FileCreatedFileName", FILE_NOTIFY_CHANGE_FILE_NAME, CreateFile, true},
        TChangeCase{"FileRenamedFileName", FILE_NOTIFY_CHANGE_FILE_NAME, RenameFile, true},
        TChangeCase{"FileWrittenFileName", FILE_NOTIFY_CHANGE_FILE_NAME, ModifyFile, false},
        TChangeCase{"FileWrittenLastWrite", FILE_NOTIFY_CHANGE_LAST_WRITE, ModifyFile, true},
        TChangeCase{"FolderMadeFileName", FILE_NOTIFY_CHANGE_FILE_NAME, CreateFolder, false},
        TChangeCase{"FolderMadeDirName", FILE_NOTIFY_CHANGE_DIR_NAME, CreateFolder, true},
        TChangeCase{"FileCreatedDirName", FILE_NOTIFY_CHANGE_DIR_NAME, CreateFile, false},
        TChangeCase{"AccountFileWatch", 0x11, ModifyFile, true},
        TChangeCase{"SubfolderWithoutSubtree", 0x13, ModifyInSubfolder, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ChangeNotification, StaysSignalledUntilRearmedAndKeepsLaterChanges) {
    THandle handle = Watch(false, FILE_NOTIFY_CHANGE_LAST_WRITE);
    ModifyFile(System);
    EXPECT_TRUE(Signalled(handle));
    EXPECT_TRUE(Signalled(handle));
    ASSERT_TRUE(FindNextChangeNotification(handle));
    EXPECT_FALSE(Signalled(handle));
    ModifyFile(System);
    ASSERT_TRUE(FindNextChangeNotification(handle)); // re-armed before anyone waited
    EXPECT_TRUE(Signalled(handle));                  // the change was kept
}

TEST_F(ChangeNotification, SubtreeWatchesFoldersMadeAfterItStarted) {
    THandle handle = Watch(true, FILE_NOTIFY_CHANGE_FILE_NAME);
    System.WriteFile(Dir + "\\Sub\\deep.txt", "x");
    EXPECT_TRUE(Signalled(handle));
    FindNextChangeNotification(handle);

    ForceDirectories(Dir + "\\Later\\Deeper");
    EXPECT_FALSE(Signalled(handle)); // folders are not file names
    System.WriteFile(Dir + "\\Later\\Deeper\\account.oeaccount", "x");
    EXPECT_TRUE(Signalled(handle));
}

TEST_F(ChangeNotification, AFolderArrivingWithFilesInItCounts) {
    THandle handle = Watch(true, FILE_NOTIFY_CHANGE_FILE_NAME);
    const std::filesystem::path outside = System.Root() / "outside";
    std::filesystem::create_directories(outside);
    std::ofstream(outside / "account.oeaccount") << "x";
    std::filesystem::rename(outside, System.Host(Dir).append("Moved"));
    EXPECT_TRUE(Signalled(handle));
}

TEST_F(ChangeNotification, DeletingTheWatchedFolderEndsTheWatch) {
    THandle handle = Watch(false, FILE_NOTIFY_CHANGE_FILE_NAME);
    std::filesystem::remove_all(System.Host(Dir));
    EXPECT_TRUE(Signalled(handle));
    EXPECT_FALSE(FindNextChangeNotification(handle));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(ChangeNotification, ClosingForgetsTheHandle) {
    THandle handle = Watch(false, FILE_NOTIFY_CHANGE_FILE_NAME);
    EXPECT_TRUE(FindCloseChangeNotification(handle));
    EXPECT_FALSE(handle);
    EXPECT_FALSE(FindCloseChangeNotification(handle));
    THandle event = CreateEvent(true, false);
    EXPECT_FALSE(FindNextChangeNotification(event));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

struct TFailureCase {
    const char* Name;
    std::string Path;
    std::uint32_t Filter;
    std::uint32_t Error;
};

class ChangeNotificationFailures : public ChangeNotification,
                                   public ::testing::WithParamInterface<TFailureCase> {};

TEST_P(ChangeNotificationFailures, GiveNoHandleAndSayWhy) {
    const TFailureCase& c = GetParam();
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(FindFirstChangeNotification(c.Path, false, c.Filter));
    EXPECT_EQ(GetLastError(), c.Error);
    EXPECT_FALSE(SysErrorMessage(GetLastError()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ChangeNotificationFailures,
    ::testing::Values(TFailureCase{"MissingFolder", Dir + "\\Missing", 0x1, ERROR_FILE_NOT_FOUND},
                      TFailureCase{"MissingParent", Dir + "\\Missing\\Deeper", 0x1,
                                   ERROR_PATH_NOT_FOUND},
                      TFailureCase{"AFile", Dir + "\\account.txt", 0x1, ERROR_DIRECTORY},
                      TFailureCase{"NoFilter", Dir, 0, ERROR_INVALID_PARAMETER},
                      TFailureCase{"UnknownFilter", Dir, 0x200, ERROR_INVALID_PARAMETER}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
