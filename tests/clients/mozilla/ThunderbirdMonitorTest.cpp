// Change monitors of the Thunderbird store: another process (Thunderbird) rewriting a
// profile's prefs.js or signons.txt while the store watches them.

#include "ThunderbirdTestSupport.h"

#include <accounts/FileMonitorThread.h>
#include <accounts/MonitorLock.h>
#include <accounts/MonitorTestSupport.h>
#include <accounts/TestStore.h>
#include <platform/Files.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace thunderbird_test;
using namespace monitor_testing;
using accounts_testing::PropertyOf;
namespace fs = std::filesystem;

const std::string kProfile = "watch.default";

std::string ErikaPrefs(const std::string& popHost) {
    return Str("mail.account.account1.server", "server1") +
           Str("mail.server.server1.type", "none") +
           Str("mail.account.account2.server", "server2") +
           Str("mail.account.account2.identities", "id1") +
           Str("mail.identity.id1.fullName", "Erika Muster") +
           Str("mail.identity.id1.useremail", "erika@example.com") +
           Str("mail.identity.id1.smtpServer", "smtp1") + Str("mail.server.server2.type", "pop3") +
           Str("mail.server.server2.hostname", popHost) +
           Str("mail.server.server2.userName", "erika") +
           Bool("mail.server.server2.remember_password", true) +
           Str("mail.smtpserver.smtp1.hostname", "smtp.example.com") +
           Str("mail.smtpservers", "smtp1");
}

std::string MaxPrefs() {
    return Str("mail.account.account3.server", "server3") +
           Str("mail.account.account3.identities", "id2") +
           Str("mail.identity.id2.fullName", "Max") +
           Str("mail.identity.id2.useremail", "max@example.org") +
           Str("mail.server.server3.type", "pop3") +
           Str("mail.server.server3.hostname", "pop.example.org") +
           Str("mail.server.server3.userName", "max");
}

const std::string kSignons = "#2c\r\n.\r\n"
                             "mailbox://erika@pop.example.com\r\n\\=username=\\\r\n~\r\n"
                             "*\\=password=\\\r\n~RXJpa2EtU2VjcmV0\r\n.\r\n";

class ThunderbirdMonitor : public ThunderbirdFixture {
protected:
    void SetUp() override {
        InstallExe();
        WriteSingleProfile(kProfile);
        System.WriteFile(PrefsPath(), PrefsFile("account1,account2", "pop.example.com"));
        System.WriteFile(Dir() + "\\signons.txt", kSignons);
    }

    std::string Dir() const { return ProfileDir(kProfile); }
    std::string PrefsPath() const { return Dir() + "\\prefs.js"; }
    // prefs.js listing the accounts of list: Erika's with its POP host, and Max's if asked.
    static std::string PrefsFile(const std::string& list, const std::string& popHost,
                                 bool withMax = false) {
        return kHeader + Str("mail.accountmanager.accounts", list) + ErikaPrefs(popHost) +
               (withMax ? MaxPrefs() : "");
    }

    // Thunderbird writes prefs.js anew and renames it over the old one; the new file is written
    // later than the old one.
    void ThunderbirdWrites(const std::string& windowsPath, const std::string& text) {
        const fs::path file = System.Host(windowsPath);
        const fs::path temp = file.string() + ".tmp";
        std::ofstream(temp, std::ios::binary | std::ios::trunc) << text;
        fs::last_write_time(temp, fs::last_write_time(file) + std::chrono::seconds(2));
        fs::rename(temp, file);
    }
    void WatchAccounts() {
        Store = Open();
        Store->SetOnAccountChanged(Reports.Handler());
        for (int i = 0; i < Store->AccountCount(); ++i) {
            Store->AccountByIndex(i)->SetMonitoring(true);
            PrepareMonitors(Store->AccountByIndex(i)->Monitors());
        }
    }
    // Waits until every notification so far was found to change nothing the file checks look
    // at, and both monitors of the account have had one.
    bool WaitUntilAllFoundNoDifference() {
        const std::string notified = "Filechange notified on " + Dir() + "\\ (";
        return Log.WaitUntil([&](const std::vector<TLogEntry>& entries) {
            int prefs = 0, signons = 0, none = 0;
            for (const TLogEntry& entry : entries) {
                prefs += entry.Text == notified + "prefs.js)" ? 1 : 0;
                signons += entry.Text == notified + "signons.txt)" ? 1 : 0;
                none += entry.Text == "no difference found" ? 1 : 0;
            }
            return prefs > 0 && signons > 0 && none == prefs + signons;
        });
    }
    static void WaitUntilHandled() { TMonitorLockHolder hold; }
    const TLogEntry* FindEntry(const std::vector<TLogEntry>& entries, const std::string& text) {
        for (const TLogEntry& entry : entries) {
            if (entry.Text == text) {
                return &entry;
            }
        }
        return nullptr;
    }

    TLogRecorder Log;
    TReports Reports;
    std::unique_ptr<TThunderbirdMailAccounts> Store;
};

TEST_F(ThunderbirdMonitor, StartsOneMonitorOnPrefsAndOneOnSignonsOnce) {
    System.WriteFile(Dir() + "\\signons.txt", "");
    ASSERT_TRUE(platform::DeleteFile(Dir() + "\\signons.txt"));
    Store = Open();
    TMailAccount& erika = *Store->AccountByIndex(0);
    Store->StartAccountMonitor(erika);
    Store->StartAccountMonitor(erika);
    ASSERT_EQ(erika.MonitorCount(), 2);
    const auto& prefs = dynamic_cast<TFileMonitorThread&>(erika.MonitorByIndex(0));
    const auto& signons = dynamic_cast<TFileMonitorThread&>(erika.MonitorByIndex(1));
    EXPECT_EQ(prefs.WatchedFile(), u"prefs.js");
    EXPECT_EQ(signons.WatchedFile(), u"signons.txt");
    EXPECT_EQ(Log.Count("invoked FileMonitoring for not existing file " + Dir() + "\\signons.txt"),
              1);
}

TEST_F(ThunderbirdMonitor, AChangedServerIsReportedOnceAndLoggedWithoutPasswords) {
    WatchAccounts();
    ThunderbirdWrites(PrefsPath(), PrefsFile("account1,account2", "pop.example.net"));
    ASSERT_TRUE(Reports.WaitFor(1));
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.Sender, Store.get());
    EXPECT_EQ(report.Account, Store->AccountByIndex(0));
    EXPECT_EQ(PropertyOf(report.Before, PropertyId::PopIncomingServer),
              TPropertyValue(std::string("pop.example.com")));
    EXPECT_EQ(PropertyOf(report.Current, PropertyId::PopIncomingServer),
              TPropertyValue(std::string("pop.example.net")));
    // The stored password belongs to the old host: the account has none now.
    EXPECT_EQ(PropertyOf(report.Before, PropertyId::Password),
              TPropertyValue(std::string("Erika-Secret")));
    EXPECT_EQ(PropertyOf(report.Current, PropertyId::Password), TPropertyValue(std::string()));

    ASSERT_TRUE(Log.WaitFor("call OnDataChangedNotification for account Erika Muster"));
    const auto entries = Log.Entries();
    const TLogEntry* changed = FindEntry(entries, "account Erika Musterwas changed");
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->Lines,
              (std::vector<std::string>{"4 new: \"<hidden>\", old : \"<hidden>\"",
                                        "26 new: \"pop.example.net\", old : \"pop.example.com\""}));
    EXPECT_EQ(Log.AllText().find("Erika-Secret"), std::string::npos);
    Store.reset(); // no report can come after this
    EXPECT_EQ(Reports.Count(), 1u);
}

TEST_F(ThunderbirdMonitor, AnIdenticalRewriteIsReportedAsNoChange) {
    WatchAccounts();
    ThunderbirdWrites(PrefsPath(), PrefsFile("account1,account2", "pop.example.com"));
    ASSERT_TRUE(Reports.WaitFor(1));
    EXPECT_EQ(Log.Count("account Erika Mustertriggered change, but no change was detected"), 1);
    EXPECT_EQ(Reports.All()[0].Account, Store->AccountByIndex(0));
    EXPECT_NE(Reports.All()[0].Previous, nullptr);
}

TEST_F(ThunderbirdMonitor, AChangeNoFileCheckLooksAtIsNotHandled) {
    WatchAccounts();
    System.WriteFile(Dir() + "\\times.json", "{}");
    ASSERT_TRUE(WaitUntilAllFoundNoDifference());
    WaitUntilHandled();
    EXPECT_EQ(Log.Count("call OnDataChangedNotification for account Erika Muster"), 0);
    EXPECT_EQ(Reports.Count(), 0u);
}

TEST_F(ThunderbirdMonitor, ADeletedPasswordFileKeepsTheAccount) {
    WatchAccounts();
    TMailAccount* erika = Store->AccountByIndex(0);
    ASSERT_TRUE(platform::DeleteFile(Dir() + "\\signons.txt"));
    ASSERT_TRUE(Reports.WaitFor(1));
    WaitUntilHandled();
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.Account, erika);
    EXPECT_EQ(PropertyOf(report.Current, PropertyId::Password), TPropertyValue(std::string()));
    ASSERT_EQ(Store->AccountCount(), 1);
    EXPECT_EQ(Store->AccountByIndex(0), erika);
    EXPECT_EQ(Log.Count("account Erika Musterwas deleted"), 0);
}

TEST_F(ThunderbirdMonitor, AnAccountNoLongerListedIsReportedDeletedAndDetached) {
    System.WriteFile(PrefsPath(), PrefsFile("account1,account2,account3", "pop.example.com", true));
    WatchAccounts();
    ASSERT_EQ(Store->AccountCount(), 2);
    ThunderbirdWrites(PrefsPath(), PrefsFile("account1,account2", "pop.example.com", true));
    ASSERT_TRUE(Reports.WaitFor(2)); // Max deleted; Erika unchanged
    WaitUntilHandled();
    bool maxReported = false;
    for (const TReport& report : Reports.All()) {
        if (report.PreviousKey == "account3") {
            maxReported = report.Account == nullptr;
        }
    }
    EXPECT_TRUE(maxReported);
    EXPECT_EQ(Log.Count("account Maxwas deleted"), 1);
    ASSERT_EQ(Store->AccountCount(), 1);
    EXPECT_EQ(Store->AccountByIndex(0)->AccountKey(), "account2");
}

TEST_F(ThunderbirdMonitor, APrefsFileAppearingInAnEmptyProfileBringsItsAccount) {
    ASSERT_TRUE(platform::DeleteFile(PrefsPath()));
    Store = Open();
    Store->SetOnAccountChanged(Reports.Handler());
    ASSERT_EQ(Store->AccountCount(), 0);
    Store->SetMonitoring(true);
    PrepareStoreMonitors(*Store);
    System.WriteFile(PrefsPath(), PrefsFile("account1,account2", "pop.example.com"));
    ASSERT_TRUE(Reports.WaitFor(1));
    WaitUntilHandled();
    EXPECT_EQ(Reports.All()[0].AccountKey, "account2");
    EXPECT_EQ(Reports.All()[0].Previous, nullptr);
    ASSERT_EQ(Store->AccountCount(), 1);
    EXPECT_EQ(Store->AccountByIndex(0)->MonitorCount(), 2);
}

// Thunderbird keeps rewriting the profile (a server changes, an account comes and goes, the
// password file goes and comes back) while stores watching it are made and destroyed.
TEST_F(ThunderbirdMonitor, StoresDestroyedWhileTheirMonitorsAreBusyLeaveNoThread) {
    TBusyThread thunderbird([this](int i) {
        const std::string list = i % 4 < 2 ? "account1,account2,account3" : "account1,account2";
        ThunderbirdWrites(PrefsPath(),
                          PrefsFile(list, i % 2 ? "pop.example.net" : "pop.example.com", true));
        if (i % 3 == 0) {
            platform::DeleteFile(Dir() + "\\signons.txt");
            System.WriteFile(Dir() + "\\signons.txt", kSignons);
        }
    });
    const int rounds = MonitorRounds();
    for (int round = 0; round < rounds; ++round) {
        TReports reports;
        auto store = Open();
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
