// Events, waits and change notification on the system's kernel objects: directory changes
// (FindFirstChangeNotificationW) and registry changes (RegNotifyChangeKeyValue).

#include "WinTestSupport.h"

#include "platform/ChangeNotification.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/RegistryNotify.h"
#include "platform/Synchronization.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

using win32_test::TTestFolder;
using win32_test::TTestKey;

// Long enough for the system to deliver a notification; the tests never wait this long when it
// does.
constexpr std::uint32_t Patience = 10000;
// How long "nothing happens" is watched for.
constexpr std::uint32_t Quiet = 200;

TEST(EventTest, ManualAndAutoResetEventsAndWaitsOnSeveral) {
    platform::THandle manual = platform::CreateEvent(true, false);
    platform::THandle automatic = platform::CreateEvent(false, true);
    ASSERT_TRUE(manual && automatic);
    EXPECT_EQ(platform::WaitForSingleObject(manual, Quiet), platform::WAIT_TIMEOUT);
    ASSERT_TRUE(platform::SetEvent(manual));
    EXPECT_EQ(platform::WaitForSingleObject(manual, 0), platform::WAIT_OBJECT_0);
    EXPECT_EQ(platform::WaitForSingleObject(manual, 0), platform::WAIT_OBJECT_0); // stays set
    // An auto-reset event lets one waiter through.
    EXPECT_EQ(platform::WaitForSingleObject(automatic, 0), platform::WAIT_OBJECT_0);
    EXPECT_EQ(platform::WaitForSingleObject(automatic, 0), platform::WAIT_TIMEOUT);

    const platform::THandle both[] = {automatic, manual};
    EXPECT_EQ(platform::WaitForMultipleObjects(both, 0), platform::WAIT_OBJECT_0 + 1);
    ASSERT_TRUE(platform::ResetEvent(manual));
    EXPECT_EQ(platform::WaitForMultipleObjects(both, Quiet), platform::WAIT_TIMEOUT);

    // Set from another thread, seen by the waiter.
    std::thread setter([&] { platform::SetEvent(automatic); });
    EXPECT_EQ(platform::WaitForMultipleObjects(both, Patience), platform::WAIT_OBJECT_0);
    setter.join();

    EXPECT_TRUE(platform::CloseHandle(manual));
    EXPECT_FALSE(manual);
    EXPECT_EQ(platform::WaitForSingleObject(manual, 0), platform::WAIT_FAILED);
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_INVALID_HANDLE);
    EXPECT_FALSE(platform::SetEvent(manual));
}

TEST(EventTest, ANamedEventIsSharedByItsName) {
    const std::string name = "Quenlix Win32 Test " + std::to_string(GetCurrentProcessId());
    platform::THandle first = platform::CreateEvent(true, false, name);
    ASSERT_TRUE(first);
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_SUCCESS);
    platform::THandle second = platform::CreateEvent(false, false, name);
    ASSERT_TRUE(second);
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(platform::SetEvent(second));
    EXPECT_EQ(platform::WaitForSingleObject(first, 0), platform::WAIT_OBJECT_0);
}

TEST(ChangeNotificationTest, AFileMadeInTheFolderSignalsTheWatch) {
    TTestFolder folder;
    const std::string profile = folder / "abc.default";
    ASSERT_TRUE(platform::ForceDirectories(profile));
    platform::THandle watch = platform::FindFirstChangeNotification(
        profile, false,
        platform::FILE_NOTIFY_CHANGE_FILE_NAME | platform::FILE_NOTIFY_CHANGE_LAST_WRITE);
    ASSERT_TRUE(watch) << platform::GetLastError();
    EXPECT_EQ(platform::WaitForSingleObject(watch, Quiet), platform::WAIT_TIMEOUT);

    platform::WriteFileAtomic(profile + "\\prefs.js", "user_pref();");
    EXPECT_EQ(platform::WaitForSingleObject(watch, Patience), platform::WAIT_OBJECT_0);
    ASSERT_TRUE(platform::FindNextChangeNotification(watch));
    Sleep(Quiet); // what the write still reports arrives, then the watch is quiet again
    ASSERT_TRUE(platform::FindNextChangeNotification(watch));
    EXPECT_EQ(platform::WaitForSingleObject(watch, Quiet), platform::WAIT_TIMEOUT);

    EXPECT_TRUE(platform::DeleteFile(profile + "\\prefs.js"));
    EXPECT_EQ(platform::WaitForSingleObject(watch, Patience), platform::WAIT_OBJECT_0);
    EXPECT_TRUE(platform::FindCloseChangeNotification(watch));
    EXPECT_FALSE(platform::FindNextChangeNotification(watch));
    EXPECT_EQ(platform::GetLastError(), platform::ERROR_INVALID_HANDLE);
}

TEST(ChangeNotificationTest, AWatchOfTheSubtreeSeesNestedFolders) {
    if (win32_test::RunningUnderWine()) {
        GTEST_SKIP() << "Wine reports no changes below the watched folder itself";
    }
    TTestFolder folder;
    ASSERT_TRUE(platform::ForceDirectories(folder / "Profiles\\abc.default"));
    platform::THandle watch = platform::FindFirstChangeNotification(
        folder.Path(), true, platform::FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_TRUE(watch) << platform::GetLastError();
    platform::WriteFileAtomic(folder / "Profiles\\abc.default\\prefs.js", "user_pref();");
    EXPECT_EQ(platform::WaitForSingleObject(watch, Patience), platform::WAIT_OBJECT_0);
}

TEST(ChangeNotificationTest, WhatCannotBeWatched) {
    TTestFolder folder;
    platform::WriteFileAtomic(folder / "file.txt", "x");
    struct TCase {
        std::string Path;
        std::uint32_t Filter;
        std::vector<std::uint32_t> Errors;
    };
    const std::vector<TCase> cases = {
        {folder / "missing",
         platform::FILE_NOTIFY_CHANGE_FILE_NAME,
         {platform::ERROR_FILE_NOT_FOUND, platform::ERROR_PATH_NOT_FOUND}},
        {folder / "missing\\deeper",
         platform::FILE_NOTIFY_CHANGE_FILE_NAME,
         {platform::ERROR_PATH_NOT_FOUND}},
        {folder / "file.txt", platform::FILE_NOTIFY_CHANGE_FILE_NAME, {platform::ERROR_DIRECTORY}},
        {folder.Path(), 0, {platform::ERROR_INVALID_PARAMETER}},
        {folder.Path(), 0x80000000, {platform::ERROR_INVALID_PARAMETER}},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Path + " " + std::to_string(test.Filter));
        EXPECT_FALSE(platform::FindFirstChangeNotification(test.Path, false, test.Filter));
        const std::uint32_t error = platform::GetLastError();
        EXPECT_NE(std::find(test.Errors.begin(), test.Errors.end(), error), test.Errors.end())
            << error;
    }
}

TEST(RegistryNotifyTest, AChangedValueSignalsTheArmedKey) {
    TTestKey key;
    platform::TRegistry watched(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(watched.OpenKey("\\" + key.Path() + "\\Account", true));
    platform::THandle event = platform::CreateEvent(true, false);
    ASSERT_EQ(platform::RegNotifyChangeKeyValue(watched, false,
                                                platform::REG_NOTIFY_CHANGE_LAST_SET, event),
              platform::ERROR_SUCCESS);
    EXPECT_EQ(platform::WaitForSingleObject(event, Quiet), platform::WAIT_TIMEOUT);

    platform::TRegistry writer(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(writer.OpenKey("\\" + key.Path() + "\\Account", false));
    writer.WriteString("POP3 Server", "pop.quenlix.example");
    writer.CloseKey();
    EXPECT_EQ(platform::WaitForSingleObject(event, Patience), platform::WAIT_OBJECT_0);
}

TEST(RegistryNotifyTest, ASubkeyIsSeenOnlyWhenTheSubtreeIsWatched) {
    TTestKey key;
    platform::TRegistry watched(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(watched.OpenKey("\\" + key.Path() + "\\Accounts\\00000001", true));
    ASSERT_TRUE(watched.OpenKey("\\" + key.Path() + "\\Accounts", false));
    platform::THandle flat = platform::CreateEvent(true, false);
    platform::THandle deep = platform::CreateEvent(true, false);
    const std::uint32_t values = platform::REG_NOTIFY_CHANGE_LAST_SET;
    ASSERT_EQ(platform::RegNotifyChangeKeyValue(watched, false, values, flat),
              platform::ERROR_SUCCESS);
    ASSERT_EQ(platform::RegNotifyChangeKeyValue(watched, true, values, deep),
              platform::ERROR_SUCCESS);

    platform::TRegistry writer(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(writer.OpenKey("\\" + key.Path() + "\\Accounts\\00000001", false));
    writer.WriteInteger("POP3 Port", 995);
    writer.CloseKey();
    EXPECT_EQ(platform::WaitForSingleObject(deep, Patience), platform::WAIT_OBJECT_0);
    EXPECT_EQ(platform::WaitForSingleObject(flat, Quiet), platform::WAIT_TIMEOUT);
}

TEST(RegistryNotifyTest, WhatCannotBeArmed) {
    TTestKey key;
    platform::THandle event = platform::CreateEvent(true, false);
    platform::TRegistry closed(platform::HKEY_CURRENT_USER);
    EXPECT_EQ(
        platform::RegNotifyChangeKeyValue(closed, false, platform::REG_NOTIFY_CHANGE_NAME, event),
        platform::ERROR_INVALID_HANDLE);

    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey("\\" + key.Path() + "\\Going", true));
    EXPECT_EQ(platform::RegNotifyChangeKeyValue(registry, false, 0, event),
              platform::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(platform::RegNotifyChangeKeyValue(registry, false, platform::REG_NOTIFY_CHANGE_NAME,
                                                platform::THandle()),
              platform::ERROR_INVALID_HANDLE);
    platform::TRegistry(platform::HKEY_CURRENT_USER).DeleteKey("\\" + key.Path() + "\\Going");
    EXPECT_EQ(
        platform::RegNotifyChangeKeyValue(registry, false, platform::REG_NOTIFY_CHANGE_NAME, event),
        platform::ERROR_KEY_DELETED);
}

} // namespace
