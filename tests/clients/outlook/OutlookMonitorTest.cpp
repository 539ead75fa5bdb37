// Change monitors of the Outlook 98/2000 and 2002/2003/2007 stores: Outlook changing the key of
// a watched account, in the shared account tree or in the profile's account section.

#include "OutlookTestSupport.h"

#include "clients/outlook/Outlook2002.h"
#include "clients/outlook/Outlook98.h"
#include "platform/RegText.h"

#include <accounts/MonitorLock.h>
#include <accounts/MonitorTestSupport.h>
#include <accounts/RegMonitorThread.h>
#include <accounts/TestStore.h>

using namespace outlook_test;
using namespace monitor_testing;
using accounts_testing::PropertyOf;

namespace {

const std::string OmiAccounts =
    "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager\\Accounts";
const std::string Manager = ProfilesNT + "\\Outlook\\9375CFF0413111d3B88A00104B2A6676";

TMailAccount& AccountWithKey(TMailAccounts& store, const std::string& key) {
    TMailAccount* found = store.DefaultProfile()->FindAccount(key);
    if (found == nullptr) {
        throw std::runtime_error("no account " + key + " in the default profile");
    }
    return *found;
}

class OutlookMonitor : public OutlookFixture {
protected:
    // Starts the account's monitor twice (one monitor results) and waits for it to watch.
    void Watch(TMailAccounts& store, TMailAccount& account) {
        store.SetOnAccountChanged(Reports.Handler());
        store.StartAccountMonitor(account);
        store.StartAccountMonitor(account);
        ASSERT_EQ(account.MonitorCount(), 1);
        EXPECT_NO_THROW(dynamic_cast<TRegMonitorThread&>(account.MonitorByIndex(0)));
        account.SetMonitoring(true);
        PrepareMonitors(account.Monitors());
    }
    void ExpectServerChangeReported(const TMailAccounts& store, const TMailAccount& account) {
        ASSERT_TRUE(Reports.WaitFor(1));
        const TReport report = Reports.All()[0];
        EXPECT_EQ(report.Sender, &store);
        EXPECT_EQ(report.Account, &account);
        EXPECT_EQ(PropertyOf(report.Before, PropertyId::PopIncomingServer),
                  TPropertyValue(std::string("pop.quenlix.example")));
        EXPECT_EQ(PropertyOf(report.Current, PropertyId::PopIncomingServer),
                  TPropertyValue(std::string("pop.quenlix.example.net")));
    }

    TReports Reports;
};

} // namespace

TEST_F(OutlookMonitor, Outlook2000ChangingTheSharedTreeIsReported) {
    InstallOutlook(Outlook2000Profiles(), 9);
    auto store = std::make_unique<TOutlook98MailAccounts>(false);
    TMailAccount& account = AccountWithKey(*store, "00000002");
    Watch(*store, account);
    {
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey("\\" + OmiAccounts + "\\00000002", false));
        registry.WriteString("POP3 Server", "pop.quenlix.example.net");
    }
    ExpectServerChangeReported(*store, account);
    store.reset(); // no report can come after this
    EXPECT_EQ(Reports.Count(), 1u);
}

TEST_F(OutlookMonitor, Outlook2003ChangingTheProfilesAccountKeyIsReported) {
    InstallOutlook(TestFile("fixtures/outlook2003_profile.reg"), 11);
    auto store = std::make_unique<TOutlookMailAccounts>(false);
    TMailAccount& account = AccountWithKey(*store, "00000003");
    Watch(*store, account);
    {
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey("\\" + Manager + "\\00000003", false));
        // Outlook 2003 writes its text as UTF-16 with a zero character, in a binary value.
        registry.WriteBinaryData("POP3 Server",
                                 platform::reg::StringToRegData("pop.quenlix.example.net"));
    }
    ExpectServerChangeReported(*store, account);
    store.reset();
    EXPECT_EQ(Reports.Count(), 1u);
}
