// File monitors: their construction, and a store with one file per account in a folder of its
// own below the profile's AccountsLocation, as the XML-file clients keep them.

#include "MonitorTestSupport.h"
#include "TestStore.h"

#include "accounts/FileMonitorThread.h"
#include "accounts/MonitorLock.h"
#include "accounts/MonitorStart.h"
#include "platform/Files.h"
#include "support/TestSystem.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace monitor_testing;
using accounts_testing::PropertyOf;
using accounts_testing::Text;
using testing_support::TTestSystem;

namespace {

namespace fs = std::filesystem;

const std::string MailDir = "C:\\Mail";
const std::string ErikaFile = "C:\\Mail\\Erika\\erika.acct";

std::string AccountText(const std::string& name, const std::string& server,
                        const std::string& password) {
    return "name=" + name + "\nserver=" + server + "\npassword=" + password + "\n";
}

// Another process replaces the file: a new file, written later than the old one, renamed over
// it.
void ReplaceLater(const TTestSystem& system, const std::string& path, const std::string& text) {
    const fs::path file = system.Host(path);
    const fs::path temp = file.string() + ".new";
    std::ofstream(temp, std::ios::binary | std::ios::trunc) << text;
    fs::last_write_time(temp, fs::last_write_time(file) + std::chrono::seconds(2));
    fs::rename(temp, file);
}

// A store with one account file per folder: name=, server=, password= lines.
class TFileStore : public TMonitoredStore {
public:
    TFileStore() {
        TMailProfile* profile = AddProfile("Main", "");
        profile->SetAccountsLocation(MailDir + "\\");
        profile->SetAccountFilePattern("*.acct");
        for (const std::string& file : ListAccountFiles(profile)) {
            profile->AppendAccount(LoadAccount(profile, file, ""));
        }
    }
    ~TFileStore() override { ShutDownMonitors(); }

    std::unique_ptr<TMailAccount> LoadAccount(TMailProfile* profile, const std::string& key,
                                              const std::string&) override {
        auto account = std::make_unique<TPOPMailAccount>(profile);
        account->SetAccountKey(key);
        account->SetStoreLocation(key);
        Read(*account);
        return account;
    }
    void StartMonitorOf(TMailAccount& account) override {
        StartFileAccountMonitor(*this, account, account.AccountKey(), false);
    }
    void ReloadPOPAccount(TMailAccount& account) override { Read(account); }

private:
    static void Read(TMailAccount& account) {
        std::istringstream lines(platform::ReadFileBytes(account.StoreLocation()).value_or(""));
        for (std::string line; std::getline(lines, line);) {
            const std::string value = line.substr(line.find('=') + 1);
            if (line.starts_with("name=")) {
                account.SetAccountName(value);
            } else if (line.starts_with("server=")) {
                dynamic_cast<TPOPMailAccount&>(account).SetIncomingServer(value);
            } else if (line.starts_with("password=")) {
                account.SetPassword(value);
            }
        }
    }
};

class FileMonitor : public ::testing::Test {
protected:
    FileMonitor() {
        System.WriteFile(ErikaFile, AccountText("Erika", "pop.example.com", "Geheim-1"));
        Store = std::make_unique<TFileStore>();
        Store->SetOnAccountChanged(Reports.Handler());
    }

    TMailAccount& Erika() { return *Store->AccountByIndex(0); }
    void WatchErika() {
        Erika().SetMonitoring(true);
        PrepareMonitors(Erika().Monitors());
    }
    static void WaitUntilHandled() { TMonitorLockHolder hold; }

    TTestSystem System;
    TLogRecorder Log;
    TReports Reports;
    std::unique_ptr<TFileStore> Store;
};

struct TConstructionCase {
    const char* Name;
    std::string Path;
    bool AllowMissing;
    std::string Error; // empty: made
};

class FileMonitorConstruction : public FileMonitor,
                                public ::testing::WithParamInterface<TConstructionCase> {};

TEST_P(FileMonitorConstruction, RaisesForPathsItCannotWatch) {
    const TConstructionCase& c = GetParam();
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Mail\\Erika"));
    try {
        TFileMonitorThread monitor(c.Path, c.AllowMissing, nullptr, nullptr);
        EXPECT_EQ(c.Error, "") << "made";
    } catch (const EMonitorError& error) {
        EXPECT_EQ(error.what(), c.Error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FileMonitorConstruction,
    ::testing::Values(
        TConstructionCase{"ExistingFile", ErikaFile, false, ""},
        TConstructionCase{"ExistingFolder", "C:\\Mail\\Erika", false, ""},
        TConstructionCase{"MissingFile", "C:\\Mail\\Erika\\missing.acct", false,
                          "The file \"C:\\Mail\\Erika\\missing.acct\" does not exist"},
        TConstructionCase{"MissingFileAllowed", "C:\\Mail\\Erika\\missing.acct", true, ""},
        TConstructionCase{"MissingFolderAllowed", "C:\\Nowhere\\missing.acct", true,
                          "The file \"C:\\Nowhere\\missing.acct\" does not exist"},
        TConstructionCase{"NoFileName", "C:\\Mail\\Erika\\", false, "A full filename mus be given"},
        TConstructionCase{"NoFolder", "erika.acct", false, "A full filename mus be given"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FileMonitor, SplitsThePathAndWatchesItsKindsOfChange) {
    TFileMonitorThread account("C:\\Mail\\Erika\\missing.acct", true, nullptr, nullptr);
    EXPECT_EQ(
        Log.Count("invoked FileMonitoring for not existing file C:\\Mail\\Erika\\missing.acct"), 1);
    EXPECT_EQ(account.WatchedDirectory(), u"C:\\Mail\\Erika\\");
    EXPECT_EQ(account.WatchedFile(), u"missing.acct");
    EXPECT_EQ(ChangeKindsToFlags(account.ChangeKinds()), 0x13u);
    EXPECT_EQ(account.Delay(), 500);
    TFileMonitorNewAccountsThread profile(MailDir, false, nullptr);
    EXPECT_EQ(ChangeKindsToFlags(profile.ChangeKinds()), 0x1u);
}

TEST_F(FileMonitor, AChangedFileIsReportedWithItsDifferencesAndNoPassword) {
    WatchErika();
    EXPECT_EQ(Log.Count("Wait for Filechange in C:\\Mail\\Erika\\ (explicit check on "
                        "\"erika.acct\", AccountID = " +
                        ErikaFile + ")"),
              1);
    ReplaceLater(System, ErikaFile, AccountText("Erika", "pop.example.net", "Geheim-2"));
    ASSERT_TRUE(Reports.WaitFor(1));
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.Account, &Erika());
    EXPECT_EQ(PropertyOf(report.Before, PropertyId::PopIncomingServer), Text("pop.example.com"));
    EXPECT_EQ(PropertyOf(report.Current, PropertyId::PopIncomingServer), Text("pop.example.net"));

    ASSERT_TRUE(Log.WaitFor("call OnDataChangedNotification for account Erika"));
    const auto entries = Log.Entries();
    const auto changed = std::find_if(entries.begin(), entries.end(), [](const TLogEntry& e) {
        return e.Text == "account Erikawas changed";
    });
    ASSERT_NE(changed, entries.end());
    EXPECT_EQ(changed->Lines, (std::vector<std::string>{"4 new: \"<hidden>\", old : \"<hidden>\"",
                                                        "26 new: \"pop.example.net\", old : "
                                                        "\"pop.example.com\""}));
    EXPECT_EQ(Log.Count("Filechange notified on C:\\Mail\\Erika\\ (erika.acct)") >= 1, true);
    const std::string all = Log.AllText();
    EXPECT_EQ(all.find("Geheim"), std::string::npos) << all;
}

TEST_F(FileMonitor, AnIdenticalRewriteIsReportedAsNoChange) {
    WatchErika();
    ReplaceLater(System, ErikaFile, AccountText("Erika", "pop.example.com", "Geheim-1"));
    ASSERT_TRUE(Reports.WaitFor(1));
    EXPECT_EQ(Log.Count("account Erikatriggered change, but no change was detected"), 1);
    EXPECT_EQ(Reports.All()[0].Account, &Erika());
}

TEST_F(FileMonitor, AChangeBesideTheFileIsNoDifferenceAndNotHandled) {
    WatchErika();
    System.WriteFile("C:\\Mail\\Erika\\notes.txt", "x");
    ASSERT_TRUE(Log.WaitFor("no difference found"));
    WaitUntilHandled();
    EXPECT_EQ(Log.Count("call OnDataChangedNotification for account Erika"), 0);
    EXPECT_EQ(Reports.Count(), 0u);
}

TEST_F(FileMonitor, ADeletedFileReportsTheAccountDeletedAndDetachesIt) {
    WatchErika();
    TMailAccount* erika = &Erika();
    ASSERT_TRUE(platform::DeleteFile(ErikaFile));
    ASSERT_TRUE(Reports.WaitFor(1));
    WaitUntilHandled();
    const TReport report = Reports.All()[0];
    EXPECT_EQ(report.Account, nullptr);
    EXPECT_EQ(report.Previous, erika);
    EXPECT_EQ(report.PreviousKey, ErikaFile);
    EXPECT_EQ(Store->AccountCount(), 0);
    EXPECT_EQ(Log.Count("account Erikawas deleted"), 1);
    EXPECT_EQ(Log.Count("call OnDataChangedNotification for account Erika"), 1);
}

TEST_F(FileMonitor, ANewAccountFolderIsLoadedReportedAndWatched) {
    Store->SetMonitoring(true);
    PrepareStoreMonitors(*Store);
    EXPECT_EQ(Log.Count("Wait for Filechange in C:\\Mail (explicit check on \"Mail\", Profile)"),
              1);
    System.WriteFile("C:\\Mail\\Max\\max.acct", AccountText("Max", "pop.example.org", ""));
    ASSERT_TRUE(Reports.WaitFor(1));
    WaitUntilHandled();
    EXPECT_EQ(Reports.All()[0].AccountKey, "C:\\Mail\\Max\\max.acct");
    EXPECT_EQ(Reports.All()[0].Previous, nullptr);
    ASSERT_EQ(Store->AccountCount(), 2);
    EXPECT_EQ(Store->AccountByIndex(1)->MonitorCount(), 1);
}

TEST_F(FileMonitor, AFolderThatCannotBeWatchedIsLoggedWithTheSystemsText) {
    TMailMonitorList monitors;
    ASSERT_TRUE(platform::ForceDirectories("C:\\Mail\\Gone"));
    auto monitor =
        std::make_shared<TFileMonitorThread>("C:\\Mail\\Gone\\x.acct", true, nullptr, nullptr);
    ASSERT_TRUE(platform::RemoveDirectory("C:\\Mail\\Gone"));
    LaunchMonitor(monitors, monitor);
    EXPECT_FALSE(monitor->WaitUntilWatching(PatienceMs));
    EXPECT_EQ(Log.Count("FindFirstChangeNotification failed with error 2: The system cannot find "
                        "the file specified."),
              1);
}

} // namespace
