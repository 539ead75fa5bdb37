// Account fields, the write-through setters and their special rules.

#include "TestStore.h"

#include <gtest/gtest.h>

using accounts_testing::PropertyOf;
using accounts_testing::Text;
using accounts_testing::TRecordingMonitor;
using accounts_testing::TTestStore;

namespace {

// A store with one profile holding the given number of POP accounts (made without saving).
struct TStoreWithAccounts {
    explicit TStoreWithAccounts(int count, bool autoSave = false) : Store(false) {
        Profile = Store.AddProfile("Main", "");
        for (int i = 0; i < count; ++i) {
            Profile->AddAccount(AccountKindPOP, "a" + std::to_string(i) + "@example.org", "a", "");
        }
        Store.Calls.clear();
        Store.SetAutoSave(autoSave);
    }
    TMailAccount& Account(int index) { return *Profile->AccountByIndex(index); }
    TTestStore Store;
    TMailProfile* Profile = nullptr;
};

TEST(MailAccount, KindsStartWithTheirDefaults) {
    TPOPMailAccount pop(nullptr);
    EXPECT_EQ(pop.Kind(), 1);
    EXPECT_EQ(pop.IncomingPort(), 110);
    EXPECT_EQ(pop.ExpireDays(), 5);
    EXPECT_EQ(pop.IncomingTimeout(), 60);
    EXPECT_FALSE(pop.LeaveOnServer());
    EXPECT_FALSE(pop.RemoveWhenDeleted());

    TIMAPMailAccount imap(nullptr);
    EXPECT_EQ(imap.Kind(), 2);
    EXPECT_EQ(imap.IncomingPort(), 143);
    EXPECT_EQ(imap.ExpireDays(), 30);
    EXPECT_EQ(imap.RetainCount(), 30);
    EXPECT_FALSE(imap.RetainByCount());

    for (const TMailAccount* account :
         {static_cast<const TMailAccount*>(&pop), static_cast<const TMailAccount*>(&imap)}) {
        EXPECT_EQ(account->SmtpPort(), 25);
        EXPECT_EQ(account->SmtpTimeout(), 60);
        EXPECT_EQ(account->SmtpAuthMode(), 0);
        EXPECT_EQ(account->ConnectionType(), 0);
        EXPECT_FALSE(account->RemoveWhenExpired());
        EXPECT_FALSE(account->IsDefault());
        EXPECT_FALSE(account->IsNew());
        EXPECT_TRUE(account->AccountName().empty());
        EXPECT_EQ(account->StoreData().Count(), 0);
        EXPECT_EQ(account->MonitorCount(), 0);
        EXPECT_EQ(account->Profile(), nullptr);
    }
}

TEST(MailAccount, WithAutoSaveOffSettersWriteNothingAndSaveWritesOnce) {
    TStoreWithAccounts fixture(1, false);
    auto& account = dynamic_cast<TPOPMailAccount&>(fixture.Account(0));
    account.SetAccountName("Anna");
    account.SetSmtpServer("smtp.example.org");
    account.SetSmtpPort(465);
    account.SetSmtpUseSSL(true);
    account.SetIncomingServer("pop.example.org");
    account.SetLeaveOnServer(true);
    account.SetIsDefault(true);
    EXPECT_EQ(fixture.Store.SaveCount(), 0);

    account.Save();
    ASSERT_EQ(fixture.Store.SaveCount(), 1);
    const auto& saved = fixture.Store.SavedStates[0];
    EXPECT_EQ(PropertyOf(saved, PropertyId::AccountName), Text("Anna"));
    EXPECT_EQ(PropertyOf(saved, PropertyId::SmtpPort), TPropertyValue(std::int64_t{465}));
    EXPECT_EQ(PropertyOf(saved, PropertyId::LeaveOnServer), TPropertyValue(true));
}

TEST(MailAccount, WithAutoSaveOnEverySetterWritesTheStoredValue) {
    TStoreWithAccounts fixture(1, true);
    auto& account = dynamic_cast<TIMAPMailAccount&>(
        *fixture.Profile->AppendAccount(std::make_unique<TIMAPMailAccount>(fixture.Profile)));

    account.SetSmtpServer("smtp.example.org");
    ASSERT_EQ(fixture.Store.SaveCount(), 1);
    // The value is stored before the save runs.
    EXPECT_EQ(PropertyOf(fixture.Store.SavedStates[0], PropertyId::SmtpServer),
              Text("smtp.example.org"));

    account.SetSmtpServer("smtp.example.org"); // unchanged: still written
    account.SetRootFolder("INBOX");
    account.SetRetainCount(10);
    account.SetConnectionType(3);
    account.SetSmtpAuthMode(1);
    EXPECT_EQ(fixture.Store.SaveCount(), 6);
    EXPECT_EQ(PropertyOf(fixture.Store.SavedStates[5], PropertyId::SmtpAuthMode),
              TPropertyValue(std::int64_t{1}));
}

TEST(MailAccount, StoreAssignedFieldsAndMonitoringNeverSave) {
    TStoreWithAccounts fixture(1, true);
    auto& account = fixture.Account(0);
    account.SetAccountKey("account9");
    account.SetStoreLocation("C:\\prefs.js");
    account.SetIsNew(false);
    account.StoreData().SetValue("server", "server2");
    account.AssignIsDefault(false);
    account.SetMonitoring(true);
    account.SetMonitoring(false);
    EXPECT_EQ(fixture.Store.SaveCount(), 0);
}

TEST(MailAccount, WithoutProfileSettersAndSaveDoNothingElse) {
    TPOPMailAccount account(nullptr);
    account.SetAccountName("x");
    account.SetIsDefault(true);
    account.Save();
    account.Reload();
    account.Detach();
    EXPECT_EQ(account.AccountName(), "x");
    EXPECT_TRUE(account.IsDefault());
}

TEST(MailAccount, OnlyOneDefaultAccountPerProfile) {
    TStoreWithAccounts fixture(3);
    // Account creation made the first one the default.
    EXPECT_TRUE(fixture.Account(0).IsDefault());

    fixture.Account(1).SetIsDefault(true);
    EXPECT_FALSE(fixture.Account(0).IsDefault());
    EXPECT_TRUE(fixture.Account(1).IsDefault());
    EXPECT_FALSE(fixture.Account(2).IsDefault());

    fixture.Account(2).SetIsDefault(true);
    EXPECT_FALSE(fixture.Account(1).IsDefault());
    EXPECT_TRUE(fixture.Account(2).IsDefault());

    fixture.Account(2).SetIsDefault(false);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(fixture.Account(i).IsDefault()) << i;
    }
}

TEST(MailAccount, DefaultSwitchSavesOnlyTheAccountItself) {
    TStoreWithAccounts fixture(3, true);
    fixture.Account(1).SetIsDefault(true);
    ASSERT_EQ(fixture.Store.SaveCount(), 1);
    EXPECT_EQ(PropertyOf(fixture.Store.SavedStates[0], PropertyId::AccountKey),
              TPropertyValue(fixture.Account(1).AccountKey()));
    // Setting false leaves the other accounts alone.
    fixture.Account(0).SetIsDefault(false);
    EXPECT_TRUE(fixture.Account(1).IsDefault());
}

TEST(MailAccount, SslAndTlsExcludeEachOther) {
    TPOPMailAccount account(nullptr);
    account.SetSmtpUseSSL(true);
    account.SetSmtpUseTLS(true);
    EXPECT_TRUE(account.SmtpUseTLS());
    EXPECT_FALSE(account.SmtpUseSSL());

    account.SetSmtpUseSSL(true);
    EXPECT_TRUE(account.SmtpUseSSL());
    EXPECT_FALSE(account.SmtpUseTLS());

    // Switching one off leaves the other as it is.
    account.SetSmtpUseTLS(false);
    EXPECT_TRUE(account.SmtpUseSSL());
    account.SetSmtpUseTLS(true);
    account.SetSmtpUseSSL(false);
    EXPECT_TRUE(account.SmtpUseTLS());
}

TEST(MailAccount, MonitoringSwitchAsksTheStoreOnlyOnChange) {
    TStoreWithAccounts fixture(1);
    auto& account = fixture.Account(0);
    account.SetMonitoring(true);
    account.SetMonitoring(true);
    EXPECT_EQ(fixture.Store.CallCount("StartAccountMonitor"), 1);
    ASSERT_EQ(account.MonitorCount(), 1);
    EXPECT_EQ(dynamic_cast<TRecordingMonitor&>(account.MonitorByIndex(0)).Terminations, 0);

    account.SetMonitoring(false);
    account.SetMonitoring(false);
    EXPECT_EQ(fixture.Store.CallCount("StopAccountMonitor"), 1);
    EXPECT_EQ(account.MonitorCount(), 0);
    ASSERT_EQ(fixture.Store.StartedMonitors.size(), 1u);
    EXPECT_EQ(fixture.Store.StartedMonitors[0]->Terminations, 1);
}

TEST(MailAccount, MonitorAccessOutOfRangeRaises) {
    TPOPMailAccount account(nullptr);
    auto monitor = std::make_shared<TRecordingMonitor>();
    account.AddMonitor(monitor);
    EXPECT_EQ(&account.MonitorByIndex(0), monitor.get());
    for (int index : {-1, 1}) {
        try {
            account.MonitorByIndex(index);
            FAIL() << "no error for index " << index;
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "Index out of bounds");
        }
    }
}

TEST(MailAccount, DestroyingAnAccountStopsItsMonitors) {
    auto monitor = std::make_shared<TRecordingMonitor>();
    {
        TPOPMailAccount account(nullptr);
        account.AddMonitor(monitor);
    }
    EXPECT_EQ(monitor->Terminations, 1);
}

TEST(MailAccount, ReloadGoesToTheKindsOperationAndSwallowsErrors) {
    TStoreWithAccounts fixture(0);
    auto* pop = fixture.Profile->AppendAccount(std::make_unique<TPOPMailAccount>(nullptr));
    auto* imap = fixture.Profile->AppendAccount(std::make_unique<TIMAPMailAccount>(nullptr));
    pop->Reload();
    imap->Reload();
    EXPECT_EQ(fixture.Store.Calls,
              (std::vector<std::string>{"ReloadPOPAccount", "ReloadIMAPAccount"}));

    fixture.Store.ReloadAction = [](TMailAccount& account) {
        account.SetAccountName("half read");
        throw std::runtime_error("file vanished");
    };
    EXPECT_NO_THROW(pop->Reload());
    EXPECT_EQ(pop->AccountName(), "half read");
}

TEST(MailAccount, SnapshotHoldsTheStateBeforeTheReload) {
    TStoreWithAccounts fixture(1);
    auto& account = fixture.Account(0);
    account.SetSmtpServer("old.example.org");
    fixture.Store.ReloadAction = [](TMailAccount& a) {
        a.SetSmtpServer("new.example.org");
    };

    auto previous = account.SnapshotAndReload();
    EXPECT_EQ(previous->SmtpServer(), "old.example.org");
    EXPECT_EQ(account.SmtpServer(), "new.example.org");
    EXPECT_EQ(fixture.Profile->AccountCount(), 1);
}

TEST(MailAccount, DetachRemovesAndDestroysTheAccount) {
    TStoreWithAccounts fixture(2);
    TMailAccount* second = fixture.Profile->AccountByIndex(1);
    second->Detach();
    EXPECT_EQ(fixture.Store.CallCount("DeleteAccount"), 1);
    ASSERT_EQ(fixture.Profile->AccountCount(), 1);
    EXPECT_EQ(fixture.Profile->AccountByIndex(0)->AccountKey(), "account1");
}

} // namespace
