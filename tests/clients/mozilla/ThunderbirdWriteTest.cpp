#include "ThunderbirdTestSupport.h"

#include <clients/StoreMessages.h>
#include <clients/mozilla/MozillaPasswords.h>
#include <platform/Files.h>

#include <functional>
#include <map>

namespace {

using namespace thunderbird_test;

// Name -> (kind, value as held) of every preference of a file.
using TPrefMap = std::map<std::string, std::pair<TMozillaPrefKind, std::string>>;

TPrefMap AllPrefs(const TMozillaPrefsFile& prefs) {
    TPrefMap all;
    for (std::size_t i = 0; i < prefs.Count(); ++i) {
        all[prefs.Item(i).Name] = {prefs.Item(i).Kind, prefs.Item(i).Value};
    }
    return all;
}

constexpr auto S = TMozillaPrefKind::String;
constexpr auto I = TMozillaPrefKind::Integer;
constexpr auto B = TMozillaPrefKind::Boolean;

std::string TwoAccountPrefs(const std::string& profileDir) {
    return Str("mail.account.account1.server", "server1") +
           Str("mail.account.account2.identities", "id1") +
           Str("mail.account.account2.server", "server2") +
           Str("mail.accountmanager.accounts", "account1,account2") +
           Str("mail.accountmanager.defaultaccount", "account2") +
           Str("mail.accountmanager.localfoldersserver", "server1") +
           Str("mail.identity.id1.fullName", "Erika Muster") +
           Str("mail.identity.id1.smtpServer", "smtp1") +
           Str("mail.identity.id1.useremail", "erika@example.com") +
           Bool("mail.identity.id1.valid", true) +
           Str("mail.root.none", Doubled(profileDir + "\\Mail")) +
           Str("mail.root.none-rel", "[ProfD]Mail") +
           Str("mail.root.pop3", Doubled(profileDir + "\\Mail")) +
           Str("mail.root.pop3-rel", "[ProfD]Mail") +
           Str("mail.server.server1.directory", Doubled(profileDir + "\\Mail\\Local Folders")) +
           Str("mail.server.server1.hostname", "Local Folders") +
           Str("mail.server.server1.name", "Local Folders") +
           Str("mail.server.server1.type", "none") + Str("mail.server.server1.userName", "nobody") +
           Str("mail.server.server2.directory", Doubled(profileDir + "\\Mail\\pop.example.com")) +
           Str("mail.server.server2.hostname", "pop.example.com") +
           Str("mail.server.server2.name", "erika@example.com") +
           Int("mail.server.server2.port", 110) + Str("mail.server.server2.type", "pop3") +
           Str("mail.server.server2.userName", "erika") + Str("mail.smtp.defaultserver", "smtp1") +
           Int("mail.smtpserver.smtp1.auth_method", 1) +
           Str("mail.smtpserver.smtp1.hostname", "smtp.example.com") +
           Str("mail.smtpserver.smtp1.username", "erika") + Str("mail.smtpservers", "smtp1");
}

// The preferences a new provider account adds with keys X, I, S and M.
TPrefMap ProviderAccountPrefs(const std::string& x, const std::string& i, const std::string& s,
                              const std::string& m, const std::string& directory) {
    const std::string uri = "mailbox://anna.beispiel%40quenlix.example@" + kPopHost;
    const std::string id = "mail.identity." + i + ".";
    const std::string srv = "mail.server." + s + ".";
    const std::string smtp = "mail.smtpserver." + m + ".";
    return {
        {"mail.account." + x + ".identities", {S, i}},
        {"mail.account." + x + ".server", {S, s}},
        {id + "doBcc", {B, "false"}},
        {id + "doBccList", {S, ""}},
        {id + "draft_folder", {S, uri + "/Drafts"}},
        {id + "fcc_folder", {S, uri + "/Sent"}},
        {id + "stationery_folder", {S, uri + "/Templates"}},
        {id + "drafts_folder_picker_mode", {S, "0"}},
        {id + "fcc_folder_picker_mode", {S, "0"}},
        {id + "tmpl_folder_picker_mode", {S, "0"}},
        {id + "valid", {B, "true"}},
        {id + "fullName", {S, "Anna Beispiel"}},
        {id + "useremail", {S, kAddress}},
        {id + "smtpServer", {S, m}},
        {id + "organization", {S, ""}},
        {id + "reply_to", {S, ""}},
        {srv + "directory", {S, Doubled(directory)}},
        {srv + "directory-rel", {S, "[ProfD]Mail/" + kPopHost}},
        {srv + "type", {S, "pop3"}},
        {srv + "name", {S, kAddress}},
        {srv + "userName", {S, kAddress}},
        {srv + "remember_password", {B, "true"}},
        {srv + "hostname", {S, kPopHost}},
        {srv + "port", {I, "995"}},
        {srv + "useSecAuth", {B, "false"}},
        {srv + "authMethod", {I, "3"}}, // read by current versions instead of useSecAuth
        {srv + "socketType", {I, "3"}},
        {srv + "leave_on_server", {B, "true"}},
        {smtp + "hostname", {S, kSmtpHost}},
        {smtp + "port", {I, "465"}},
        {smtp + "try_ssl", {I, "3"}},
        {smtp + "auth_method", {I, "1"}},
        {smtp + "authMethod", {I, "3"}}, // read by current versions instead of auth_method
        {smtp + "username", {S, kAddress}},
    };
}

std::string Signon(const std::string& site, const std::string& base64) {
    return site + "\r\n\\=username=\\\r\n~\r\n*\\=password=\\\r\n~" + base64 + "\r\n.\r\n";
}

class ThunderbirdWriteTest : public ThunderbirdFixture {
protected:
    void SetUp() override {
        InstallExe();
        WriteSingleProfile("p.default");
        Dir = ProfileDir("p.default");
    }
    TPrefMap Before(const std::string& statements) {
        WritePrefs(Dir, statements);
        return AllPrefs(ReadPrefs(Dir));
    }
    std::string Dir;
};

TEST_F(ThunderbirdWriteTest, NewAccountBesideTwoAccountsWritesExactlyTheProviderPreferences) {
    TPrefMap expected = Before(TwoAccountPrefs(Dir));
    System.WriteFile(Dir + "\\Mail\\pop.example.com\\Inbox", "");
    const auto store = Open();
    ASSERT_EQ(store->AccountCount(), 1);
    TMailAccount* account = store->AddAccount(AccountKindPOP, kAddress, kAddress, "geheim");
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->AccountKey(), "account3");
    EXPECT_TRUE(account->IsNew());
    SetProviderFields(*account, "geheim");
    account->Save();

    for (auto& [name, value] :
         ProviderAccountPrefs("account3", "id2", "server3", "smtp2", Dir + "\\Mail\\" + kPopHost)) {
        expected[name] = value;
    }
    expected["mail.accountmanager.accounts"] = {S, "account1,account2,account3"};
    expected["mail.accountmanager.defaultaccount"] = {S, "account3"};
    expected["mail.smtpservers"] = {S, "smtp1,smtp2"};
    EXPECT_EQ(AllPrefs(ReadPrefs(Dir)), expected);
    EXPECT_TRUE(System.Exists(Dir + "\\Mail\\" + kPopHost));
    EXPECT_EQ(System.ReadFile(Dir + "\\signons.txt"),
              "#2c\r\n.\r\n" +
                  Signon("mailbox://anna.beispiel%40quenlix.example@" + kPopHost, "Z2VoZWlt") +
                  Signon("smtp://anna.beispiel%40quenlix.example@" + kSmtpHost, "Z2VoZWlt"));
    EXPECT_EQ(System.ReadFile(Dir + "\\prefs.js").substr(0, kHeader.size()), kHeader);
}

TEST_F(ThunderbirdWriteTest, NewAccountInAnEmptyProfileGetsTheLocalFoldersFirst) {
    const auto store = Open();
    ASSERT_TRUE(store->Installed());
    TMailAccount* account = store->AddAccount(AccountKindPOP, kAddress, kAddress, "geheim");
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->AccountKey(), "account3");
    EXPECT_TRUE(account->IsDefault()); // the profile's only account
    for (const char* sub : {"\\ImapMail", "\\Mail", "\\News", "\\Mail\\Local Folders"}) {
        EXPECT_TRUE(platform::DirectoryExists(Dir + sub)) << sub;
    }
    TPrefMap expected = {
        {"mail.account.account1.server", {S, "server1"}},
        {"mail.accountmanager.defaultaccount", {S, "account2"}},
        {"mail.accountmanager.localfoldersserver", {S, "server1"}},
        {"mail.root.none", {S, Doubled(Dir + "\\Mail")}},
        {"mail.root.none-rel", {S, "[ProfD]Mail"}},
        {"mail.root.pop3", {S, Doubled(Dir + "\\Mail")}},
        {"mail.root.pop3-rel", {S, "[ProfD]Mail"}},
        {"mail.server.server1.directory", {S, Doubled(Dir + "\\Mail\\Local Folders")}},
        {"mail.server.server1.directory-rel", {S, "[ProfD]Mail/Local Folders"}},
        {"mail.server.server1.hostname", {S, "Local Folders"}},
        {"mail.server.server1.name", {S, "Local Folders"}},
        {"mail.server.server1.type", {S, "none"}},
        {"mail.server.server1.userName", {S, "nobody"}},
        {"mail.smtp.defaultserver", {S, "smtp1"}},
        {"mail.startup.enabledMailCheckOnce", {B, "true"}},
    };
    EXPECT_EQ(AllPrefs(ReadPrefs(Dir)), expected); // written by the key allocation alone

    SetProviderFields(*account, "geheim");
    account->Save();
    for (auto& [name, value] :
         ProviderAccountPrefs("account3", "id1", "server2", "smtp1", Dir + "\\Mail\\" + kPopHost)) {
        expected[name] = value;
    }
    expected["mail.accountmanager.accounts"] = {S, "account3"};
    expected["mail.accountmanager.defaultaccount"] = {S, "account3"};
    expected["mail.smtpservers"] = {S, "smtp1"};
    EXPECT_EQ(AllPrefs(ReadPrefs(Dir)), expected);
}

TEST_F(ThunderbirdWriteTest, KeysFollowTheHighestNumberAndTheFirstGaps) {
    Before(Str("mail.accountmanager.accounts", "account1,account5") +
           Str("mail.identity.id1.useremail", "a") + Str("mail.identity.id3.useremail", "b") +
           Str("mail.server.server1.type", "none") + Str("mail.server.server2.type", "pop3"));
    const auto store = Open();
    TMailAccount* account = store->AddAccount(AccountKindPOP, kAddress, kAddress, "");
    EXPECT_EQ(account->AccountKey(), "account6");
    EXPECT_FALSE(account->RememberPassword());
    SetProviderFields(*account, "geheim", "Anna", false);
    account->Save();
    EXPECT_EQ(account->StoreData().Value("identity"), "id2");
    EXPECT_EQ(account->StoreData().Value("server"), "server3");
    EXPECT_EQ(ReadPrefs(Dir).GetString("mail.accountmanager.accounts"),
              "account1,account5,account6");
    EXPECT_FALSE(Prefs->Exists("mail.accountmanager.defaultaccount"));
}

TEST_F(ThunderbirdWriteTest, SecondSaveOfANewAccountReusesItsRecords) {
    const auto store = Open();
    TMailAccount* account = store->AddAccount(AccountKindPOP, kAddress, kAddress, "pw");
    SetProviderFields(*account, "geheim", "Anna", true);
    account->Save();
    const std::string first = System.ReadFile(Dir + "\\prefs.js");
    account->Save();
    EXPECT_EQ(System.ReadFile(Dir + "\\prefs.js"), first);
    EXPECT_FALSE(System.Exists(Dir + "\\Mail\\" + kPopHost + "-1"));
}

TEST_F(ThunderbirdWriteTest, TakenFolderGetsANumberAndLoginIsEscapedInFolderUris) {
    System.WriteFile(Dir + "\\Mail\\" + kPopHost + "\\Inbox", "");
    System.WriteFile(Dir + "\\Mail\\" + kPopHost + "-1", "a file, not a folder");
    const auto store = Open();
    TMailAccount* account = store->AddAccount(AccountKindPOP, kAddress, kAddress, "pw");
    SetProviderFields(*account, "geheim", "Anna", true);
    account->SetUserName("anna beispiel@quenlix");
    account->Save();
    const std::string folder = kPopHost + "-2";
    EXPECT_TRUE(platform::DirectoryExists(Dir + "\\Mail\\" + folder));
    TMozillaPrefsFile& prefs = ReadPrefs(Dir);
    EXPECT_EQ(prefs.GetString("mail.server.server2.directory"), Doubled(Dir + "\\Mail\\" + folder));
    EXPECT_EQ(prefs.GetString("mail.server.server2.directory-rel"), "[ProfD]Mail/" + folder);
    EXPECT_EQ(prefs.GetString("mail.identity.id1.fcc_folder"),
              "mailbox://anna%20beispiel%40quenlix@" + kPopHost + "/Sent");
}

TEST_F(ThunderbirdWriteTest, HostWithPathCharactersStaysInsideTheMailFolder) {
    const auto store = Open();
    auto& account = dynamic_cast<TPOPMailAccount&>(
        *store->AddAccount(AccountKindPOP, kAddress, kAddress, "pw"));
    account.SetIncomingServer("..\\..\\evil:host");
    account.Save();
    EXPECT_TRUE(platform::DirectoryExists(Dir + "\\Mail\\.._.._evil_host"));
    EXPECT_EQ(ReadPrefs(Dir).GetString("mail.server.server2.directory-rel"),
              "[ProfD]Mail/.._.._evil_host");
    EXPECT_EQ(MozillaUnescapeString(Prefs->GetString("mail.server.server2.hostname")),
              "..\\..\\evil:host");
    // Without an outgoing host the account still gets an outgoing server of its own.
    EXPECT_EQ(Prefs->GetString("mail.identity.id1.smtpServer"), "smtp1");
}

TEST_F(ThunderbirdWriteTest, OutgoingServerNumbersNeverRepeatAcrossProfiles) {
    System.WriteFile(ThunderbirdDir + "\\profiles.ini",
                     "[Profile0]\r\nPath=Profiles/p.default\r\nDefault=1\r\n"
                     "[Profile1]\r\nPath=Profiles/other\r\n");
    WritePrefs(Dir, TwoAccountPrefs(Dir));
    WritePrefs(ProfileDir("other"), Str("mail.smtpservers", "smtp1,smtp7"));
    const auto store = Open();
    EXPECT_EQ(store->HighestSmtpNumber(), 7);
    TMailAccount* account = store->AddAccount(AccountKindPOP, kAddress, kAddress, "pw");
    SetProviderFields(*account, "geheim", "Anna", true);
    account->Save();
    EXPECT_EQ(ReadPrefs(Dir).GetString("mail.smtpservers"), "smtp1,smtp8");
    EXPECT_EQ(store->HighestSmtpNumber(), 8);
}

TEST_F(ThunderbirdWriteTest, AdaptingAnAccountKeepsItsKeysAndLeavesASharedServerAlone) {
    // account2 and account3 share smtp1.
    TPrefMap before = Before(
        Replaced(TwoAccountPrefs(Dir), "account1,account2", "account1,account2,account3") +
        Str("mail.account.account3.identities", "id2") +
        Str("mail.account.account3.server", "server3") +
        Str("mail.identity.id2.useremail", "other@example.com") +
        Str("mail.identity.id2.smtpServer", "smtp1") + Str("mail.server.server3.type", "pop3") +
        Str("mail.server.server3.hostname", "pop.example.com"));
    const auto store = Open();
    ASSERT_EQ(store->AccountCount(), 2);
    TMailAccount* account = store->AccountByIndex(0);
    const std::string kept = System.ReadFile(Dir + "\\prefs.js");

    account->SetSmtpPort(25); // same host: the shared server itself is updated
    account->Save();
    EXPECT_EQ(account->StoreData().Value("smtpserver"), "smtp1");
    EXPECT_EQ(ReadPrefs(Dir).GetInteger("mail.smtpserver.smtp1.port"), 25);

    SetProviderFields(*account, "geheim", "Erika Muster", false);
    account->Save();
    EXPECT_EQ(account->AccountKey(), "account2");
    EXPECT_EQ(account->StoreData().Lines(),
              (std::vector<std::string>{"identity=id1", "server=server2", "smtpserver=smtp2"}));
    const TPrefMap after = AllPrefs(ReadPrefs(Dir));
    for (const char* leaf : {"hostname", "auth_method", "username"}) {
        const std::string name = std::string("mail.smtpserver.smtp1.") + leaf;
        EXPECT_EQ(after.at(name), before.at(name)) << name;
    }
    EXPECT_EQ(after.at("mail.smtpserver.smtp2.hostname").second, kSmtpHost);
    EXPECT_EQ(after.at("mail.smtpservers").second, "smtp1,smtp2");
    EXPECT_EQ(after.at("mail.identity.id1.smtpServer").second, "smtp2");
    EXPECT_EQ(after.at("mail.identity.id2.smtpServer").second, "smtp1");
    EXPECT_EQ(after.at("mail.accountmanager.accounts").second, "account1,account2,account3");
    EXPECT_EQ(after.at("mail.server.server2.hostname").second, kPopHost);
    EXPECT_EQ(after.at("mail.server.server2.directory"),
              before.at("mail.server.server2.directory"));
    EXPECT_EQ(after.count("mail.identity.id1.draft_folder"), 0u); // only new accounts get these
    EXPECT_EQ(after.count("mail.account.account4.server"), 0u);
    EXPECT_NE(kept, System.ReadFile(Dir + "\\prefs.js"));
}

TEST_F(ThunderbirdWriteTest, AuthModeZeroDeletesTheMethodButKeepsTheUserName) {
    Before(TwoAccountPrefs(Dir));
    const auto store = Open();
    TMailAccount* account = store->AccountByIndex(0);
    account->SetSmtpAuthMode(0);
    account->Save();
    TMozillaPrefsFile& prefs = ReadPrefs(Dir);
    EXPECT_FALSE(prefs.Exists("mail.smtpserver.smtp1.auth_method"));
    EXPECT_EQ(prefs.GetString("mail.smtpserver.smtp1.username"), "erika");
}

TEST_F(ThunderbirdWriteTest, ProfileWrittenByTheStoreReadsBackWithEqualFields) {
    Before(TwoAccountPrefs(Dir));
    const auto store = Open();
    auto& account = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(0));
    account.SetAccountName("Erika \"Eri\" Muster\\Sohn");
    account.SetDisplayName("Label with \\ and \"quotes\"");
    account.SetOrganization("Org \"A\\B\"\r\nuser_pref(\"evil\", 1);");
    account.SetReplyTo("reply\"@example.com");
    account.SetPassword("p\"w\\");
    account.SetRememberPassword(true);
    account.SetIncomingServer("pop.example.com");
    account.SetUseSSL(true);
    account.SetIncomingPort(995);
    account.SetRemoveWhenExpired(true);
    account.SetExpireDays(9);
    account.SetRemoveWhenDeleted(true);
    account.SetSmtpUseTLS(true);
    account.SetSmtpUserName("smtp-login");
    account.SetSmtpPassword("smtp-secret");
    account.SetSmtpAuthMode(2);
    account.SetIsDefault(true);
    account.Save();
    // prefs.js stays well-formed: every statement still parses as one preference.
    EXPECT_EQ(ReadPrefs(Dir).OtherLines().size(), 8u);
    EXPECT_FALSE(Prefs->Exists("evil"));

    const auto fresh = Open();
    ASSERT_EQ(fresh->AccountCount(), 1);
    EXPECT_TRUE(TMailAccount::SameProperties(*fresh->AccountByIndex(0), account))
        << ::testing::PrintToString(TMailAccount::DescribeChanges(
               TMailAccount::Differences(*fresh->AccountByIndex(0), account)));
}

TEST_F(ThunderbirdWriteTest, NewImapAccountIsRefusedWithAMessageAndNothingIsWritten) {
    Before(TwoAccountPrefs(Dir));
    const std::string prefs = System.ReadFile(Dir + "\\prefs.js");
    std::vector<std::string> messages;
    const TStoreMessageHandler previous =
        SetStoreMessageHandler([&messages](const std::string& text) { messages.push_back(text); });
    const auto store = Open();
    TMailAccount* account = store->AddAccount(AccountKindIMAP, kAddress, kAddress, "pw");
    ASSERT_NE(account, nullptr);
    account->SetSmtpServer(kSmtpHost);
    account->Save();
    SetStoreMessageHandler(previous);
    EXPECT_EQ(messages, std::vector<std::string>{"To be implemented!"});
    EXPECT_EQ(System.ReadFile(Dir + "\\prefs.js"), prefs);
    EXPECT_FALSE(System.Exists(Dir + "\\signons.txt"));
    EXPECT_EQ(store->HighestSmtpNumber(), 1);
}

TEST_F(ThunderbirdWriteTest, PasswordsAreFiledUnderTheLoginAndHostTheyAreReadBy) {
    Before(TwoAccountPrefs(Dir) + Str("mail.server.server2.realhostname", "pop2.example.com"));
    System.WriteFile(Dir + "\\signons.txt", "#2c\r\n.\r\n" +
                                                Signon("mailbox://erika@pop.example.com", "b2xk") +
                                                Signon("imap://foreign@h", "!!!!"));
    const auto store = Open();
    TMailAccount* account = store->AccountByIndex(0);
    EXPECT_EQ(account->Password(), "old");
    account->SetPassword("new");
    account->Save();
    EXPECT_EQ(ReadPrefs(Dir).GetString("mail.server.server2.realhostname"), "pop2.example.com");
    EXPECT_EQ(Open()->AccountByIndex(0)->Password(), "new");
    EXPECT_NE(System.ReadFile(Dir + "\\signons.txt").find(Signon("imap://foreign@h", "!!!!")),
              std::string::npos);
}

// A name set twice in prefs.js: Thunderbird uses the last statement, so that is the one the
// store reads and changes.
TEST_F(ThunderbirdWriteTest, PreferenceSetTwiceIsReadAndChangedWhereThunderbirdReadsIt) {
    Before(TwoAccountPrefs(Dir) + Str("mail.server.server2.hostname", "pop.later.example.com") +
           Int("mail.server.server2.port", 110));
    const auto store = Open();
    auto& account = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(0));
    EXPECT_EQ(account.IncomingServer(), "pop.later.example.com");
    account.SetIncomingServer(kPopHost);
    account.SetIncomingPort(995);
    account.Save();
    TMozillaPrefsFile& prefs = ReadPrefs(Dir);
    EXPECT_EQ(prefs.GetString("mail.server.server2.hostname"), kPopHost);
    EXPECT_EQ(prefs.GetInteger("mail.server.server2.port"), 995);
    EXPECT_EQ(dynamic_cast<TPOPMailAccount&>(*Open()->AccountByIndex(0)).IncomingServer(),
              kPopHost);
}

// signons.txt has no escape for line breaks: a login or host holding one would forge a site line.
struct TLineBreakCase {
    const char* Field;
    std::function<void(TPOPMailAccount&)> Set;
};

void PrintTo(const TLineBreakCase& c, std::ostream* os) {
    *os << c.Field;
}

class ThunderbirdLineBreakTest : public ThunderbirdWriteTest,
                                 public ::testing::WithParamInterface<TLineBreakCase> {};

TEST_P(ThunderbirdLineBreakTest, LineBreakInLoginOrHostIsRefusedBeforeAnythingIsWritten) {
    Before(TwoAccountPrefs(Dir));
    System.WriteFile(Dir + "\\signons.txt",
                     "#2c\r\n.\r\n" + Signon("mailbox://erika@pop.example.com", "b2xk"));
    const std::string prefsBefore = System.ReadFile(Dir + "\\prefs.js");
    const std::string signonsBefore = System.ReadFile(Dir + "\\signons.txt");
    const auto store = Open();
    auto& account = dynamic_cast<TPOPMailAccount&>(
        *store->AddAccount(AccountKindPOP, kAddress, kAddress, "secret-pw"));
    SetProviderFields(account, "geheim", "Anna", true);
    account.SetPassword("secret-pw");
    account.SetSmtpAuthMode(2);
    account.SetSmtpUserName("smtp-login");
    GetParam().Set(account);
    try {
        account.Save();
        ADD_FAILURE() << "the save was not refused";
    } catch (const std::exception& error) {
        EXPECT_EQ(std::string(error.what()).find("secret-pw"), std::string::npos) << error.what();
    }
    EXPECT_EQ(System.ReadFile(Dir + "\\prefs.js"), prefsBefore);
    EXPECT_EQ(System.ReadFile(Dir + "\\signons.txt"), signonsBefore);
    EXPECT_FALSE(System.Exists(Dir + "\\Mail\\" + kPopHost));
    EXPECT_EQ(store->HighestSmtpNumber(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ThunderbirdLineBreakTest,
    ::testing::Values(TLineBreakCase{"UserName",
                                     [](TPOPMailAccount& a) {
                                         a.SetUserName("anna\r\nmailbox://x@evil");
                                     }},
                      TLineBreakCase{"IncomingServer",
                                     [](TPOPMailAccount& a) {
                                         a.SetIncomingServer("pop.example\nevil");
                                     }},
                      TLineBreakCase{"SmtpServer",
                                     [](TPOPMailAccount& a) {
                                         a.SetSmtpServer("smtp\rhost");
                                     }},
                      TLineBreakCase{"SmtpUserName",
                                     [](TPOPMailAccount& a) {
                                         a.SetSmtpUserName("smtp\nlogin");
                                     }}),
    [](const ::testing::TestParamInfo<TLineBreakCase>& info) { return info.param.Field; });

} // namespace
