// Registry monitors on a registry-based store: an account key written through the registry
// accessor or by another process rewriting the hive, deleted, and a new account key.

#include "MonitorTestSupport.h"
#include "TestStore.h"

#include "../platform/RegTestText.h"
#include "accounts/MonitorLock.h"
#include "accounts/MonitorStart.h"
#include "accounts/RegMonitorThread.h"
#include "accounts/RegistryHelpers.h"
#include "support/TestSystem.h"

#include <filesystem>
#include <fstream>
#include <thread>

using namespace monitor_testing;
using accounts_testing::PropertyOf;
using accounts_testing::Text;
using platform::HKEY_CURRENT_USER;
using testing_support::TTestSystem;

namespace {

const std::string AccountsKey = "Software\\Client\\Accounts";

const std::string UserHive = R"([HKEY_CURRENT_USER\Software\Client\Accounts\00000001]
"Account Name"="Erika"
"POP3 Server"="pop.example.com"
"POP3 Password"="Geheim-1"

[HKEY_CURRENT_USER\Software\Client\Accounts\00000002]
"Account Name"="Max"
"POP3 Server"="pop.example.org"
)";

// A store in the manner of the registry-based clients: one key per account below the
// profile's AccountsLocation.
class TRegistryStore : public TMonitoredStore {
public:
    TRegistryStore() : TMonitoredStore(false, true) {
        TMailProfile* profile = AddProfile("Main", "");
        profile->SetAccountsLocation(AccountsKey);
        for (const std::string& key : ListRegistryAccountKeys(profile)) {
            profile->AppendAccount(LoadAccount(profile, key, ""));
        }
    }
    ~TRegistryStore() override { ShutDownMonitors(); }

    std::unique_ptr<TMailAccount> LoadAccount(TMailProfile* profile, const std::string& key,
                                              const std::string&) override {
        auto account = std::make_unique<TPOPMailAccount>(profile);
        account->SetAccountKey(key);
        account->SetStoreLocation(AccountsKey + "\\" + key);
        platform::TRegistry reg(HKEY_CURRENT_USER);
        if (!reg.OpenKeyReadOnly(account->StoreLocation())) {
            return nullptr;
        }
        ReadPOPAccount(reg, *account);
        return account;
    }
    void StartMonitorOf(TMailAccount& account) override {
        StartRegistryAccountMonitor(*this, account, HKEY_CURRENT_USER, account.StoreLocation());
    }
    void ReloadPOPAccount(TMailAccount& account) override { ReloadPOPAccountFromRegistry(account); }
    void ReadPOPAccount(platform::TRegistry& key, TMailAccount& account) override {
        account.SetAccountName(ReadRegStringChecked(key, "Account Name"));
        account.SetPassword(ReadRegStringChecked(key, "POP3 Password"));
        dynamic_cast<TPOPMailAccount&>(account).SetIncomingServer(
            ReadRegStringChecked(key, "POP3 Server"));
    }
};

void WriteValue(const std::string& key, const std::string& name, const std::string& value) {
    platform::TRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(key, true));
    reg.WriteString(name, value);
}

class RegMonitor : public ::testing::Test {
protected:
    RegMonitor() { Store.SetOnAccountChanged(Reports.Handler()); }

    void StartMonitoring() {
        Store.SetMonitoring(true);
        PrepareStoreMonitors(Store);
    }
    TMailAccount& Account(int index) { return *Store.AccountByIndex(index); }
    // Once the lock is ours, the handling that made the last report (detaching included) is over.
    static void WaitUntilHandled() { TMonitorLockHolder hold; }

    TTestSystem System{"", "", UserHive};
    TLogRecorder Log;
    TReports Reports;
    TRegistryStore Store;
};

TEST_F(RegMonitor, AValueWrittenFromAnotherThreadIsReportedWithBothStates) {
    StartMonitoring();
    std::thread([] {
        WriteValue(AccountsKey + "\\00000001", "POP3 Server", "pop.example.net");
    }).join();
    ASSERT_TRUE(Reports.WaitFor(1));
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.Sender, &Store);
    EXPECT_EQ(report.Account, &Account(0));
    ASSERT_NE(report.Previous, nullptr);
    EXPECT_NE(report.Previous, report.Account);
    EXPECT_EQ(PropertyOf(report.Before, PropertyId::PopIncomingServer), Text("pop.example.com"));
    EXPECT_EQ(PropertyOf(report.Current, PropertyId::PopIncomingServer), Text("pop.example.net"));
    EXPECT_TRUE(Log.WaitFor("account Erikawas changed"));
}

TEST_F(RegMonitor, AHiveRewrittenByAnotherProcessIsReported) {
    StartMonitoring();
    const std::filesystem::path file = System.Root() / "registry" / "HKEY_CURRENT_USER.reg";
    std::string body = UserHive;
    body.replace(body.find("\"Max\""), 5, "\"Max M.\"");
    std::ofstream(file.string() + ".new", std::ios::binary)
        << reg_test::Utf16File("Windows Registry Editor Version 5.00\n\n" + body);
    std::filesystem::rename(file.string() + ".new", file);

    ASSERT_TRUE(Reports.WaitFor(1));
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.AccountKey, "00000002");
    EXPECT_EQ(PropertyOf(report.Before, PropertyId::AccountName), Text("Max"));
    EXPECT_EQ(Account(1).AccountName(), "Max M.");
}

TEST_F(RegMonitor, ADeletedKeyReportsTheAccountDeletedAndDetachesIt) {
    StartMonitoring();
    platform::TRegistry(HKEY_CURRENT_USER).DeleteKey(AccountsKey + "\\00000001");
    ASSERT_TRUE(Reports.WaitFor(1));
    WaitUntilHandled();
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.Account, nullptr);
    EXPECT_EQ(report.PreviousKey, "00000001");
    EXPECT_EQ(PropertyOf(report.Before, PropertyId::AccountName), Text("Erika"));
    ASSERT_EQ(Store.AccountCount(), 1);
    EXPECT_EQ(Account(0).AccountKey(), "00000002");
    EXPECT_EQ(Log.Count("account Erikawas deleted"), 1);
}

TEST_F(RegMonitor, ANewAccountKeyIsLoadedReportedAndWatched) {
    StartMonitoring();
    WriteValue(AccountsKey + "\\00000003", "Account Name", "Neu");
    ASSERT_TRUE(Reports.WaitFor(1));
    WaitUntilHandled();
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.AccountKey, "00000003");
    EXPECT_EQ(report.Previous, nullptr);
    ASSERT_EQ(Store.AccountCount(), 3);
    EXPECT_TRUE(Account(2).Monitoring());
    EXPECT_EQ(Account(2).MonitorCount(), 1);
}

TEST_F(RegMonitor, StartingTwiceLeavesOneSetOfMonitors) {
    TMailProfile& profile = *Store.DefaultProfile();
    Store.StartAccountMonitor(Account(0));
    Store.StartAccountMonitor(Account(0));
    Store.StartProfileMonitor(profile);
    Store.StartProfileMonitor(profile);
    EXPECT_EQ(Account(0).MonitorCount(), 1);
    EXPECT_EQ(profile.MonitorCount(), 1);
    auto& monitor = dynamic_cast<TRegMonitorThread&>(Account(0).MonitorByIndex(0));
    EXPECT_EQ(monitor.KeyPath(), AccountsKey + "\\00000001");
    EXPECT_TRUE(monitor.WatchSubtree());
    EXPECT_EQ(monitor.NotifyFilter(), 15u);
    EXPECT_EQ(monitor.Delay(), 500);
    EXPECT_EQ(dynamic_cast<TRegMonitorThread&>(profile.MonitorByIndex(0)).NotifyFilter(), 1u);
}

TEST_F(RegMonitor, WithoutAHandlerMonitorsWatchButHandleNothing) {
    Store.SetOnAccountChanged({});
    StartMonitoring();
    EXPECT_FALSE(dynamic_cast<TMonitorThread&>(Account(0).MonitorByIndex(0)).HasCallback());
}

TEST_F(RegMonitor, AKeyThatCannotBeOpenedEndsTheMonitor) {
    TMailMonitorList monitors;
    auto monitor = std::make_shared<TRegMonitorThread>(HKEY_CURRENT_USER, nullptr, nullptr, true,
                                                       "Software\\Missing");
    LaunchMonitor(monitors, monitor);
    EXPECT_FALSE(monitor->WaitUntilWatching(PatienceMs));
    monitor->WaitFor();
    EXPECT_EQ(monitor->FatalError(), "Unable to open registry key Software\\Missing");
}

TEST_F(RegMonitor, StoppingWaitsForTheMonitorsAndLeavesNoThread) {
    StartMonitoring();
    EXPECT_EQ(RunningMonitorCount(), 3);
    Store.SetMonitoring(false);
    EXPECT_EQ(RunningMonitorCount(), 0);
    EXPECT_EQ(Account(0).MonitorCount(), 0);
}

// Another thread keeps changing the accounts (a value, a key deleted and made again, a new
// key) while stores watching them are made and destroyed.
TEST_F(RegMonitor, StoresDestroyedWhileTheirMonitorsAreBusyLeaveNoThread) {
    TBusyThread client([](int i) {
        WriteValue(AccountsKey + "\\00000001", "POP3 Server",
                   "pop" + std::to_string(i % 3) + ".example.com");
        if (i % 4 == 0) {
            platform::TRegistry(HKEY_CURRENT_USER).DeleteKey(AccountsKey + "\\00000002");
        } else if (i % 4 == 2) {
            WriteValue(AccountsKey + "\\00000002", "Account Name", "Max");
        }
    });
    const int rounds = MonitorRounds();
    for (int round = 0; round < rounds; ++round) {
        TReports reports;
        auto store = std::make_unique<TRegistryStore>();
        store->SetOnAccountChanged(reports.Handler());
        store->SetMonitoring(true);
        PrepareStoreMonitors(*store, false);
        ASSERT_TRUE(reports.WaitFor(1)) << "round " << round;
        store.reset();
        ASSERT_EQ(RunningMonitorCount(), 0) << "round " << round;
        platform::JoinEndedThreads();
        ASSERT_EQ(platform::LiveThreadCount(), 0u) << "round " << round;
    }
}

} // namespace
