// The whole wizard on the demo machine after a current Thunderbird has taken its profile over:
// an [Install<hash>] section in profiles.ini naming the demo profile (and an older profile still
// marked Default=1), mail.account.lastKey and authMethod in prefs.js, a key database (key4.db,
// made by NSS's certutil) and logins.json holding a login of the profile's IMAP account.

#include "AppFixture.h"
#include "TestPop3Server.h"

#include "app/SystemRoot.h"

#include <clients/mozilla/MozillaLogins.h>
#include <clients/mozilla/MozillaPasswords.h>
#include <clients/mozilla/MozillaPrefs.h>
#include <clients/mozilla/NssKeyDatabase.h>
#include <platform/Files.h>
#include <platform/System.h>
#include <platform/SystemTemplate.h>
#include <platform/VersionInfo.h>
#include <support/KeyDatabase.h>

#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <unistd.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

const std::string kProgramDir = "C:\\Program Files\\Mozilla Thunderbird";
const std::string kThunderbirdDir =
    "C:\\Documents and Settings\\User\\Application Data\\Thunderbird";
const std::string kProfileDir = kThunderbirdDir + "\\Profiles\\k3x9q2mf.default";
const std::string kPopOrigin = "mailbox://pop.quenlix.example";
const std::string kSmtpOrigin = "smtp://smtp.quenlix.example";
const std::string kImapOrigin = "imap://imap.example.org";
const char* const Address = "anna.muster@quenlix.example";
const char* const NewAddress = "anna.neu@quenlix.example";

const std::string kProfilesIni =
    "[InstallD78BF5DD33499EC2]\r\nDefault=Profiles/k3x9q2mf.default\r\nLocked=1\r\n\r\n"
    "[Profile1]\r\nName=old\r\nIsRelative=1\r\nPath=Profiles/0ld0ld00.default\r\nDefault=1\r\n\r\n"
    "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/k3x9q2mf.default\r\n\r\n"
    "[General]\r\nStartWithLastProfile=1\r\nVersion=2\r\n\r\n"
    "[BackgroundTasksProfiles]\r\nMozillaBackgroundTask-D78BF5DD33499EC2-backgroundupdate="
    "zv4kbh2l.MozillaBackgroundTask-D78BF5DD33499EC2\r\n";

class ThunderbirdCurrentDemoTest : public app_testing::TAppFixture {
protected:
    // The hosted service accepts aUser with the password Geheim-42.
    explicit ThunderbirdCurrentDemoTest(const char* aUser) {
        Script_.User = aUser;
        Script_.Password = "Geheim-42";
    }

    void SetUp() override {
        if (const std::string why = testing_support::KeyDatabaseUnavailableReason(); !why.empty()) {
            GTEST_SKIP() << why;
        }
        Folder_ =
            fs::temp_directory_path() / ("quenlix-current-demo-" + std::to_string(::getpid()));
        fs::remove_all(Folder_);
        const fs::path root = Folder_ / "system";
        platform::CreateSystemFromTemplate(app::DemoTemplateDir(), root);
        Server_ = std::make_unique<testing_support::TTestPop3Server>(
            testing_support::HostedServiceCertificate(), Script_);
        ASSERT_TRUE(Server_->Listen());
        std::ofstream(root / "system.ini", std::ios::app)
            << "\n[Network]\npop.quenlix.example:995=127.0.0.1:" << Server_->Port()
            << "\n[TLS]\nCAFile=hosted-ca.pem\n";
        std::ofstream(root / "hosted-ca.pem", std::ios::binary)
            << testing_support::HostedServiceCertificate().CertificatePem.toStdString();
        platform::InstallSystem(root);
        TakeOverByCurrentThunderbird();
    }
    void TearDown() override {
        ResetApplication();
        if (platform::SystemInstalled()) {
            platform::UninstallSystem();
        }
        std::error_code ignored;
        fs::remove_all(Folder_, ignored);
    }

    // What a current Thunderbird 115 leaves in the demo machine's profile.
    void TakeOverByCurrentThunderbird() {
        platform::WriteFileAtomic(
            kProgramDir + "\\thunderbird.exe",
            platform::MakeVersionedPeImage(platform::MakeVersion(115, 5, 0, 0)));
        platform::WriteFileAtomic(kProgramDir + "\\nss3.dll", "stands in for its NSS library");
        platform::WriteFileAtomic(kThunderbirdDir + "\\profiles.ini", kProfilesIni);
        platform::ForceDirectories(kThunderbirdDir + "\\Profiles\\0ld0ld00.default");
        platform::WriteFileAtomic(kThunderbirdDir + "\\Profiles\\0ld0ld00.default\\prefs.js",
                                  "# Mozilla User Preferences\r\n");
        TMozillaPrefsFile prefs;
        prefs.Load(kProfileDir + "\\prefs.js");
        prefs.SetInteger("mail.account.lastKey", 3);
        prefs.SetInteger("mail.server.server2.authMethod", 4); // encrypted password
        prefs.SetInteger("mail.smtpserver.smtp1.authMethod", 4);
        prefs.SaveToFile(kProfileDir + "\\prefs.js");
        testing_support::CreateKeyDatabase(platform::HostPath(kProfileDir));
        TMozillaLoginsFile logins;
        logins.SetLogin({kImapOrigin, "anna", "imap-pw"}, *Keys(),
                        {1690000000000, "{aa8ad2a7-3c67-4d7e-8a35-3c8f7f2d1e01}"});
        platform::WriteFileAtomic(kProfileDir + "\\logins.json", logins.ToText());
    }

    std::unique_ptr<TNssKeyDatabase> Keys() {
        TNssKeyDatabase::TOpenResult result = TNssKeyDatabase::TOpenResult::Opened;
        auto keys = TNssKeyDatabase::Open(kProgramDir + "\\nss3.dll", kProfileDir, result);
        EXPECT_NE(keys, nullptr) << TNssKeyDatabase::Describe(result);
        return keys;
    }
    std::optional<std::string> StoredLogin(const std::string& origin, const std::string& user) {
        const auto keys = Keys();
        const auto bytes = platform::ReadFileBytes(kProfileDir + "\\logins.json");
        if (!keys || !bytes) {
            return std::nullopt;
        }
        return TMozillaLoginsFile::FromText(*bytes).FindPassword(origin, user, *keys);
    }

    // Welcome -> accounts list ("add a new account") -> Thunderbird -> user data -> setup.
    void AddANewAccount(const QString& mailbox) {
        Launch();
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("AccountsList")); // the install's own profile
        // The last row adds a new account, wherever the other clients' groups put it.
        ClickRow(AccountsList().lvAccounts->topLevelItemCount() - 1);
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("AccountType"));
        QTest::mouseClick(AccountType().rbThunderbird, Qt::LeftButton);
        ASSERT_TRUE(ClickNext());
        FillUserData(QStringLiteral("Anna Muster"), mailbox, QStringLiteral("Geheim-42"));
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("Finished"));
    }

    TMozillaPrefsFile& Prefs() {
        Prefs_.Load(kProfileDir + "\\prefs.js");
        return Prefs_;
    }

    testing_support::TPop3Script Script_;

private:
    fs::path Folder_;
    std::unique_ptr<testing_support::TTestPop3Server> Server_;
    TMozillaPrefsFile Prefs_;
};

class ThunderbirdCurrentDemoSameMailboxTest : public ThunderbirdCurrentDemoTest {
protected:
    ThunderbirdCurrentDemoSameMailboxTest() : ThunderbirdCurrentDemoTest(Address) {}
};

// "Add a new account" for the mailbox the demo profile already has adapts that account.
TEST_F(ThunderbirdCurrentDemoSameMailboxTest, NewAccountForTheKnownMailboxAdaptsIt) {
    AddANewAccount(QStringLiteral("anna.muster"));

    TMozillaPrefsFile& prefs = Prefs();
    EXPECT_EQ(prefs.GetString("mail.accountmanager.accounts"), "account2,account3,account1");
    EXPECT_EQ(prefs.GetInteger("mail.account.lastKey"), 3);
    EXPECT_FALSE(prefs.Exists("mail.account.account4.server"));
    EXPECT_EQ(prefs.GetInteger("mail.server.server2.port"), 995);
    EXPECT_EQ(prefs.GetInteger("mail.server.server2.socketType"), 3);
    EXPECT_EQ(prefs.GetInteger("mail.server.server2.authMethod"), 3);
    // Its outgoing server has the provider's host and the same login: it is kept and updated.
    EXPECT_EQ(prefs.GetString("mail.smtpservers"), "smtp1,smtp2");
    EXPECT_EQ(prefs.GetString("mail.identity.id1.smtpServer"), "smtp1");
    EXPECT_EQ(prefs.GetInteger("mail.smtpserver.smtp1.port"), 465);
    EXPECT_EQ(prefs.GetInteger("mail.smtpserver.smtp1.authMethod"), 3);

    EXPECT_EQ(StoredLogin(kPopOrigin, "anna.muster@quenlix.example"), "Geheim-42");
    EXPECT_EQ(StoredLogin(kSmtpOrigin, "anna.muster@quenlix.example"), "Geheim-42");
    EXPECT_EQ(StoredLogin(kImapOrigin, "anna"), "imap-pw");
    EXPECT_EQ(TMozillaPasswordsFile(kProfileDir + "\\signons.txt")
                  .GetPassword("mailbox", "anna.muster@quenlix.example", "pop.quenlix.example"),
              "Geheim-42");
    // The older profile marked Default=1 was not touched.
    EXPECT_FALSE(
        platform::FileExists(kThunderbirdDir + "\\Profiles\\0ld0ld00.default\\signons.txt"));
}

class ThunderbirdCurrentDemoOtherMailboxTest : public ThunderbirdCurrentDemoTest {
protected:
    ThunderbirdCurrentDemoOtherMailboxTest() : ThunderbirdCurrentDemoTest(NewAddress) {}
};

TEST_F(ThunderbirdCurrentDemoOtherMailboxTest, NewMailboxIsANewAccountThunderbirdCounts) {
    AddANewAccount(QStringLiteral("anna.neu"));

    TMozillaPrefsFile& prefs = Prefs();
    EXPECT_EQ(prefs.GetString("mail.accountmanager.accounts"),
              "account2,account3,account1,account4");
    EXPECT_EQ(prefs.GetInteger("mail.account.lastKey"), 4);
    // Beside two accounts the unticked box leaves Thunderbird's default where it was.
    EXPECT_EQ(prefs.GetString("mail.accountmanager.defaultaccount"), "account2");
    EXPECT_EQ(prefs.GetString("mail.identity.id3.fullName"), "Anna Muster");
    EXPECT_EQ(prefs.GetString("mail.server.server4.name"), "anna.neu@quenlix.example");
    EXPECT_EQ(prefs.GetString("mail.account.account4.server"), "server4");
    EXPECT_EQ(prefs.GetString("mail.server.server4.userName"), "anna.neu@quenlix.example");
    EXPECT_EQ(prefs.GetInteger("mail.server.server4.authMethod"), 3);
    // The provider's outgoing server is there, but for another login: this one gets its own.
    EXPECT_EQ(prefs.GetString("mail.smtpservers"), "smtp1,smtp2,smtp3");
    EXPECT_EQ(prefs.GetString("mail.smtpserver.smtp3.username"), "anna.neu@quenlix.example");
    EXPECT_EQ(prefs.GetInteger("mail.smtpserver.smtp3.authMethod"), 3);
    EXPECT_EQ(prefs.GetString("mail.smtpserver.smtp3.type"), "smtp");
    // The other accounts keep what they had.
    EXPECT_EQ(prefs.GetInteger("mail.server.server2.authMethod"), 4);

    EXPECT_EQ(StoredLogin(kPopOrigin, "anna.neu@quenlix.example"), "Geheim-42");
    EXPECT_EQ(StoredLogin(kSmtpOrigin, "anna.neu@quenlix.example"), "Geheim-42");
    EXPECT_EQ(StoredLogin(kImapOrigin, "anna"), "imap-pw");
}

} // namespace
