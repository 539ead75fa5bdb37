// What only the Windows Mail store does: the expanded App Paths entry, the substitute version and
// "Local Folders" for a new POP account.

#include "OeAccountTestSupport.h"

#include "accounts/RegistryHelpers.h"
#include "platform/Files.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

using namespace oeaccount_test;

namespace {

class WindowsMailStoreTest : public OeAccountFixture {
protected:
    void Install(const TInstall& install = {}) {
        OeAccountFixture::Install(TClient::WindowsMail, install);
    }
};

TEST_F(WindowsMailStoreTest, FindsTheProgramThroughItsExpandedAppPathsEntry) {
    Install();
    const TWindowsMailAccounts store(false);
    EXPECT_TRUE(store.Installed());
    EXPECT_EQ(store.ClientVersion(), "6.0.6002.18005");
    EXPECT_EQ(store.ClientMajorVersion(), 6);
    EXPECT_EQ(store.StoreDirectory(), "C:\\Users\\User\\AppData\\Local\\Microsoft\\Windows Mail\\");
}

TEST_F(WindowsMailStoreTest, AProgramWithoutVersionResourceCountsAsTheFirstRelease) {
    TInstall install;
    install.VersionResource = false;
    Install(install);
    const TWindowsMailAccounts store(false);
    EXPECT_TRUE(store.Installed());
    EXPECT_EQ(store.ClientVersion(), "6.0.6000.16386");
    EXPECT_EQ(store.ClientMajorVersion(), 6);
}

// The setup page's account (the worked example of the format), written byte for byte.
TEST_F(WindowsMailStoreTest, TheProviderAccountGoesToLocalFoldersInTheClientsOrder) {
    Install();
    WriteAccount("Local Folders\\account{OLD}.oeaccount", ClientPopAccount(Sealed("x")));
    TWindowsMailAccounts store(false);
    const std::string address = "anna.muster@quenlix.example";
    auto& account = dynamic_cast<TPOPMailAccount&>(
        *store.AddAccount(AccountKindPOP, address, address, "Geheim-42"));
    const std::string key = account.AccountKey();
    ASSERT_EQ(platform::ExtractFilePath(key), "");
    account.SetAccountName(address);
    account.SetDisplayName("Anna Müller");
    account.SetEmailAddress(address);
    account.SetUserName(address);
    account.SetPassword("Geheim-42");
    account.SetRememberPassword(true);
    account.SetIncomingServer("pop.quenlix.example");
    account.SetUseSPA(false);
    account.SetUseSSL(true);
    account.SetIncomingPort(995);
    account.SetLeaveOnServer(true);
    account.SetSmtpServer("smtp.quenlix.example");
    account.SetSmtpAuthMode(1);
    account.SetSmtpUseSSL(true);
    account.SetSmtpUseSPA(false);
    account.SetSmtpPort(465);
    account.SetIsDefault(true);
    account.Save();

    const std::string path = StoreDir + "Local Folders\\" + key;
    EXPECT_EQ(account.AccountKey(), path);
    EXPECT_EQ(account.StoreLocation(), path); // where a reload reads it
    EXPECT_EQ(MaskSealed(ReadAccount(path),
                         {{"POP3_Password2", "Geheim-42"}, {"SMTP_Password2", "Geheim-42"}}),
              Golden("worked-example.oeaccount"));
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software\\Microsoft\\IAM"));
    EXPECT_EQ(ReadRegStringChecked(registry, "Default Mail Account"), key);

    // A second save rewrites the same file.
    account.SetDisplayName("Anna M.");
    account.Save();
    EXPECT_EQ(account.AccountKey(), path);
    EXPECT_EQ(platform::FindFiles(StoreDir + "Local Folders\\*.oeaccount").size(), 2u);
}

TEST_F(WindowsMailStoreTest, ANewPopAccountWhoseFolderCannotBeMadeStaysUnsaved) {
    Install();
    TWindowsMailAccounts store(false);
    TMailAccount* account = store.AddAccount(AccountKindPOP, "a@b", "a@b", "pw");
    const std::string key = account->AccountKey();
    System->WriteFile(StoreDir + "Local Folders", "a file where the folder belongs");
    try {
        account->Save();
        FAIL() << "the save reported success";
    } catch (const platform::EFileError& error) {
        EXPECT_NE(std::string(error.what()).find("Local Folders"), std::string::npos);
    }
    EXPECT_EQ(account->AccountKey(), key);
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    EXPECT_FALSE(registry.KeyExists("\\Software\\Microsoft\\IAM"));
}

} // namespace
