#include "OutlookFixture.h"

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/VersionInfo.h"

#include <vector>

namespace win32_test {

namespace {

const std::string kAppPathsKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";
// The keys the fixtures and the stores write below the user's Office key.
const std::vector<std::string> kOfficeKeys = {"\\Software\\Microsoft\\Office\\9.0",
                                              "\\Software\\Microsoft\\Office\\11.0",
                                              "\\Software\\Microsoft\\Office\\Outlook"};

} // namespace

void TOutlookOnMachine::Install(int major, const std::string& fixture) {
    const platform::TRegistry machine(platform::HKEY_LOCAL_MACHINE);
    const platform::TRegistry user(platform::HKEY_CURRENT_USER);
    bool present = machine.KeyExists(kAppPathsKey) || user.KeyExists(kMapiProfilesKey);
    for (const std::string& key : kOfficeKeys) {
        present = present || user.KeyExists(key);
    }
    if (present) {
        GTEST_SKIP() << "Outlook or MAPI profiles are set up on this machine; the test runs only "
                        "where they are not";
    }
    Installed = true;
    Exe = Folder / "Microsoft Office\\Office\\OUTLOOK.EXE";
    ASSERT_TRUE(platform::ForceDirectories(platform::ExtractFilePath(Exe)));
    platform::WriteFileAtomic(
        Exe, platform::MakeVersionedPeImage(platform::MakeVersion(major, 0, 8217, 0)));
    ASSERT_TRUE(ImportRegistry("[HKEY_LOCAL_MACHINE" + kAppPathsKey + "]\r\n@=" + RegString(Exe) +
                                   "\r\n\"Path\"=" + RegString(platform::ExtractFilePath(Exe)) +
                                   "\r\n",
                               Folder));
    ASSERT_TRUE(ImportRegistryFile(FixtureFile(fixture)));
    ASSERT_TRUE(user.KeyExists(kMapiProfilesKey + "\\Outlook"));
}

void TOutlookOnMachine::TearDown() {
    if (!Installed) {
        return;
    }
    platform::TRegistry(platform::HKEY_LOCAL_MACHINE).DeleteKey(kAppPathsKey);
    platform::TRegistry user(platform::HKEY_CURRENT_USER);
    for (const std::string& key : kOfficeKeys) {
        user.DeleteKey(key);
    }
    user.DeleteKey(kMapiProfilesKey);
}

} // namespace win32_test
