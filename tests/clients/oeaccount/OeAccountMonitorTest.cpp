// The change monitor of an .oeaccount account: the client rewriting the account's file while the
// store watches it.

#include "OeAccountTestSupport.h"

#include <accounts/FileMonitorThread.h>
#include <accounts/MonitorTestSupport.h>
#include <accounts/TestStore.h>
#include <platform/Files.h>

#include <gtest/gtest.h>

using namespace oeaccount_test;
using namespace monitor_testing;
using accounts_testing::PropertyOf;

namespace {

class OeAccountMonitorTest : public OeAccountFixture,
                             public ::testing::WithParamInterface<TClient> {
protected:
    void SetUp() override {
        Install(GetParam());
        WriteAccount("Quenlix\\account{1}.oeaccount", ClientPopAccount(Sealed("x")));
        Store = MakeStore(GetParam());
        Store->SetOnAccountChanged(Reports.Handler());
    }
    void TearDown() override { Store.reset(); }

    TReports Reports;
    std::unique_ptr<TOeAccountStore> Store;
};

TEST_P(OeAccountMonitorTest, WatchesTheAccountsFileOnceAndReportsTheClientsChange) {
    TMailAccount& account = *Store->AccountByIndex(0);
    Store->StartAccountMonitor(account);
    Store->StartAccountMonitor(account);
    ASSERT_EQ(account.MonitorCount(), 1);
    EXPECT_EQ(dynamic_cast<TFileMonitorThread&>(account.MonitorByIndex(0)).WatchedFile(),
              u"account{1}.oeaccount");
    PrepareMonitors(account.Monitors());

    WriteAccount("Quenlix\\account{1}.oeaccount", ClientPopAccountOnPop2(Sealed("x")));
    ASSERT_TRUE(Reports.WaitFor(1));
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.Account, &account);
    EXPECT_EQ(PropertyOf(report.Before, PropertyId::PopIncomingServer),
              TPropertyValue(std::string("pop.quenlix.example")));
    EXPECT_EQ(PropertyOf(report.Current, PropertyId::PopIncomingServer),
              TPropertyValue(std::string("pop2.quenlix.example")));
}

TEST_P(OeAccountMonitorTest, AnAccountNeverSavedHasNoFileToWatchUntilItsSave) {
    TMailAccount& account = *Store->AddAccount(AccountKindPOP, "a@b", "a@b", "pw");
    Store->StartAccountMonitor(account);
    EXPECT_EQ(account.MonitorCount(), 0);
    account.Save();
    Store->StartAccountMonitor(account);
    EXPECT_EQ(account.MonitorCount(), 1);
}

TEST_P(OeAccountMonitorTest, AnAccountFileTheClientAddsIsLoadedAndReported) {
    Store->SetMonitoring(true);
    PrepareStoreMonitors(*Store);
    WriteAccount("Other\\account{2}.oeaccount", ClientImapAccount(Sealed("i"), Sealed("s")));
    ASSERT_TRUE(Reports.WaitFor(1));
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.Previous, nullptr);
    EXPECT_EQ(report.AccountKey, StoreDir + "Other\\account{2}.oeaccount");
    EXPECT_EQ(Store->AccountCount(), 2);
    Store->SetMonitoring(false);
}

INSTANTIATE_TEST_SUITE_P(Clients, OeAccountMonitorTest,
                         ::testing::Values(TClient::WindowsMail, TClient::WindowsLiveMail),
                         ClientTestName);

} // namespace
