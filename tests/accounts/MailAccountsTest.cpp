// The store base: account creation, default profile, loading new accounts, removal,
// monitoring and the new-account report.

#include "TestStore.h"

#include <gtest/gtest.h>

using accounts_testing::Text;
using accounts_testing::TTestStore;

namespace {

TEST(MailAccounts, EmptyStoreAnswersNoneAndNeverRaises) {
    TTestStore store;
    EXPECT_FALSE(store.Installed());
    EXPECT_FALSE(store.AutoSave());
    EXPECT_FALSE(store.Monitoring());
    EXPECT_FALSE(store.AccountPasswordsAvailable());
    EXPECT_FALSE(store.IsDefaultClient());
    EXPECT_EQ(store.ClientMajorVersion(), 0);
    EXPECT_EQ(store.ProfileCount(), 0);
    EXPECT_EQ(store.DefaultProfile(), nullptr);
    EXPECT_EQ(store.AccountCount(), 0);
    EXPECT_EQ(store.AccountByIndex(0), nullptr);
    EXPECT_EQ(store.ProfileByIndex(0), nullptr);
    EXPECT_EQ(store.AddAccount(AccountKindPOP, "a@example.org", "a@example.org", "pw"), nullptr);
    EXPECT_EQ(store.LoadNewAccount(nullptr), nullptr);
    EXPECT_TRUE(store.ListAccountFiles(nullptr).empty());
    EXPECT_TRUE(store.ListRegistryAccountKeys(nullptr).empty());
    EXPECT_NO_THROW(store.DeleteDefaultProfileAccount(0));
    EXPECT_NO_THROW(store.SetMonitoring(true));
    EXPECT_EQ(store.SaveCount(), 0);
    EXPECT_EQ(store.CallCount("NewAccountKey"), 0);
}

TEST(MailAccounts, AddAccountFillsTheNewAccountWithoutSaving) {
    TTestStore store;
    store.AddProfile("Main", "");
    TMailAccount* account =
        store.AddAccount(AccountKindPOP, "anna@example.org", "anna@example.org", "secret");
    ASSERT_NE(account, nullptr);
    ASSERT_NE(dynamic_cast<TPOPMailAccount*>(account), nullptr);
    EXPECT_EQ(account->Profile(), store.DefaultProfile());
    EXPECT_EQ(account->AccountKey(), "account1");
    EXPECT_TRUE(account->IsNew());
    EXPECT_EQ(account->EmailAddress(), "anna@example.org");
    EXPECT_EQ(account->AccountName(), "anna@example.org");
    EXPECT_EQ(account->DisplayName(), "anna@example.org");
    EXPECT_EQ(account->UserName(), "anna@example.org");
    EXPECT_EQ(account->Password(), "secret");
    EXPECT_TRUE(account->RememberPassword());
    EXPECT_TRUE(account->IsDefault());
    EXPECT_EQ(store.AccountCount(), 1);
    EXPECT_EQ(store.AccountByIndex(0), account);
    EXPECT_EQ(store.AccountByIndex(1), nullptr);
    EXPECT_EQ(store.SaveCount(), 0);

    // Only the first account of a profile becomes its default; no password, no remembering.
    TMailAccount* second = store.AddAccount(AccountKindIMAP, "b@example.org", "Bert", "");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Kind(), AccountKindIMAP);
    EXPECT_FALSE(second->IsDefault());
    EXPECT_FALSE(second->RememberPassword());
    EXPECT_EQ(second->AccountName(), "Bert");
    EXPECT_EQ(second->EmailAddress(), "b@example.org");
    EXPECT_TRUE(account->IsDefault());
}

TEST(MailAccounts, CreateAccountAcceptsOnlyPopAndImap) {
    TTestStore store;
    TMailProfile* profile = store.AddProfile("Main", "");
    for (int kind : {0, 3, -1}) {
        EXPECT_EQ(store.CreateAccount(profile, kind, "a@example.org", "a", ""), nullptr) << kind;
    }
    EXPECT_EQ(profile->AccountCount(), 0);
    EXPECT_EQ(store.CallCount("NewAccountKey"), 0);
    EXPECT_EQ(store.CreateAccount(nullptr, AccountKindPOP, "a@example.org", "a", ""), nullptr);
}

TEST(MailAccounts, WithAutoSaveCreationSavesTheAccountOnce) {
    TTestStore store(true);
    store.AddProfile("Main", "");
    TMailAccount* account = store.AddAccount(AccountKindPOP, "a@example.org", "Anna", "pw");
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(store.Calls, (std::vector<std::string>{"NewAccountKey", "SaveAccount"}));
    // Saved complete: with its key, entered as default.
    const auto& saved = store.SavedStates.at(0);
    EXPECT_EQ(accounts_testing::PropertyOf(saved, PropertyId::AccountKey), Text("account1"));
    EXPECT_EQ(accounts_testing::PropertyOf(saved, PropertyId::IsDefault), TPropertyValue(true));
}

TEST(MailAccounts, ProfilesAndTheDefaultProfile) {
    TTestStore store;
    TMailProfile* first = store.AddProfile("First", "");
    TMailProfile* second = store.AddProfile("Second", "pw");
    EXPECT_TRUE(first->IsDefaultProfile());
    EXPECT_FALSE(second->IsDefaultProfile());
    EXPECT_TRUE(second->PasswordProtected());
    EXPECT_TRUE(second->Location().empty());
    EXPECT_EQ(second->Store(), &store);
    EXPECT_EQ(store.ProfileCount(), 2);
    EXPECT_EQ(store.ProfileByIndex(1), second);
    EXPECT_EQ(store.ProfileByIndex(2), nullptr);
    EXPECT_EQ(store.ProfileByIndex(-1), nullptr);

    second->SetIsDefaultProfile(true);
    first->SetIsDefaultProfile(false);
    EXPECT_EQ(store.DefaultProfile(), second);
    // Accounts are those of the default profile only.
    first->AddAccount(AccountKindPOP, "a@example.org", "a", "");
    EXPECT_EQ(store.AccountCount(), 0);
    TMailAccount* added = store.AddAccount(AccountKindPOP, "b@example.org", "b", "");
    EXPECT_EQ(added->Profile(), second);
}

TEST(MailAccounts, WithoutMarkedProfileTheFirstIsReturnedAndMarked) {
    TTestStore store;
    auto* first = store.AppendProfile(std::make_unique<TMailProfile>(nullptr, "", "A", ""));
    auto* second = store.AppendProfile(std::make_unique<TMailProfile>(nullptr, "", "B", ""));
    ASSERT_FALSE(first->IsDefaultProfile());
    EXPECT_EQ(first->Store(), &store);
    EXPECT_EQ(store.DefaultProfile(), first);
    EXPECT_TRUE(first->IsDefaultProfile());
    EXPECT_FALSE(second->IsDefaultProfile());
}

TEST(MailAccounts, LoadNewAccountSkipsLoadedKeysAndEntersTheNewOne) {
    TTestStore store(true);
    TMailProfile* profile = store.AddProfile("Main", "");
    profile->AddAccount(AccountKindPOP, "a@example.org", "a", ""); // account1
    store.ScriptedKeys = std::vector<std::string>{"account1", "account7", "account8", "account9"};
    store.LoadableKeys = {"account8", "account9"};
    const int saves = store.SaveCount();

    TMailAccount* loaded = store.LoadNewAccount(profile);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->AccountKey(), "account8");
    EXPECT_EQ(store.LoadedKeys, (std::vector<std::string>{"account7|", "account8|"}));
    EXPECT_EQ(profile->AccountCount(), 2);
    EXPECT_EQ(profile->AccountByIndex(1), loaded);
    EXPECT_EQ(loaded->Profile(), profile);
    // Loading ran with AutoSave off, wrote nothing, and AutoSave is back on.
    EXPECT_EQ(store.AutoSaveDuringLoad, (std::vector<bool>{false, false}));
    EXPECT_EQ(store.SaveCount(), saves);
    EXPECT_TRUE(store.AutoSave());

    // The next call finds the remaining key; after that there is nothing left.
    EXPECT_EQ(store.LoadNewAccount(profile)->AccountKey(), "account9");
    store.LoadedKeys.clear();
    EXPECT_EQ(store.LoadNewAccount(profile), nullptr);
    EXPECT_EQ(store.LoadedKeys, (std::vector<std::string>{"account7|"}));
    EXPECT_TRUE(store.AutoSave());
}

TEST(MailAccounts, LoadNewAccountRestoresAutoSaveAfterAnError) {
    for (bool autoSave : {true, false}) {
        TTestStore store(autoSave);
        TMailProfile* profile = store.AddProfile("Main", "");
        store.ScriptedKeys = std::vector<std::string>{"account1"};
        store.ThrowOnLoad = true;
        EXPECT_THROW(store.LoadNewAccount(profile), std::runtime_error);
        EXPECT_EQ(store.AutoSave(), autoSave);
        EXPECT_EQ(store.AutoSaveDuringLoad, std::vector<bool>{false});
    }
}

TEST(MailAccounts, AccountKeysComeFromTheStoresKindOfListing) {
    TTestStore fileStore(false, false);
    TMailProfile* profile = fileStore.AddProfile("Main", "");
    fileStore.ScriptedKeys = std::vector<std::string>{"x"};
    EXPECT_EQ(fileStore.ListAccountKeys(profile), std::vector<std::string>{"x"});
    EXPECT_EQ(fileStore.Calls, std::vector<std::string>{"ListAccountFiles"});

    TTestStore registryStore(false, true);
    profile = registryStore.AddProfile("Main", "");
    registryStore.ScriptedKeys = std::vector<std::string>{"y"};
    EXPECT_EQ(registryStore.ListAccountKeys(profile), std::vector<std::string>{"y"});
    EXPECT_EQ(registryStore.Calls, std::vector<std::string>{"ListRegistryAccountKeys"});
}

TEST(MailAccounts, RemoveAccountFindsTheAccountInAnyProfile) {
    TTestStore store;
    TMailProfile* first = store.AddProfile("First", "");
    TMailProfile* second = store.AddProfile("Second", "");
    first->AddAccount(AccountKindPOP, "a@example.org", "a", "");
    second->AddAccount(AccountKindPOP, "b@example.org", "b", "");
    TMailAccount* target = second->AddAccount(AccountKindPOP, "c@example.org", "c", "");

    store.RemoveAccount(*target);
    EXPECT_EQ(store.CallCount("DeleteAccount"), 1);
    EXPECT_EQ(second->AccountCount(), 1);
    EXPECT_EQ(second->AccountByIndex(0)->EmailAddress(), "b@example.org");
    EXPECT_EQ(first->AccountCount(), 1);

    // An account of no profile of this store is left alone.
    TPOPMailAccount stranger(first);
    store.RemoveAccount(stranger);
    EXPECT_EQ(store.CallCount("DeleteAccount"), 1);
}

TEST(MailAccounts, DeleteAccountByIndex) {
    TTestStore store;
    store.AddProfile("Main", "");
    store.AddAccount(AccountKindPOP, "a@example.org", "a", "");
    store.AddAccount(AccountKindPOP, "b@example.org", "b", "");
    store.DeleteDefaultProfileAccount(5); // out of range: nothing
    EXPECT_EQ(store.AccountCount(), 2);
    store.DeleteDefaultProfileAccount(0);
    ASSERT_EQ(store.AccountCount(), 1);
    EXPECT_EQ(store.AccountByIndex(0)->EmailAddress(), "b@example.org");
}

TEST(MailAccounts, MonitoringSwitchesEveryProfileAndAccount) {
    TTestStore store;
    TMailProfile* first = store.AddProfile("First", "");
    TMailProfile* second = store.AddProfile("Second", "");
    first->AddAccount(AccountKindPOP, "a@example.org", "a", "");
    second->AddAccount(AccountKindIMAP, "b@example.org", "b", "");
    store.Calls.clear();

    store.SetMonitoring(true);
    store.SetMonitoring(true);
    EXPECT_TRUE(store.Monitoring());
    EXPECT_EQ(store.CallCount("StartProfileMonitor"), 2);
    EXPECT_EQ(store.CallCount("StartAccountMonitor"), 2);
    EXPECT_TRUE(second->AccountByIndex(0)->Monitoring());

    store.SetMonitoring(false);
    EXPECT_EQ(store.CallCount("StopProfileMonitor"), 2);
    EXPECT_EQ(store.CallCount("StopAccountMonitor"), 2);
    for (const auto& monitor : store.StartedMonitors) {
        EXPECT_EQ(monitor->Terminations, 1);
    }
}

TEST(MailAccounts, DestroyingAMonitoringStoreStopsEveryMonitor) {
    std::vector<std::shared_ptr<accounts_testing::TRecordingMonitor>> monitors;
    {
        TTestStore store;
        store.AddProfile("Main", "")->AddAccount(AccountKindPOP, "a@example.org", "a", "");
        store.SetMonitoring(true);
        monitors = store.StartedMonitors;
    }
    ASSERT_EQ(monitors.size(), 2u);
    for (const auto& monitor : monitors) {
        EXPECT_EQ(monitor->Terminations, 1);
    }
}

TEST(MailAccounts, NewAccountIsReportedAndMonitored) {
    TTestStore store;
    TMailProfile* profile = store.AddProfile("Main", "");
    store.ScriptedKeys = std::vector<std::string>{"account4"};
    store.LoadableKeys = {"account4"};
    std::vector<std::string> reports;
    store.SetOnAccountChanged(
        [&](TMailAccounts* sender, TMailAccount* account, TMailAccount* previous) {
            EXPECT_EQ(sender, &store);
            EXPECT_EQ(previous, nullptr);
            reports.push_back(account ? account->AccountKey() : "none");
        });

    store.HandleNewAccount(profile);
    EXPECT_EQ(reports, std::vector<std::string>{"account4"});
    ASSERT_EQ(profile->AccountCount(), 1);
    EXPECT_TRUE(profile->AccountByIndex(0)->Monitoring());
    EXPECT_EQ(store.CallCount("StartAccountMonitor"), 1);

    // Nothing new: no report.
    store.HandleNewAccount(profile);
    EXPECT_EQ(reports.size(), 1u);
}

TEST(MailAccounts, NewAccountWithoutAHandlerIsLoadedButNotWatched) {
    TTestStore store;
    TMailProfile* profile = store.AddProfile("Main", "");
    store.ScriptedKeys = std::vector<std::string>{"account4"};
    store.LoadableKeys = {"account4"};

    store.HandleNewAccount(profile);
    ASSERT_EQ(profile->AccountCount(), 1);
    EXPECT_FALSE(profile->AccountByIndex(0)->Monitoring());
    EXPECT_EQ(store.CallCount("StartAccountMonitor"), 0);
}

} // namespace
