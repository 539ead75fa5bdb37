// What only the Windows Live Mail store does: its App Paths entry as written, no substitute
// version, a folder of its own for every new account; and what it shares with Windows Mail on one
// machine.

#include "OeAccountTestSupport.h"

#include "accounts/RegistryHelpers.h"
#include "platform/Files.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

using namespace oeaccount_test;

namespace {

class WindowsLiveMailStoreTest : public OeAccountFixture {
protected:
    void Install(const TInstall& install = {}) {
        OeAccountFixture::Install(TClient::WindowsLiveMail, install);
    }
};

TEST_F(WindowsLiveMailStoreTest, TakesItsAppPathsEntryAsWritten) {
    Install();
    {
        const TWindowsLiveMailAccounts store(false);
        EXPECT_TRUE(store.Installed());
        EXPECT_EQ(store.ClientVersion(), "15.4.3555.308");
        EXPECT_EQ(store.ClientMajorVersion(), 15);
        EXPECT_EQ(store.StoreDirectory(),
                  "C:\\Users\\User\\AppData\\Local\\Microsoft\\Windows Live Mail\\");
    }
    // An entry with a variable in it is not expanded, so it names no file.
    platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe", false));
    registry.WriteExpandString("", "%ProgramFiles%\\Windows Live\\Mail\\wlmail.exe");
    registry.CloseKey();
    EXPECT_FALSE(TWindowsLiveMailAccounts(false).Installed());
}

TEST_F(WindowsLiveMailStoreTest, AProgramWithoutVersionResourceHasNoVersion) {
    TInstall install;
    install.VersionResource = false;
    Install(install);
    const TWindowsLiveMailAccounts store(false);
    EXPECT_TRUE(store.Installed());
    EXPECT_EQ(store.ClientVersion(), "");
    EXPECT_EQ(store.ClientMajorVersion(), 0);
}

TEST_F(WindowsLiveMailStoreTest, EveryNewPopAccountGetsAFolderNamedAfterIt) {
    Install();
    TWindowsLiveMailAccounts store(false);
    const std::string address = "anna.muster@quenlix.example";
    std::vector<std::string> paths;
    for (int i = 0; i < 2; ++i) {
        TMailAccount* account = store.AddAccount(AccountKindPOP, address, address, "Geheim-42");
        const std::string key = account->AccountKey();
        account->Save();
        paths.push_back(account->AccountKey());
        EXPECT_EQ(platform::ExtractFileName(account->AccountKey()), key);
    }
    EXPECT_EQ(platform::ExtractFilePath(paths[0]), StoreDir + address + "\\");
    EXPECT_EQ(platform::ExtractFilePath(paths[1]), StoreDir + address + " (1)\\");
    EXPECT_TRUE(System->Exists(paths[0]));
    EXPECT_TRUE(System->Exists(paths[1]));

    // Deleting the POP account takes its file and leaves its folder.
    store.DeleteDefaultProfileAccount(0);
    EXPECT_FALSE(System->Exists(paths[0]));
    EXPECT_TRUE(platform::DirectoryExists(StoreDir + address));
}

TEST_F(WindowsLiveMailStoreTest, TheProviderAccountIsWrittenAsInWindowsMail) {
    Install();
    TWindowsLiveMailAccounts store(false);
    const std::string address = "anna.muster@quenlix.example";
    auto& account = dynamic_cast<TPOPMailAccount&>(
        *store.AddAccount(AccountKindPOP, address, address, "Geheim-42"));
    account.SetDisplayName("Anna Müller");
    account.SetIncomingServer("pop.quenlix.example");
    account.SetUseSSL(true);
    account.SetIncomingPort(995);
    account.SetLeaveOnServer(true);
    account.SetSmtpServer("smtp.quenlix.example");
    account.SetSmtpAuthMode(1);
    account.SetSmtpUseSSL(true);
    account.SetSmtpPort(465);
    account.Save();
    EXPECT_EQ(MaskSealed(ReadAccount(account.AccountKey()),
                         {{"POP3_Password2", "Geheim-42"}, {"SMTP_Password2", "Geheim-42"}}),
              Golden("worked-example.oeaccount"));
}

// Both clients on one machine: each has its own salt and folder, and "Default Mail Account" is
// one value that a default save of either overwrites.
TEST_F(WindowsLiveMailStoreTest, BesideWindowsMailItSharesOnlyTheDefaultAccountValue) {
    Install();
    const std::string liveDir = StoreDir;
    // Windows Mail's program, key and salt on the same machine.
    System->WritePe(WindowsMailExe, 6, 0, 6002, 18005);
    {
        platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(registry.OpenKey(
            "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WinMail.exe", true));
        registry.WriteString("", WindowsMailExe);
        registry.CloseKey();
        registry.SetRootKey(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey("\\Software\\Microsoft\\Windows Mail", true));
        registry.CloseKey();
    }
    std::string mailKey;
    {
        TWindowsMailAccounts mail(false);
        ASSERT_TRUE(mail.Installed());
        EXPECT_NE(mail.SaltHex(), FixtureSaltHex); // made for Windows Mail alone
        EXPECT_NE(mail.StoreDirectory(), liveDir);
        auto& account =
            dynamic_cast<TPOPMailAccount&>(*mail.AddAccount(AccountKindPOP, "a@b", "a@b", "pw"));
        account.SetIncomingServer("pop.example.org");
        account.Save(); // the only account: the default
        mailKey = account.AccountKey();
    }
    {
        TWindowsLiveMailAccounts live(false);
        TMailAccount* account = live.AddAccount(AccountKindPOP, "c@d", "c@d", "pw");
        account->Save();
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software\\Microsoft\\IAM"));
        EXPECT_EQ(ReadRegStringChecked(registry, "Default Mail Account"),
                  platform::ExtractFileName(account->AccountKey()));
    }
    TWindowsMailAccounts mail(false);
    ASSERT_EQ(mail.AccountCount(), 1);
    EXPECT_EQ(mail.AccountByIndex(0)->AccountKey(), mailKey);
    EXPECT_FALSE(mail.AccountByIndex(0)->IsDefault());
    EXPECT_EQ(mail.AccountByIndex(0)->Password(), "pw");
}

} // namespace
