// What only one of the clients does. Windows Mail: "Local Folders" for a new POP account. Windows
// Live Mail: its App Paths entry as written, a folder of its own for every new account; and what
// it shares with Windows Mail on one machine.

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

TEST_F(WindowsMailStoreTest, ANewPopAccountWhoseFolderCannotBeMadeStaysUnsaved) {
    Install();
    TWindowsMailAccounts store(false);
    TMailAccount* account = store.AddAccount(AccountKindPOP, "a@b", "a@b", "pw");
    const std::string key = account->AccountKey();
    System->WriteFile(StoreDir + "Local Folders", "a file where the folder belongs");
    EXPECT_NE(ErrorOf<platform::EFileError>([&] { account->Save(); }).find("Local Folders"),
              std::string::npos);
    EXPECT_EQ(account->AccountKey(), key);
    EXPECT_EQ(DefaultMailAccount(), "<no IAM key>");
}

class WindowsLiveMailStoreTest : public OeAccountFixture {
protected:
    void Install(const TInstall& install = {}) {
        OeAccountFixture::Install(TClient::WindowsLiveMail, install);
    }
};

// Its App Paths entry is taken as written: one with a variable in it names no file.
TEST_F(WindowsLiveMailStoreTest, AnAppPathsEntryWithAVariableIsNotExpanded) {
    Install();
    EXPECT_TRUE(TWindowsLiveMailAccounts(false).Installed());
    platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.OpenKey(
        "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe", false));
    registry.WriteExpandString("", "%ProgramFiles%\\Windows Live\\Mail\\wlmail.exe");
    registry.CloseKey();
    EXPECT_FALSE(TWindowsLiveMailAccounts(false).Installed());
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
        EXPECT_EQ(DefaultMailAccount(), platform::ExtractFileName(account->AccountKey()));
    }
    TWindowsMailAccounts mail(false);
    ASSERT_EQ(mail.AccountCount(), 1);
    EXPECT_EQ(mail.AccountByIndex(0)->AccountKey(), mailKey);
    EXPECT_FALSE(mail.AccountByIndex(0)->IsDefault());
    EXPECT_EQ(mail.AccountByIndex(0)->Password(), "pw");
}

} // namespace
