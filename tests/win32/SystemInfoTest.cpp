// Machine facts, special folders, environment, temp names, GUIDs and the module name, as the
// Windows API answers them.

#include "WinTestSupport.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Guid.h"
#include "platform/System.h"
#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace platform;
using win32_test::TTestFolder;

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           _stricmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

TEST(SystemInfoTest, SpecialFoldersExistAndAgreeWithTheEnvironment) {
    for (const int csidl : {CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_PROGRAM_FILES}) {
        SCOPED_TRACE(csidl);
        const std::string folder = GetSpecialFolderPath(csidl);
        ASSERT_FALSE(folder.empty());
        EXPECT_NE(folder.back(), '\\');
        EXPECT_TRUE(DirectoryExists(folder));
    }
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA), GetEnvironmentVariable("APPDATA"));
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_PROGRAM_FILES), GetEnvironmentVariable("ProgramFiles"));
    EXPECT_EQ(MachineFacts().AppData, GetSpecialFolderPath(CSIDL_APPDATA));
    EXPECT_TRUE(GetSpecialFolderPath(-1).empty());
}

TEST(SystemInfoTest, EnvironmentVariablesAndTheirExpansion) {
    const auto appData = GetEnvironmentVariable("appdata"); // names without case
    ASSERT_TRUE(appData);
    EXPECT_EQ(ExpandEnvironmentStrings("%APPDATA%\\Thunderbird"), *appData + "\\Thunderbird");
    EXPECT_EQ(ExpandEnvironmentStrings("%QUENLIX_NOT_SET%\\x"), "%QUENLIX_NOT_SET%\\x");
    EXPECT_EQ(ExpandEnvironmentStrings("100% sure"), "100% sure");
    EXPECT_EQ(ExpandEnvironmentStrings(""), "");
    EXPECT_FALSE(GetEnvironmentVariable("QUENLIX_NOT_SET"));
    EXPECT_FALSE(GetEnvironmentVariable(""));

    ASSERT_TRUE(SetEnvironmentVariableW(L"QUENLIX_TEST_VALUE", L"Gr\u00fc\u00dfe \u2603"));
    EXPECT_EQ(GetEnvironmentVariable("Quenlix_Test_Value"), "Gr\u00fc\u00dfe \u2603");
    EXPECT_EQ(ExpandEnvironmentStrings("[%QUENLIX_TEST_VALUE%]"), "[Gr\u00fc\u00dfe \u2603]");
    SetEnvironmentVariableW(L"QUENLIX_TEST_VALUE", nullptr);
}

TEST(SystemInfoTest, TempFolderAndTempNames) {
    const std::string temp = GetTempPath();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(DirectoryExists(temp));

    TTestFolder folder;
    const std::string first = GetTempFileName(folder.Path(), "qlx");
    const std::string second = GetTempFileName(folder.Path(), "qlx");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    EXPECT_TRUE(FileExists(first));
    EXPECT_EQ(ExtractFilePath(first), folder.Path() + "\\");
    EXPECT_EQ(ExtractFileName(first).substr(0, 3), "qlx");
    EXPECT_TRUE(EndsWithNoCase(first, ".tmp"));
    EXPECT_EQ(GetTempFileName(folder / "missing", "qlx"), "");
}

TEST(SystemInfoTest, GuidsAreNewEachTime) {
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        const std::string guid = CreateGuidString();
        ASSERT_TRUE(StringToGuid(guid)) << guid;
        EXPECT_EQ(GuidToString(*StringToGuid(guid)), guid); // braced, upper case
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 20u);
}

TEST(SystemInfoTest, VersionUserAndModuleAreTheMachines) {
    TOSVersionInfo version;
    ASSERT_TRUE(GetVersionEx(version));
    EXPECT_EQ(version.PlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_GE(version.MajorVersion, 5u);
    EXPECT_EQ(MachineFacts().MajorVersion, static_cast<int>(version.MajorVersion));
    EXPECT_EQ(MachineFacts().BuildNumber, static_cast<int>(version.BuildNumber));

    EXPECT_FALSE(GetUserName().empty());
    EXPECT_EQ(GetUserName(), MachineFacts().UserName);
    EXPECT_EQ(MachineFacts().UserSid.rfind("S-1-5-", 0), 0u) << MachineFacts().UserSid;
    EXPECT_EQ(MachineFacts().AnsiCodePage, static_cast<int>(::GetACP()));

    const std::string module = GetModuleFileName();
    EXPECT_TRUE(EndsWithNoCase(module, "\\tests_win32.exe")) << module;
    EXPECT_TRUE(FileExists(module));
    EXPECT_EQ(MachineFacts().ModulePath, module);
}

TEST(SystemInfoTest, TheMachineIsTheInstalledSystem) {
    EXPECT_TRUE(SystemInstalled());
    EXPECT_TRUE(SystemRoot().empty());
    EXPECT_TRUE(MachineFacts().Redirections.empty());
    bool hasPath = false;
    for (const auto& [name, value] : MachineFacts().Environment) {
        hasPath = hasPath || _stricmp(name.c_str(), "PATH") == 0;
    }
    EXPECT_TRUE(hasPath);
    EXPECT_THROW(InstallSystem("C:\\somewhere"), ESystemError);
    UninstallSystem(); // nothing to do, and nothing breaks
    EXPECT_TRUE(SystemInstalled());
}

} // namespace
