#include "OutlookExpressFixture.h"

#include "WinTestSupport.h"

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "platform/VersionInfo.h"

#include <stdexcept>

namespace win32_test {

void TOutlookExpressFixture::SetUp() {
    Exe = platform::GetSpecialFolderPath(platform::CSIDL_PROGRAM_FILES) +
          "\\Outlook Express\\msimn.exe";
    const platform::TRegistry user(platform::HKEY_CURRENT_USER);
    if (user.KeyExists("\\Identities") || user.KeyExists(kInternetAccountManager) ||
        platform::FileExists(Exe)) {
        GTEST_SKIP() << "Outlook Express is set up on this machine; the test runs only where it "
                        "is not";
    }
    Installed = true;
    ASSERT_TRUE(platform::ForceDirectories(platform::ExtractFilePath(Exe)));
    platform::WriteFileAtomic(
        Exe, platform::MakeVersionedPeImage(platform::MakeVersion(6, 0, 2900, 5512)));
    ASSERT_TRUE(ImportRegistryFile(FixtureFile("two_identities.reg")));
    ASSERT_TRUE(user.KeyExists(kInternetAccountManager + "\\Accounts"));
}

void TOutlookExpressFixture::TearDown() {
    if (!Installed) {
        return;
    }
    platform::TRegistry user(platform::HKEY_CURRENT_USER);
    user.DeleteKey("\\Identities");
    user.DeleteKey(kInternetAccountManager);
    platform::DeleteFile(Exe);
    platform::RemoveDirectory(platform::ExtractFilePath(Exe));
}

const TMailProfile& TOutlookExpressFixture::MainIdentity(const TOutlookExpressMailAccounts& store) {
    for (int i = 0; i < store.ProfileCount(); ++i) {
        if (store.ProfileByIndex(i)->Location() == kOutlookExpressMainIdentity) {
            return *store.ProfileByIndex(i);
        }
    }
    throw std::runtime_error("no main identity");
}

} // namespace win32_test
