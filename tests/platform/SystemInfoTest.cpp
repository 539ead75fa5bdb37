#include "platform/SystemInfo.h"
#include "platform/Files.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

using namespace platform;
using testing_support::TTestSystem;

TEST(SystemInfo, NothingIsAnsweredWithoutASystem) {
    TOSVersionInfo info;
    EXPECT_FALSE(GetVersionEx(info));
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA), "");
    EXPECT_FALSE(GetEnvironmentVariable("TEMP"));
    EXPECT_EQ(GetTempPath(), "");
}

TEST(SystemInfo, VersionAndFoldersComeFromTheFacts) {
    TTestSystem sys("[Windows]\nMajor=6\nMinor=1\n[User]\nName=Eva\n"
                    "[Program]\nModulePath=C:\\Tools\\qma.exe\n");
    TOSVersionInfo info;
    ASSERT_TRUE(GetVersionEx(info));
    EXPECT_EQ(info.MajorVersion, 6u);
    EXPECT_EQ(info.MinorVersion, 1u);
    EXPECT_EQ(info.BuildNumber, 7601u);
    EXPECT_EQ(info.PlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.CSDVersion, "Service Pack 1");
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA), "C:\\Users\\Eva\\AppData\\Roaming");
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_LOCAL_APPDATA), "C:\\Users\\Eva\\AppData\\Local");
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_PROGRAM_FILES), "C:\\Program Files");
    EXPECT_EQ(GetSpecialFolderPath(5), "");
    EXPECT_EQ(GetUserName(), "Eva");
    EXPECT_EQ(GetModuleFileName(), "C:\\Tools\\qma.exe");
    EXPECT_EQ(GetTempPath(), "C:\\Users\\Eva\\AppData\\Local\\Temp\\");
}

TEST(SystemInfo, EnvironmentNamesIgnoreCaseAndUnknownReferencesStay) {
    TTestSystem sys("[Environment]\nMixedCase=v\nEMPTY=\n");
    EXPECT_EQ(GetEnvironmentVariable("appdata"), GetSpecialFolderPath(CSIDL_APPDATA));
    EXPECT_EQ(GetEnvironmentVariable("MIXEDCASE"), "v");
    EXPECT_FALSE(GetEnvironmentVariable("NOPE"));
    EXPECT_EQ(ExpandEnvironmentStrings("%APPDATA%\\Thunderbird"),
              "C:\\Documents and Settings\\User\\Application Data\\Thunderbird");
    EXPECT_EQ(ExpandEnvironmentStrings("%mixedcase%%MixedCase%"), "vv");
    EXPECT_EQ(ExpandEnvironmentStrings("a%NOPE%b"), "a%NOPE%b");
    EXPECT_EQ(ExpandEnvironmentStrings("100%% sure"), "100%% sure");
    EXPECT_EQ(ExpandEnvironmentStrings("50% off"), "50% off");
    EXPECT_EQ(ExpandEnvironmentStrings("[%EMPTY%]"), "[]");
    EXPECT_EQ(ExpandEnvironmentStrings("%NOPE%MixedCase%"), "%NOPE%MixedCase%");
    EXPECT_EQ(ExpandEnvironmentStrings(""), "");
}

TEST(SystemInfo, TempFileNamesAreUniqueAndReserved) {
    TTestSystem sys;
    const std::string temp = GetTempPath();
    ASSERT_TRUE(DirectoryExists(temp));
    const std::regex form(
        R"(C:\\Documents and Settings\\User\\Local Settings\\Temp\\del[0-9A-F]{1,4}\.tmp)");
    std::set<std::string> names;
    for (int i = 0; i < 500; ++i) {
        const std::string name = GetTempFileName(temp, "delete");
        ASSERT_TRUE(std::regex_match(name, form)) << name;
        ASSERT_TRUE(FileExists(name));
        EXPECT_EQ(ReadFileBytes(name), "");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 500u);
    EXPECT_EQ(FindFiles(temp + "*.tmp").size(), 500u);
    // A folder spelled without the trailing backslash works too; a missing one gives nothing.
    EXPECT_FALSE(GetTempFileName("C:\\Program Files", "").empty());
    EXPECT_EQ(GetTempFileName("C:\\Missing", "x"), "");
}

TEST(SystemInfo, GuidsAreRandomVersion4InBracedUpperCase) {
    const std::regex form(
        R"(\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\})");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string guid = CreateGuidString();
        ASSERT_TRUE(std::regex_match(guid, form)) << guid;
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 100u);
}
