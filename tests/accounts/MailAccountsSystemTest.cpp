// Store base operations that read the simulated system: account files and registry keys.

#include "TestStore.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <algorithm>

using accounts_testing::TTestStore;
using testing_support::TTestSystem;

namespace {

std::vector<std::string> Sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

TEST(MailAccountsSystem, AccountFilesAreFoundOneFolderLevelDown) {
    TTestSystem system;
    system.WriteFile("C:\\Mail\\direct.oeaccount", "x");
    system.WriteFile("C:\\Mail\\A\\one.oeaccount", "x");
    system.WriteFile("C:\\Mail\\A\\notes.txt", "x");
    system.WriteFile("C:\\Mail\\B\\two.oeaccount", "x");
    system.WriteFile("C:\\Mail\\B\\Deep\\three.oeaccount", "x");
    ASSERT_TRUE(platform::ForceDirectories("C:\\Mail\\C\\folder.oeaccount"));
    ASSERT_TRUE(platform::ForceDirectories("C:\\Mail\\Empty"));

    TTestStore store;
    TMailProfile* profile = store.AddProfile("Main", "");
    profile->SetAccountsLocation("C:\\Mail");
    profile->SetAccountFilePattern("*.oeaccount");
    const std::vector<std::string> expected{"C:\\Mail\\A\\one.oeaccount",
                                            "C:\\Mail\\B\\two.oeaccount"};
    EXPECT_EQ(Sorted(store.ListAccountFiles(profile)), expected);
    EXPECT_EQ(Sorted(store.ListAccountKeys(profile)), expected);

    profile->SetAccountsLocation("C:\\Mail\\");
    EXPECT_EQ(Sorted(store.ListAccountFiles(profile)), expected);

    profile->SetAccountsLocation("C:\\Nowhere");
    EXPECT_TRUE(store.ListAccountFiles(profile).empty());
    profile->SetAccountsLocation("");
    EXPECT_TRUE(store.ListAccountFiles(profile).empty());
}

TEST(MailAccountsSystem, NewAccountFileIsLoadedOnce) {
    TTestSystem system;
    system.WriteFile("C:\\Mail\\A\\one.oeaccount", "x");
    TTestStore store;
    TMailProfile* profile = store.AddProfile("Main", "");
    profile->SetAccountsLocation("C:\\Mail");
    profile->SetAccountFilePattern("*.oeaccount");
    store.LoadableKeys = {"C:\\Mail\\A\\one.oeaccount"};

    TMailAccount* loaded = store.LoadNewAccount(profile);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->AccountKey(), "C:\\Mail\\A\\one.oeaccount");
    EXPECT_EQ(store.LoadNewAccount(profile), nullptr);
    EXPECT_EQ(profile->AccountCount(), 1);
}

TEST(MailAccountsSystem, RegistryAccountKeysAreSubkeysAndNothingIsCreated) {
    TTestSystem system("", "",
                       "[HKEY_CURRENT_USER\\Software\\Test\\Accounts\\00000002]\r\n"
                       "\"Account Name\"=\"b\"\r\n\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Test\\Accounts\\00000001]\r\n"
                       "\"Account Name\"=\"a\"\r\n\r\n");
    TTestStore store(false, true);
    TMailProfile* profile = store.AddProfile("Main", "");
    profile->SetAccountsLocation("Software\\Test\\Accounts");
    EXPECT_EQ(Sorted(store.ListRegistryAccountKeys(profile)),
              (std::vector<std::string>{"00000001", "00000002"}));
    EXPECT_EQ(store.ListAccountKeys(profile).size(), 2u);

    profile->SetAccountsLocation("Software\\Test\\Missing");
    EXPECT_TRUE(store.ListRegistryAccountKeys(profile).empty());
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    EXPECT_FALSE(registry.KeyExists("Software\\Test\\Missing"));
}

TEST(MailAccountsSystem, ReloadFromRegistryOpensTheAccountsKeyCreatingIt) {
    TTestSystem system("", "",
                       "[HKEY_CURRENT_USER\\Software\\Test\\Accounts\\00000001]\r\n"
                       "\"Account Name\"=\"a\"\r\n\r\n");
    TTestStore store(false, true);
    TMailProfile* profile = store.AddProfile("Main", "");
    TMailAccount* pop = profile->AddAccount(AccountKindPOP, "a@example.org", "a", "");
    TMailAccount* imap = profile->AddAccount(AccountKindIMAP, "b@example.org", "b", "");
    pop->SetStoreLocation("Software\\Test\\Accounts\\00000001");
    imap->SetStoreLocation("Software\\Test\\Accounts\\00000009");

    store.ReloadPOPAccountFromRegistry(*pop);
    store.ReloadIMAPAccountFromRegistry(*imap);
    EXPECT_EQ(store.Calls.back(), "ReadIMAPAccount");
    EXPECT_EQ(store.CallCount("ReadPOPAccount"), 1);
    ASSERT_EQ(store.ReadPaths.size(), 2u);
    EXPECT_EQ(store.ReadPaths[0], "Software\\Test\\Accounts\\00000001");
    EXPECT_EQ(store.ReadPaths[1], "Software\\Test\\Accounts\\00000009");
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    EXPECT_TRUE(registry.KeyExists("Software\\Test\\Accounts\\00000009"));
}

} // namespace
