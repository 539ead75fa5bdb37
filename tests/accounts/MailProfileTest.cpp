// Profiles: construction, their account list, effective settings and the monitoring switch.

#include "TestStore.h"

#include <gtest/gtest.h>

using accounts_testing::TRecordingMonitor;
using accounts_testing::TTestStore;

namespace {

TEST(MailProfile, ConstructorArgumentsAndDefaults) {
    TTestStore store;
    TMailProfile profile(&store, "C:\\Profiles\\abc", "Anna", "pw");
    EXPECT_EQ(profile.Store(), &store);
    EXPECT_EQ(profile.Location(), "C:\\Profiles\\abc");
    EXPECT_EQ(profile.Name(), "Anna");
    EXPECT_EQ(profile.ProfilePassword(), "pw");
    EXPECT_TRUE(profile.PasswordProtected());
    EXPECT_TRUE(profile.UseStoreSettings());
    EXPECT_FALSE(profile.CheckMailOnStartup());
    EXPECT_EQ(profile.PollInterval(), 0);
    EXPECT_FALSE(profile.IsDefaultProfile());
    EXPECT_FALSE(profile.Monitoring());
    EXPECT_EQ(profile.AccountCount(), 0);

    TMailProfile open(&store, "", "Main", "");
    EXPECT_FALSE(open.PasswordProtected());
}

TEST(MailProfile, AddAccountForwardsToTheStore) {
    TTestStore store;
    TMailProfile* profile = store.AddProfile("Main", "");
    TMailAccount* account = profile->AddAccount(AccountKindIMAP, "a@example.org", "Anna", "pw");
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->Kind(), AccountKindIMAP);
    EXPECT_EQ(profile->AccountByIndex(0), account);
    EXPECT_EQ(store.CallCount("NewAccountKey"), 1);

    EXPECT_EQ(profile->AddAccount(3, "b@example.org", "B", ""), nullptr);
    EXPECT_EQ(profile->AccountCount(), 1);

    TMailProfile orphan(nullptr, "", "Orphan", "");
    EXPECT_EQ(orphan.AddAccount(AccountKindPOP, "c@example.org", "C", ""), nullptr);
}

TEST(MailProfile, AccountAccessAndSearch) {
    TTestStore store;
    TMailProfile* profile = store.AddProfile("Main", "");
    for (const char* key : {"account1", "Account2", "account2"}) {
        auto account = std::make_unique<TPOPMailAccount>(nullptr);
        account->SetAccountKey(key);
        EXPECT_EQ(profile->AppendAccount(std::move(account))->Profile(), profile);
    }
    EXPECT_EQ(profile->AccountByIndex(-1), nullptr);
    EXPECT_EQ(profile->AccountByIndex(3), nullptr);
    // The key compares exactly, case included.
    EXPECT_EQ(profile->FindAccount("account2"), profile->AccountByIndex(2));
    EXPECT_EQ(profile->FindAccount("Account2"), profile->AccountByIndex(1));
    EXPECT_EQ(profile->FindAccount("ACCOUNT1"), nullptr);
    EXPECT_EQ(profile->FindAccount(""), nullptr);

    auto taken = profile->ExtractAccount(0);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->AccountKey(), "account1");
    EXPECT_EQ(profile->AccountCount(), 2);
    EXPECT_EQ(profile->ExtractAccount(2), nullptr);
}

TEST(MailProfile, ClearDefaultWritesNoAccount) {
    TTestStore store(true);
    TMailProfile* profile = store.AddProfile("Main", "");
    profile->AddAccount(AccountKindPOP, "a@example.org", "a", "");
    profile->AddAccount(AccountKindPOP, "b@example.org", "b", "");
    const int saves = store.SaveCount();
    ASSERT_TRUE(profile->AccountByIndex(0)->IsDefault());
    profile->ClearDefault();
    EXPECT_FALSE(profile->AccountByIndex(0)->IsDefault());
    EXPECT_FALSE(profile->AccountByIndex(1)->IsDefault());
    EXPECT_EQ(store.SaveCount(), saves);
}

TEST(MailProfile, EffectiveSettingsComeFromTheStoreWhenAskedTo) {
    TTestStore store;
    store.SetCheckMailOnStartup(true);
    store.SetPollInterval(15);
    TMailProfile* profile = store.AddProfile("Main", "");
    profile->SetCheckMailOnStartup(false);
    profile->SetPollInterval(5);
    EXPECT_TRUE(profile->EffectiveCheckMailOnStartup());
    EXPECT_EQ(profile->EffectivePollInterval(), 15);

    profile->SetUseStoreSettings(false);
    EXPECT_FALSE(profile->EffectiveCheckMailOnStartup());
    EXPECT_EQ(profile->EffectivePollInterval(), 5);

    TMailProfile orphan(nullptr, "", "Orphan", "");
    orphan.SetPollInterval(7);
    EXPECT_EQ(orphan.EffectivePollInterval(), 7);
}

TEST(MailProfile, MonitoringSwitchesTheProfileMonitorAndEveryAccount) {
    TTestStore store;
    TMailProfile* profile = store.AddProfile("Main", "");
    profile->AddAccount(AccountKindPOP, "a@example.org", "a", "");
    profile->AddAccount(AccountKindPOP, "b@example.org", "b", "");
    store.Calls.clear();

    profile->SetMonitoring(true);
    profile->SetMonitoring(true);
    EXPECT_EQ(store.Calls, (std::vector<std::string>{"StartProfileMonitor", "StartAccountMonitor",
                                                     "StartAccountMonitor"}));
    EXPECT_EQ(profile->MonitorCount(), 1);
    EXPECT_TRUE(profile->AccountByIndex(1)->Monitoring());
    ASSERT_EQ(store.StartedMonitors.size(), 3u);
    EXPECT_EQ(&profile->MonitorByIndex(0), store.StartedMonitors[0].get());

    store.Calls.clear();
    profile->SetMonitoring(false);
    EXPECT_EQ(store.Calls, (std::vector<std::string>{"StopProfileMonitor", "StopAccountMonitor",
                                                     "StopAccountMonitor"}));
    for (const auto& monitor : store.StartedMonitors) {
        EXPECT_EQ(monitor->Terminations, 1);
    }
    EXPECT_EQ(profile->MonitorCount(), 0);
    EXPECT_FALSE(profile->AccountByIndex(0)->Monitoring());
    EXPECT_THROW(profile->MonitorByIndex(0), std::out_of_range);
}

} // namespace
