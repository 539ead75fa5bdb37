#include "ThunderbirdTestSupport.h"

namespace {

using namespace thunderbird_test;

const std::string kMixedPrefs =
    Str("mail.accountmanager.accounts",
        "account1,account2,account3,account4,account5,account6,account7,account8") +
    Str("mail.accountmanager.defaultaccount", "account3") +
    Str("mail.accountmanager.localfoldersserver", "server1") +
    // local folders
    Str("mail.account.account1.server", "server1") + Str("mail.server.server1.type", "none") +
    Str("mail.server.server1.hostname", "Local Folders") +
    // a POP account with everything set
    Str("mail.account.account2.server", "server2") +
    Str("mail.account.account2.identities", "id1") +
    Str("mail.identity.id1.fullName", "Erika \\\"Eri\\\" Muster") +
    Str("mail.identity.id1.useremail", "erika@example.com") +
    Str("mail.identity.id1.organization", "Muster \\\\ Sohn") +
    Str("mail.identity.id1.reply_to", "reply@example.com") +
    Str("mail.identity.id1.smtpServer", "smtp1") + Str("mail.server.server2.type", "pop3") +
    Str("mail.server.server2.hostname", "pop.example.com") +
    Str("mail.server.server2.name", "Erika privat") + Str("mail.server.server2.userName", "erika") +
    Int("mail.server.server2.port", 995) + Int("mail.server.server2.socketType", 3) +
    Bool("mail.server.server2.useSecAuth", true) +
    Bool("mail.server.server2.leave_on_server", true) +
    Bool("mail.server.server2.delete_by_age_from_server", true) +
    Bool("mail.server.server2.delete_mail_left_on_server", true) +
    Int("mail.server.server2.num_days_to_leave_on_server", 14) +
    Bool("mail.server.server2.remember_password", true) +
    Str("mail.smtpserver.smtp1.hostname", "smtp.example.com") +
    Int("mail.smtpserver.smtp1.port", 587) + Int("mail.smtpserver.smtp1.try_ssl", 2) +
    Int("mail.smtpserver.smtp1.auth_method", 1) + Str("mail.smtpserver.smtp1.username", "erika") +
    // an IMAP account using the default outgoing server, mostly defaults
    Str("mail.account.account3.server", "server3") +
    Str("mail.account.account3.identities", "id2") +
    Str("mail.identity.id2.useremail", "max@example.org") +
    Str("mail.server.server3.type", "IMAP") +
    Str("mail.server.server3.hostname", "imap.example.org") +
    Str("mail.server.server3.userName", "max") + Int("mail.server.server3.retainBy", 3) +
    Int("mail.server.server3.numHdrsToKeep", 200) +
    Bool("mail.server.server3.keepUnreadOnly", true) + Str("mail.smtp.defaultserver", "smtp2") +
    Str("mail.smtpserver.smtp2.hostname", "smtp.example.org") +
    Str("mail.smtpservers", "smtp1,smtp2,smtp17") +
    // news, a missing identity link, a missing address, feeds
    Str("mail.account.account4.server", "server4") +
    Str("mail.account.account4.identities", "id3") + Str("mail.server.server4.type", "nntp") +
    Str("mail.identity.id3.useremail", "news@example.com") +
    Str("mail.account.account5.server", "server2") +
    Str("mail.account.account6.server", "server6") +
    Str("mail.account.account6.identities", "id9") + Str("mail.server.server6.type", "pop3") +
    // several identities, changed host and login
    Str("mail.account.account7.server", "server7") +
    Str("mail.account.account7.identities", "id4,id5") +
    Str("mail.identity.id4.useremail", "first@example.net") +
    Str("mail.identity.id5.useremail", "second@example.net") +
    Str("mail.server.server7.type", "pop3") +
    Str("mail.server.server7.hostname", "old.example.net") +
    Str("mail.server.server7.realhostname", "new.example.net") +
    Str("mail.server.server7.userName", "olduser") +
    Str("mail.server.server7.realuserName", "newuser") +
    Str("mail.account.account8.server", "server8") +
    Str("mail.account.account8.identities", "id3") + Str("mail.server.server8.type", "rss");

const std::string kMixedSignons = "#2c\r\n.\r\n"
                                  "mailbox://erika@pop.example.com\r\n\\=username=\\\r\n~\r\n"
                                  "*\\=password=\\\r\n~cG9wLXB3\r\n.\r\n"
                                  "smtp://erika@smtp.example.com\r\n\\=username=\\\r\n~\r\n"
                                  "*\\=password=\\\r\n~c210cC1wdw==\r\n.\r\n"
                                  "imap://max@imap.example.org\r\n\\=username=\\\r\n~\r\n"
                                  "*\\=password=\\\r\nencrypted-by-the-client\r\n.\r\n"
                                  "mailbox://olduser@old.example.net\r\n\\=username=\\\r\n~\r\n"
                                  "*\\=password=\\\r\n~b2xk\r\n.\r\n";

class ThunderbirdReadTest : public ThunderbirdFixture {
protected:
    void SetUp() override {
        InstallExe();
        WriteSingleProfile("mixed.default");
        WritePrefs(ProfileDir("mixed.default"), kMixedPrefs);
        System.WriteFile(ProfileDir("mixed.default") + "\\signons.txt", kMixedSignons);
    }
    // Thunderbird changes one statement of the profile's prefs.js.
    void RewriteMixedPrefs(const std::string& from, const std::string& to) const {
        WritePrefs(ProfileDir("mixed.default"), Replaced(kMixedPrefs, from, to));
    }
};

TEST_F(ThunderbirdReadTest, LoadsPopAndImapAccountsAndSkipsTheRest) {
    const auto store = Open();
    ASSERT_EQ(store->AccountCount(), 3);
    EXPECT_EQ(store->AccountByIndex(0)->AccountKey(), "account2");
    EXPECT_EQ(store->AccountByIndex(1)->AccountKey(), "account3");
    EXPECT_EQ(store->AccountByIndex(2)->AccountKey(), "account7");
    EXPECT_EQ(store->AccountByIndex(0)->Kind(), AccountKindPOP);
    EXPECT_EQ(store->AccountByIndex(1)->Kind(), AccountKindIMAP);
    EXPECT_EQ(store->HighestSmtpNumber(), 17);
}

TEST_F(ThunderbirdReadTest, PopAccountFieldsFollowTheirPreferences) {
    const auto store = Open();
    const auto& a = dynamic_cast<const TPOPMailAccount&>(*store->AccountByIndex(0));
    EXPECT_EQ(a.AccountName(), "Erika \"Eri\" Muster"); // identity's full name, unescaped
    EXPECT_EQ(a.DisplayName(), "Erika privat");         // server's label
    EXPECT_EQ(a.EmailAddress(), "erika@example.com");
    EXPECT_EQ(a.Organization(), "Muster \\ Sohn");
    EXPECT_EQ(a.ReplyTo(), "reply@example.com");
    EXPECT_EQ(a.UserName(), "erika");
    EXPECT_EQ(a.Password(), "pop-pw");
    EXPECT_TRUE(a.RememberPassword());
    EXPECT_EQ(a.IncomingServer(), "pop.example.com");
    EXPECT_EQ(a.IncomingPort(), 995);
    EXPECT_TRUE(a.UseSSL());
    EXPECT_TRUE(a.UseSPA());
    EXPECT_TRUE(a.LeaveOnServer());
    EXPECT_TRUE(a.RemoveWhenExpired());
    EXPECT_TRUE(a.RemoveWhenDeleted());
    EXPECT_EQ(a.ExpireDays(), 14);
    EXPECT_EQ(a.SmtpServer(), "smtp.example.com");
    EXPECT_EQ(a.SmtpPort(), 587);
    EXPECT_TRUE(a.SmtpUseTLS());
    EXPECT_FALSE(a.SmtpUseSSL());
    EXPECT_EQ(a.SmtpAuthMode(), 2);
    EXPECT_EQ(a.SmtpUserName(), "erika");
    EXPECT_EQ(a.SmtpPassword(), "smtp-pw");
    EXPECT_FALSE(a.IsDefault());
    EXPECT_FALSE(a.IsNew());
    EXPECT_EQ(a.StoreLocation(), ProfileDir("mixed.default") + "\\prefs.js");
    EXPECT_EQ(a.StoreData().Lines(),
              (std::vector<std::string>{"identity=id1", "server=server2", "smtpserver=smtp1"}));
}

TEST_F(ThunderbirdReadTest, ImapAccountFieldsAndDefaults) {
    const auto store = Open();
    const auto& a = dynamic_cast<const TIMAPMailAccount&>(*store->AccountByIndex(1));
    EXPECT_EQ(a.AccountName(), "max@example.org"); // no full name: the address
    EXPECT_EQ(a.DisplayName(), "max@example.org");
    EXPECT_EQ(a.IncomingServer(), "imap.example.org");
    EXPECT_EQ(a.IncomingPort(), 143);
    EXPECT_FALSE(a.UseSSL());
    EXPECT_TRUE(a.RetainByCount());
    EXPECT_FALSE(a.RemoveWhenExpired());
    EXPECT_EQ(a.RetainCount(), 200);
    EXPECT_EQ(a.ExpireDays(), 30);
    EXPECT_TRUE(a.KeepUnreadOnly());
    EXPECT_EQ(a.Password(), ""); // encrypted entry: not readable, no error
    EXPECT_FALSE(a.RememberPassword());
    EXPECT_EQ(a.SmtpServer(), "smtp.example.org"); // mail.smtp.defaultserver
    EXPECT_EQ(a.SmtpPort(), 25);
    EXPECT_EQ(a.SmtpAuthMode(), 0);
    EXPECT_TRUE(a.IsDefault());
    EXPECT_EQ(a.StoreData().Value("smtpserver"), "smtp2");
}

TEST_F(ThunderbirdReadTest, RealHostAndLoginWinAndTheFirstIdentityIsRead) {
    const auto store = Open();
    const auto& a = dynamic_cast<const TPOPMailAccount&>(*store->AccountByIndex(2));
    EXPECT_EQ(a.EmailAddress(), "first@example.net");
    EXPECT_EQ(a.IncomingServer(), "new.example.net");
    EXPECT_EQ(a.UserName(), "newuser");
    EXPECT_EQ(a.Password(), "old"); // filed under the original login and host
    EXPECT_EQ(a.ExpireDays(), 7);
    EXPECT_EQ(a.IncomingPort(), 110);
    EXPECT_EQ(a.StoreData().Value("identity"), "id4");
}

TEST_F(ThunderbirdReadTest, ListAndLoadSingleAccounts) {
    const auto store = Open();
    TMailProfile* profile = store->DefaultProfile();
    EXPECT_EQ(store->ListAccountFiles(profile).size(), 8u);
    EXPECT_EQ(store->ListAccountKeys(profile).front(), "account1");
    EXPECT_EQ(store->LoadAccount(profile, "account1", ""), nullptr);
    EXPECT_EQ(store->LoadAccount(profile, "account6", ""), nullptr);
    EXPECT_EQ(store->LoadAccount(profile, "account99", ""), nullptr);
    const auto loaded = store->LoadAccount(profile, "account2", "account2");
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->IsDefault());
    EXPECT_TRUE(TMailAccount::SameProperties(*loaded->Clone(), *loaded));
    EXPECT_EQ(store->LoadNewAccount(profile), nullptr); // all readable keys are loaded

    WritePrefs(ProfileDir("mixed.default"), Str("other", "x"));
    EXPECT_THROW(store->ListAccountFiles(profile), EMozillaPrefsError);
}

TEST_F(ThunderbirdReadTest, ReloadReadsChangedPreferencesIntoTheSameObject) {
    const auto store = Open();
    store->SetAutoSave(true); // reloading must not write the fields it reads
    TMailAccount* account = store->AccountByIndex(0);
    RewriteMixedPrefs("\"pop.example.com\"", "\"pop2.example.com\"");
    const std::string written = System.ReadFile(ProfileDir("mixed.default") + "\\prefs.js");

    const auto before = account->SnapshotAndReload();
    EXPECT_EQ(dynamic_cast<TPOPMailAccount&>(*account).IncomingServer(), "pop2.example.com");
    EXPECT_EQ(account->Password(), ""); // no entry for the new host
    const auto changes = TMailAccount::Differences(*account, *before);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].Id, PropertyId::Password);
    EXPECT_EQ(changes[1].Id, PropertyId::PopIncomingServer);
    EXPECT_EQ(System.ReadFile(ProfileDir("mixed.default") + "\\prefs.js"), written);
}

// A reload follows the outgoing server's authentication both ways: switched off in Thunderbird,
// the account must not keep a login a later save would switch on again.
struct TSmtpAuthReloadCase {
    const char* Statement; // replaces auth_method 1 of account2's outgoing server
    int Mode;
};

class ThunderbirdSmtpAuthReloadTest : public ThunderbirdReadTest,
                                      public ::testing::WithParamInterface<TSmtpAuthReloadCase> {};

TEST_P(ThunderbirdSmtpAuthReloadTest, ReloadTakesTheAuthenticationTheFileNowHas) {
    const auto store = Open();
    TMailAccount* account = store->AccountByIndex(0);
    ASSERT_EQ(account->SmtpAuthMode(), 2);
    RewriteMixedPrefs(Int("mail.smtpserver.smtp1.auth_method", 1), GetParam().Statement);

    account->Reload();
    EXPECT_EQ(account->SmtpAuthMode(), GetParam().Mode);
    EXPECT_EQ(account->SmtpUserName(), "erika"); // kept as the file keeps it
}

INSTANTIATE_TEST_SUITE_P(
    AuthMethod, ThunderbirdSmtpAuthReloadTest,
    ::testing::Values(
        TSmtpAuthReloadCase{"", 0},
        TSmtpAuthReloadCase{"user_pref(\"mail.smtpserver.smtp1.auth_method\", 0);\n", 0},
        TSmtpAuthReloadCase{"user_pref(\"mail.smtpserver.smtp1.auth_method\", 1);\n", 2}));

TEST_F(ThunderbirdReadTest, DeleteAccountLeavesThunderbirdsFilesAlone) {
    const auto store = Open();
    const std::string prefs = System.ReadFile(ProfileDir("mixed.default") + "\\prefs.js");
    store->DeleteAccount(store->DefaultProfile(), 0);
    EXPECT_EQ(store->AccountCount(), 2);
    EXPECT_EQ(store->AccountByIndex(0)->AccountKey(), "account3");
    EXPECT_EQ(System.ReadFile(ProfileDir("mixed.default") + "\\prefs.js"), prefs);
}

TEST_F(ThunderbirdReadTest, BrokenSignonsDoNotStopLoading) {
    System.WriteFile(ProfileDir("mixed.default") + "\\signons.txt",
                     "#2c\r\nsomewhere.example\r\n.\r\nmailbox://erika@pop.example.com\r\n"
                     "\\=username=\\\r\n~\r\n*\\=password=\\\r\n~cG9w\r\n.\r\n"
                     "garbage\r\n~abc\r\n");
    const auto store = Open();
    ASSERT_EQ(store->AccountCount(), 3);
    EXPECT_EQ(store->AccountByIndex(0)->Password(), "pop");
}

TEST_F(ThunderbirdReadTest, ProfileWithoutAccountListHasNoAccounts) {
    WritePrefs(ProfileDir("mixed.default"), Str("mail.account.account2.server", "server2"));
    const auto store = Open();
    EXPECT_TRUE(store->Installed());
    EXPECT_EQ(store->AccountCount(), 0);
}

// The default account follows the file after a reload: never two accounts marked default.
TEST_F(ThunderbirdReadTest, ReloadMovesTheDefaultMarkWithTheFile) {
    const auto store = Open();
    ASSERT_EQ(store->AccountCount(), 3);
    EXPECT_TRUE(store->AccountByIndex(1)->IsDefault()); // account3
    RewriteMixedPrefs(Str("mail.accountmanager.defaultaccount", "account3"),
                      Str("mail.accountmanager.defaultaccount", "account2"));

    store->AccountByIndex(0)->Reload(); // account2, now the default
    int defaults = 0;
    for (int i = 0; i < store->AccountCount(); ++i) {
        defaults += store->AccountByIndex(i)->IsDefault() ? 1 : 0;
    }
    EXPECT_EQ(defaults, 1);
    EXPECT_TRUE(store->AccountByIndex(0)->IsDefault());
}

} // namespace
