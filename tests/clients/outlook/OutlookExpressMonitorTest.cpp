// Change monitors of the Outlook Express store: Outlook Express changing an account key while
// the store watches it.

#include "OutlookExpressTestSupport.h"

#include <accounts/MonitorLock.h>
#include <accounts/MonitorTestSupport.h>
#include <accounts/RegMonitorThread.h>
#include <accounts/TestStore.h>

using namespace oe_test;
using namespace monitor_testing;
using accounts_testing::PropertyOf;

namespace {

class OutlookExpressMonitor : public OutlookExpressFixture {
protected:
    void SetUp() override { Install(TestFile("fixtures/two_identities.reg")); }
    // Outlook Express changes one value of an account key.
    static void OutlookExpressWrites(const std::string& key, const std::string& name,
                                     const std::string& text) {
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey("\\" + key, false));
        registry.WriteString(name, text);
        registry.CloseKey();
    }

    TReports Reports;
    std::unique_ptr<TOutlookExpressMailAccounts> Store;
};

} // namespace

TEST_F(OutlookExpressMonitor, OneRegistryMonitorWatchesTheKeyOfTheAccountsOwnTree) {
    Store = Load();
    TMailAccount& main = *Store->ProfileByIndex(1)->AccountByIndex(0);
    TMailAccount& second = *Store->ProfileByIndex(0)->AccountByIndex(0);
    Store->StartAccountMonitor(main);
    Store->StartAccountMonitor(main);
    Store->StartAccountMonitor(second);
    ASSERT_EQ(main.MonitorCount(), 1);
    ASSERT_EQ(second.MonitorCount(), 1);
    EXPECT_NO_THROW(dynamic_cast<TRegMonitorThread&>(main.MonitorByIndex(0)));
    EXPECT_NO_THROW(dynamic_cast<TRegMonitorThread&>(second.MonitorByIndex(0)));
}

TEST_F(OutlookExpressMonitor, AChangedServerIsReportedWithTheStateBefore) {
    Store = Load();
    Store->SetOnAccountChanged(Reports.Handler());
    TMailAccount& second = *Store->ProfileByIndex(0)->AccountByIndex(0);
    second.SetMonitoring(true);
    PrepareMonitors(second.Monitors());
    OutlookExpressWrites("Identities\\" + SecondIdentity + "\\" + TopAccounts + "\\00000001",
                         "IMAP Server", "imap.example.net");
    ASSERT_TRUE(Reports.WaitFor(1));
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.Sender, Store.get());
    EXPECT_EQ(report.Account, &second);
    EXPECT_EQ(PropertyOf(report.Before, PropertyId::ImapIncomingServer),
              TPropertyValue(std::string("imap.example.org")));
    EXPECT_EQ(PropertyOf(report.Current, PropertyId::ImapIncomingServer),
              TPropertyValue(std::string("imap.example.net")));
    Store.reset(); // no report can come after this
    EXPECT_EQ(Reports.Count(), 1u);
}
