// Profiles as current Thunderbird versions write them: the store keeps what they need besides
// the preference set old versions read.

#include "ThunderbirdTestSupport.h"

#include <accounts/Log.h>
#include <clients/mozilla/MozillaLogins.h>
#include <clients/mozilla/MozillaPasswords.h>
#include <clients/mozilla/NssKeyDatabase.h>
#include <platform/Files.h>
#include <support/KeyDatabase.h>

#include <optional>

namespace {

using namespace thunderbird_test;

class ThunderbirdCurrentProfileTest : public ThunderbirdFixture {
protected:
    void SetUp() override {
        InstallExe(115, 5, 0, 0);
        WriteSingleProfile("k3x9q2mf.default-esr");
        Dir = ProfileDir("k3x9q2mf.default-esr");
    }
    TPOPMailAccount& AddProviderAccount(TThunderbirdMailAccounts& store) {
        auto& account = dynamic_cast<TPOPMailAccount&>(
            *store.AddAccount(AccountKindPOP, kAddress, kAddress, "Geheim-42"));
        SetProviderFields(account, "Geheim-42");
        return account;
    }
    std::string Dir;
};

// ---- mail.account.lastKey --------------------------------------------------------------------

struct TLastKeyCase {
    std::optional<int> LastKey; // none: a profile of an old version
    std::string NewKey;
    std::optional<int> LastKeyAfter;
};

void PrintTo(const TLastKeyCase& c, std::ostream* os) {
    *os << "lastKey " << (c.LastKey ? std::to_string(*c.LastKey) : "missing");
}

class ThunderbirdLastKeyTest : public ThunderbirdCurrentProfileTest,
                               public ::testing::WithParamInterface<TLastKeyCase> {};

TEST_P(ThunderbirdLastKeyTest, NewAccountKeyIsOneThunderbirdWillNotHandOutAgain) {
    WritePrefs(
        Dir, Replaced(CurrentPrefs(Dir), Int("mail.account.lastKey", 2),
                      GetParam().LastKey ? Int("mail.account.lastKey", *GetParam().LastKey) : ""));
    const auto store = Open();
    TPOPMailAccount& account = AddProviderAccount(*store);
    EXPECT_EQ(account.AccountKey(), GetParam().NewKey);
    account.Save();
    TMozillaPrefsFile& written = ReadPrefs(Dir);
    EXPECT_EQ(written.Exists("mail.account.lastKey"), GetParam().LastKeyAfter.has_value());
    if (GetParam().LastKeyAfter) {
        EXPECT_EQ(written.GetInteger("mail.account.lastKey"), *GetParam().LastKeyAfter);
    }
    EXPECT_EQ(written.GetString("mail.accountmanager.accounts"),
              "account1,account2," + GetParam().NewKey);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ThunderbirdLastKeyTest,
                         ::testing::Values(TLastKeyCase{2, "account3", 3},
                                           TLastKeyCase{7, "account8", 8},
                                           TLastKeyCase{std::nullopt, "account3", std::nullopt}));

// ---- authMethod ----------------------------------------------------------------------------

TEST_F(ThunderbirdCurrentProfileTest, AdaptedAccountLogsInWithANormalPasswordAfterwards) {
    WritePrefs(Dir, CurrentPrefs(Dir, kAddress, kPopHost, kSmtpHost));
    const auto store = Open();
    ASSERT_EQ(store->AccountCount(), 1);
    auto& account = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(0));
    // Without useSecAuth the encrypted method is what the account's secure login means.
    EXPECT_TRUE(account.UseSPA());
    EXPECT_TRUE(account.SmtpUseSPA());

    account.SetIncomingPort(111); // a change that keeps the login method
    account.Save();
    EXPECT_EQ(ReadPrefs(Dir).GetInteger("mail.server.server1.authMethod"), 4);
    EXPECT_EQ(Prefs->GetInteger("mail.smtpserver.smtp1.authMethod"), 4);

    SetProviderFields(account, "Geheim-42");
    account.Save();
    TMozillaPrefsFile& prefs = ReadPrefs(Dir);
    EXPECT_EQ(prefs.GetInteger("mail.server.server1.authMethod"), 3);
    EXPECT_FALSE(prefs.GetBool("mail.server.server1.useSecAuth"));
    EXPECT_EQ(prefs.GetInteger("mail.smtpserver.smtp1.authMethod"), 3);
    EXPECT_EQ(prefs.GetInteger("mail.smtpserver.smtp1.auth_method"), 1);
    EXPECT_EQ(prefs.GetInteger("mail.server.server1.socketType"), 3);
}

// ---- no second server for one mailbox ------------------------------------------------------

TEST_F(ThunderbirdCurrentProfileTest, NewAccountForAMailboxTheProfileHasAdaptsThatAccount) {
    WritePrefs(Dir, CurrentPrefs(Dir, kAddress, kPopHost));
    const auto store = Open();
    ASSERT_EQ(store->AccountCount(), 1);
    TMailAccount* loaded = store->AccountByIndex(0);
    TPOPMailAccount& account = AddProviderAccount(*store);
    EXPECT_EQ(account.AccountKey(), "account3");
    account.Save();

    TMozillaPrefsFile& prefs = ReadPrefs(Dir);
    EXPECT_EQ(prefs.GetString("mail.accountmanager.accounts"), "account1,account2");
    EXPECT_EQ(prefs.GetInteger("mail.account.lastKey"), 2);
    EXPECT_FALSE(prefs.Exists("mail.account.account3.server"));
    EXPECT_FALSE(prefs.Exists("mail.server.server3.type"));
    EXPECT_FALSE(prefs.Exists("mail.identity.id2.useremail"));
    EXPECT_EQ(prefs.GetInteger("mail.server.server1.port"), 995);
    EXPECT_EQ(prefs.GetString("mail.identity.id1.fullName"), "Anna Beispiel");
    EXPECT_EQ(prefs.GetString("mail.server.server1.directory-rel"), "[ProfD]Mail/" + kPopHost);
    EXPECT_FALSE(platform::DirectoryExists(Dir + "\\Mail\\" + kPopHost + "-1"));
    // The object is that account now; the profile still lists it once, read afresh.
    EXPECT_EQ(account.AccountKey(), "account1");
    EXPECT_FALSE(account.IsNew());
    EXPECT_EQ(account.StoreData().Value("server"), "server1");
    ASSERT_EQ(store->AccountCount(), 1);
    EXPECT_EQ(store->AccountByIndex(0), loaded);
    EXPECT_EQ(dynamic_cast<TPOPMailAccount*>(loaded)->IncomingPort(), 995);
    EXPECT_TRUE(loaded->IsDefault());
    // A second save of the object the wizard holds writes the same account again.
    account.SetIncomingPort(996);
    account.Save();
    EXPECT_EQ(ReadPrefs(Dir).GetInteger("mail.server.server1.port"), 996);
    EXPECT_EQ(Prefs->GetString("mail.accountmanager.accounts"), "account1,account2");
}

TEST_F(ThunderbirdCurrentProfileTest, OtherLoginOrHostMakesANewAccount) {
    for (const auto& [user, host] :
         {std::pair<std::string, std::string>{"Anna.Beispiel@quenlix.example", kPopHost},
          {kAddress, "pop2.quenlix.example"}}) {
        WritePrefs(Dir, CurrentPrefs(Dir, user, host));
        const auto store = Open();
        TPOPMailAccount& account = AddProviderAccount(*store);
        account.Save();
        EXPECT_EQ(ReadPrefs(Dir).GetString("mail.accountmanager.accounts"),
                  "account1,account2,account3")
            << user << " " << host;
        EXPECT_EQ(account.AccountKey(), "account3");
    }
}

TEST_F(ThunderbirdCurrentProfileTest, OutgoingServerOfTheSameHostAndLoginIsShared) {
    // An IMAP account of the same person already sends through the provider's server.
    WritePrefs(Dir,
               Replaced(CurrentPrefs(Dir, kAddress, "imap.quenlix.example", "SMTP.Quenlix.example"),
                        "\"pop3\"", "\"imap\""));
    const auto store = Open();
    TPOPMailAccount& account = AddProviderAccount(*store);
    account.Save();
    TMozillaPrefsFile& written = ReadPrefs(Dir);
    EXPECT_EQ(written.GetString("mail.smtpservers"), "smtp1");
    EXPECT_EQ(written.GetString("mail.identity.id2.smtpServer"), "smtp1");
    EXPECT_EQ(written.GetInteger("mail.smtpserver.smtp1.port"), 465);
    EXPECT_EQ(store->HighestSmtpNumber(), 1);

    // Another login on that host is another server.
    TPOPMailAccount& other = AddProviderAccount(*store);
    other.SetUserName("someone.else@quenlix.example");
    other.Save();
    EXPECT_EQ(ReadPrefs(Dir).GetString("mail.smtpservers"), "smtp1,smtp2");
    EXPECT_EQ(Prefs->GetString("mail.smtpserver.smtp2.type"),
              "smtp"); // as current versions type it
    EXPECT_EQ(store->HighestSmtpNumber(), 2);
}

// ---- the login store -----------------------------------------------------------------------

class ThunderbirdLoginStoreTest : public ThunderbirdCurrentProfileTest {
protected:
    void SetUp() override {
        if (const std::string why = testing_support::KeyDatabaseUnavailableReason(); !why.empty()) {
            GTEST_SKIP() << why;
        }
        ThunderbirdCurrentProfileTest::SetUp();
        System.WriteFile(kNss, "stands in for Thunderbird's NSS library");
        WritePrefs(Dir, CurrentPrefs(Dir));
        AppLog().SetSink([this](const TLogEntry& entry) { Logged.push_back(entry.Text); });
        AppLog().SetEnabled(true);
    }
    void TearDown() override {
        AppLog().SetEnabled(false);
        AppLog().SetSink({});
    }
    void CreateKeys(const std::string& primaryPassword = "") {
        testing_support::CreateKeyDatabase(System.Host(Dir), primaryPassword);
    }
    // The password the profile's own key database decrypts for a login of logins.json.
    std::optional<std::string> StoredPassword(const std::string& origin, const std::string& user) {
        TNssKeyDatabase::TOpenResult result = TNssKeyDatabase::TOpenResult::Opened;
        const auto keys = TNssKeyDatabase::Open(kNss, Dir, result);
        EXPECT_NE(keys, nullptr) << TNssKeyDatabase::Describe(result);
        if (!keys) {
            return std::nullopt;
        }
        return TMozillaLoginsFile::FromText(System.ReadFile(Dir + "\\logins.json"))
            .FindPassword(origin, user, *keys);
    }
    void SaveProviderAccount() {
        const auto store = Open();
        AddProviderAccount(*store).Save();
    }
    std::vector<std::string> Logged;
};

// logins.json as Thunderbird leaves it: a web login and the tombstone of a deleted one.
const std::string kLogins =
    "{\"nextId\":3,\"logins\":[{\"id\":1,\"hostname\":\"https://example.com\",\"httpRealm\":null,"
    "\"formSubmitURL\":\"https://example.com\",\"usernameField\":\"user\",\"passwordField\":"
    "\"pass\",\"encryptedUsername\":\"MDIEEPgAAAAAAAAAAAAAAAAAAAEwFAYIKoZIhvcNAwcECAbc\","
    "\"encryptedPassword\":\"MDIEEPgAAAAAAAAAAAAAAAAAAAEwFAYIKoZIhvcNAwcECAdef\",\"guid\":"
    "\"{aa8ad2a7-3c67-4d7e-8a35-3c8f7f2d1e01}\",\"encType\":1,\"timeCreated\":1690000000000,"
    "\"timeLastUsed\":1690000000000,\"timePasswordChanged\":1690000000000,\"timesUsed\":3,"
    "\"syncCounter\":1,\"everSynced\":false,\"encryptedUnknownFields\":null},{\"id\":2,\"guid\":"
    "\"{bb8ad2a7-3c67-4d7e-8a35-3c8f7f2d1e02}\",\"timePasswordChanged\":1690000000000,"
    "\"syncCounter\":2,\"everSynced\":true,\"deleted\":true}],"
    "\"potentiallyVulnerablePasswords\":[],\"dismissedBreachAlertsByLoginGUID\":{},\"version\":3}";

TEST_F(ThunderbirdLoginStoreTest, PasswordsGoToTheLoginStoreWhereCurrentVersionsReadThem) {
    CreateKeys();
    System.WriteFile(Dir + "\\logins.json", kLogins);
    SaveProviderAccount();

    const std::string written = System.ReadFile(Dir + "\\logins.json");
    // The logins it had stay as they were; the new ones follow them.
    const std::size_t end = kLogins.find("],\"potentiallyVulnerablePasswords\"");
    std::string before = kLogins.substr(0, end);
    before.replace(before.find("\"nextId\":3"), 10, "\"nextId\":5");
    EXPECT_EQ(written.substr(0, before.size()), before);
    EXPECT_EQ(written.substr(written.size() - (kLogins.size() - end)), kLogins.substr(end));
    EXPECT_NE(written.find(",{\"id\":3,\"hostname\":\"mailbox://" + kPopHost +
                           "\",\"httpRealm\":\"mailbox://" + kPopHost +
                           "\",\"formSubmitURL\":null,"),
              std::string::npos)
        << written;
    EXPECT_EQ(StoredPassword("mailbox://" + kPopHost, kAddress), "Geheim-42");
    EXPECT_EQ(StoredPassword("smtp://" + kSmtpHost, kAddress), "Geheim-42");
    EXPECT_EQ(written.find("Geheim-42"), std::string::npos);
    // Old versions still find the passwords where they look.
    EXPECT_EQ(
        TMozillaPasswordsFile(Dir + "\\signons.txt").GetPassword("mailbox", kAddress, kPopHost),
        "Geheim-42");
    EXPECT_TRUE(Logged.empty());
}

TEST_F(ThunderbirdLoginStoreTest, KeyDatabaseAloneGetsANewLoginStore) {
    CreateKeys();
    SaveProviderAccount();
    const TMozillaLoginsFile logins =
        TMozillaLoginsFile::FromText(System.ReadFile(Dir + "\\logins.json"));
    EXPECT_EQ(logins.Count(), 2u);
    EXPECT_EQ(StoredPassword("smtp://" + kSmtpHost, kAddress), "Geheim-42");

    // A new password replaces the stored one in its place.
    const auto store = Open();
    TMailAccount* account = store->AccountByIndex(1);
    ASSERT_EQ(account->EmailAddress(), kAddress);
    account->SetPassword("Neu-43");
    account->Save();
    EXPECT_EQ(TMozillaLoginsFile::FromText(System.ReadFile(Dir + "\\logins.json")).Count(), 2u);
    EXPECT_EQ(StoredPassword("mailbox://" + kPopHost, kAddress), "Neu-43");
}

TEST_F(ThunderbirdLoginStoreTest, PrimaryPasswordLeavesTheLoginStoreAloneAndIsLogged) {
    CreateKeys("the user's primary password");
    System.WriteFile(Dir + "\\logins.json", kLogins);
    const std::string keys = System.ReadFile(Dir + "\\key4.db");
    SaveProviderAccount();
    EXPECT_EQ(System.ReadFile(Dir + "\\logins.json"), kLogins);
    EXPECT_EQ(System.ReadFile(Dir + "\\key4.db"), keys);
    EXPECT_EQ(ReadPrefs(Dir).GetString("mail.server.server3.hostname"), kPopHost);
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_NE(Logged[0].find("primary password"), std::string::npos) << Logged[0];
    EXPECT_NE(Logged[0].find("ask for it once"), std::string::npos) << Logged[0];
    EXPECT_EQ(Logged[0].find("Geheim-42"), std::string::npos);
}

TEST_F(ThunderbirdLoginStoreTest, StoreThatCannotBeReadOrReachedIsLeftAlone) {
    CreateKeys();
    System.WriteFile(Dir + "\\logins.json", "{\"logins\":[");
    SaveProviderAccount();
    EXPECT_EQ(System.ReadFile(Dir + "\\logins.json"), "{\"logins\":[");
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_NE(Logged[0].find("logins.json cannot be read"), std::string::npos) << Logged[0];

    // Without Thunderbird's NSS library there is no way to encrypt.
    platform::DeleteFile(kNss);
    System.WriteFile(Dir + "\\logins.json", kLogins);
    SaveProviderAccount();
    EXPECT_EQ(System.ReadFile(Dir + "\\logins.json"), kLogins);
    EXPECT_EQ(Logged.size(), 2u);
}

} // namespace
