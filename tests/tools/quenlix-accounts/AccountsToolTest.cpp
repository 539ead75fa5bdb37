// quenlix-accounts on simulated systems: what list shows, that add and adapt write exactly what
// the setup page's routine writes, that a dry run writes nothing, that the password never shows,
// and the exit codes.
#include "ToolExit.h"
#include "ToolTestSupport.h"

#include <clients/MailStores.h>
#include <clients/mozilla/Json.h>
#include <clients/mozilla/NssKeyDatabase.h>
#include <platform/SystemTemplate.h>
#include <support/KeyDatabase.h>

#include <filesystem>
#include <optional>

namespace {

using namespace tool_testing;
using namespace accounts_tool;
using testing_support::TreeDifferences;
using testing_support::TTestSystem;
using TArgs = std::vector<std::string>;

const std::string Secret = "S3cret Pässwort!";
const std::string Address = "anna.muster@quenlix.example";

TArgs AddArgs(std::initializer_list<std::string> more = {},
              const std::string& client = "thunderbird") {
    TArgs args = {"add",         "--client",  client,        "--name",
                  "Anna Muster", "--mailbox", "anna.muster", "--password-stdin"};
    args.insert(args.end(), more);
    return args;
}

TArgs AdaptArgs(const std::string& by, std::initializer_list<std::string> more = {}) {
    TArgs args = {"adapt",     "--client",    "thunderbird",     by, "--name", "Anna Muster",
                  "--mailbox", "anna.muster", "--password-stdin"};
    args.insert(args.end(), more);
    return args;
}

// ---- list ------------------------------------------------------------------------------------

class DemoSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::filesystem::path demo = Holder_.Root() / "demo";
        platform::CreateSystemFromTemplate(QUENLIX_DEMO_TEMPLATE_DIR, demo);
        platform::UninstallSystem();
        platform::InstallSystem(demo);
    }

private:
    TTestSystem Holder_; // its folder holds the demo system and goes with it
};

TEST_F(DemoSystemTest, ListShowsEveryProfileAndAccountWithTheProvidersMarked) {
    const TToolResult result = RunTool({"list"});
    EXPECT_EQ(result.Code, ecDone);
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(
        result.Out,
        "Client             Profile          Account           Address                      "
        "Protocol  Default  Quenlix  Key\n"
        "-----------------  ---------------  ----------------  ---------------------------  "
        "--------  -------  -------  -------------------------------------------------------\n"
        "Outlook 2003       Outlook *        mail.example.com  anna.muster@example.com      "
        "POP3      yes      -        00000001\n"
        "Outlook 2003       Outlook *        Quenlix mail      anna.muster@quenlix.example  "
        "POP3      -        yes      00000002\n"
        "Outlook Express    Main Identity *  pop.example.org   anna@example.org             "
        "POP3      yes      -        00000001\n"
        "Outlook Express    Main Identity *  Quenlix mail      anna.muster@quenlix.example  "
        "POP3      -        yes      00000003\n"
        "Outlook Express    Anna privat      imap.example.org  anna@example.org             "
        "IMAP      yes      -        00000001\n"
        "Windows Live Mail  Mainprofile *    Quenlix Mail      anna.muster@quenlix.example  "
        "POP3      -        yes      account{4B6E2D0A-91C3-4F7E-A5D2-3C8B1E06F947}.oeaccount\n"
        "Thunderbird        default *        Anna Muster       anna.muster@quenlix.example  "
        "POP3      yes      yes      account2\n"
        "Thunderbird        default *        Anna Muster       anna@example.org             "
        "IMAP      -        -        account3\n"
        "\n* the profile the assistant works with: add writes there, adapt finds accounts "
        "there.\n");
}

TEST_F(DemoSystemTest, ListAsJsonNamesTheClientAsTheOptionsDo) {
    const TToolResult result = RunTool({"list", "--json"});
    ASSERT_EQ(result.Code, ecDone);
    const TJsonValue root = ParseJson(result.Out);
    const TJsonValue* clients = root.Find("clients");
    ASSERT_NE(clients, nullptr);
    ASSERT_EQ(clients->Items().size(), 4u);
    EXPECT_EQ(clients->Items()[0].Find("client")->Text(), "outlook");
    EXPECT_EQ(clients->Items()[1].Find("client")->Text(), "outlook-express");
    EXPECT_EQ(clients->Items()[2].Find("client")->Text(), "windows-live-mail");
    // The identity the assistant does not work with is listed, but not as the one used.
    const TJsonValue& otherIdentity = clients->Items()[1].Find("profiles")->Items().at(1);
    EXPECT_EQ(otherIdentity.Find("name")->Text(), "Anna privat");
    EXPECT_FALSE(otherIdentity.Find("used")->IsTrue());
    // The whole key, where the table shows the account file's name.
    const TJsonValue& liveMail = clients->Items()[2].Find("profiles")->Items().at(0);
    EXPECT_EQ(liveMail.Find("accounts")->Items().at(0).Find("key")->Text(),
              "C:\\Documents and Settings\\User\\Local Settings\\Application "
              "Data\\Microsoft\\Windows Live "
              "Mail\\pop.quenlix.example\\account{4B6E2D0A-91C3-4F7E-A5D2-3C8B1E06F947}.oeaccount");
    const TJsonValue& thunderbird = clients->Items()[3];
    EXPECT_EQ(thunderbird.Find("client")->Text(), "thunderbird");
    EXPECT_EQ(thunderbird.Find("version")->Text(), "2.0.0.24");
    const TJsonValue& profile = thunderbird.Find("profiles")->Items().at(0);
    EXPECT_EQ(profile.Find("name")->Text(), "default");
    EXPECT_TRUE(profile.Find("used")->IsTrue());
    const std::vector<TJsonValue>& accounts = profile.Find("accounts")->Items();
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0].Find("key")->Text(), "account2");
    EXPECT_EQ(accounts[0].Find("address")->Text(), Address);
    EXPECT_EQ(accounts[0].Find("accountName")->Text(), "Anna Muster");
    EXPECT_EQ(accounts[0].Find("displayName")->Text(), Address);
    EXPECT_EQ(accounts[0].Find("protocol")->Text(), "POP3");
    EXPECT_TRUE(accounts[0].Find("default")->IsTrue());
    EXPECT_TRUE(accounts[0].Find("provider")->IsTrue());
    EXPECT_EQ(accounts[1].Find("protocol")->Text(), "IMAP");
    EXPECT_FALSE(accounts[1].Find("provider")->IsTrue());
}

// ---- add and adapt write what the setup page writes ------------------------------------------

// The setup page's routine on the same input, on a system of its own.
testing_support::TTreeSnapshot WrittenBySetupRoutine(const std::string& prefs,
                                                     const std::string& adaptKey,
                                                     std::optional<bool> defaultWish) {
    const auto system = ThunderbirdSystem(prefs);
    {
        const TMailStores stores(false);
        TMailAccounts* thunderbird = stores.List()[siThunderbird];
        TMailAccount* existing = nullptr;
        if (!adaptKey.empty()) {
            existing = thunderbird->DefaultProfile()->FindAccount(adaptKey);
        }
        WriteBySetupRoutine(thunderbird, existing, {"Anna Muster", "anna.muster", Secret},
                            defaultWish);
    }
    return SnapshotOf(*system);
}

struct TWriteCase {
    const char* Name;
    TArgs Args;
    std::string Prefs; // of the profile before
    std::string AdaptKey;
    std::optional<bool> DefaultWish;
};

void PrintTo(const TWriteCase& row, std::ostream* out) {
    *out << row.Name;
}

class WriteLikeTheSetupPageTest : public ::testing::TestWithParam<TWriteCase> {};

TEST_P(WriteLikeTheSetupPageTest, TheClientGetsExactlyWhatTheSetupRoutineWrites) {
    const TWriteCase& row = GetParam();
    testing_support::TTreeSnapshot byTool;
    {
        const auto system = ThunderbirdSystem(row.Prefs);
        const auto before = SnapshotOf(*system);
        const TToolResult result = RunTool(row.Args, Secret + "\n");
        ASSERT_EQ(result.Code, ecDone) << result.Err;
        byTool = SnapshotOf(*system);
        ASSERT_NE(TreeDifferences(before, byTool), "") << "the tool wrote nothing";
    }
    const auto byRoutine = WrittenBySetupRoutine(row.Prefs, row.AdaptKey, row.DefaultWish);
    EXPECT_EQ(TreeDifferences(byRoutine, byTool), "");
    EXPECT_EQ(byTool, byRoutine);
}

INSTANTIATE_TEST_SUITE_P(
    QuenlixAccounts, WriteLikeTheSetupPageTest,
    ::testing::Values(TWriteCase{"AddToAnEmptyProfile", AddArgs(), "", "", false},
                      TWriteCase{"AddBesideOtherAccounts", AddArgs({"--default"}),
                                 ProviderProfilePrefs(ProfileDirOf()), "", true},
                      TWriteCase{"AdaptByAddress",
                                 AdaptArgs("--address=ANNA.MUSTER@quenlix.example"),
                                 ProviderProfilePrefs(ProfileDirOf()), "account2", std::nullopt},
                      TWriteCase{"AdaptByKeyTakingTheDefaultAway",
                                 AdaptArgs("--key=account2", {"--no-default"}),
                                 ProviderProfilePrefs(ProfileDirOf()), "account2", false}),
    [](const ::testing::TestParamInfo<TWriteCase>& info) { return std::string(info.param.Name); });

TEST(AddTest, ANewAccountForAMailboxTheProfileHasSaysItBroughtThatOneUpToDate) {
    const auto system = ThunderbirdSystem(ProviderProfilePrefs(ProfileDirOf()));
    const TToolResult shown = RunTool(AddArgs({"--dry-run"}), Secret + "\n");
    ASSERT_EQ(shown.Code, ecDone) << shown.Err;
    EXPECT_EQ(shown.Out.rfind("Dry run: nothing was written. add would add the Quenlix account " +
                                  Address +
                                  " in Thunderbird, profile \"default\" (default "
                                  "account: no).\n",
                              0),
              0u)
        << shown.Out;

    const TToolResult added = RunTool(AddArgs(), Secret + "\n");
    ASSERT_EQ(added.Code, ecDone) << added.Err;
    EXPECT_EQ(added.Out.rfind("Added the Quenlix account " + Address +
                                  " in Thunderbird, profile \"default\" (key account2, default "
                                  "account: no).\nThe profile already had an account for this "
                                  "mailbox",
                              0),
              0u)
        << added.Out;
}

// ---- a dry run writes nothing, and no password shows -----------------------------------------

TEST(DryRunTest, ShowsTheChangesMaskedAndWritesNothing) {
    const auto system = ThunderbirdSystem(ProviderProfilePrefs(ProfileDirOf()));
    const std::string dir = ProfileDirOf();
    system->WriteFile(dir + "\\signons.txt", "#2c\r\n.\r\n");
    const auto before = SnapshotOf(*system);

    for (const TArgs& args : {AddArgs({"--dry-run", "--verbose"}),
                              AdaptArgs("--key=account2", {"--dry-run", "--verbose"})}) {
        const TToolResult result = RunTool(args, Secret + "\r\n");
        ASSERT_EQ(result.Code, ecDone) << result.Err;
        EXPECT_EQ(TreeDifferences(before, SnapshotOf(*system)), "") << args[0];
        EXPECT_EQ(result.Out.rfind("Dry run: nothing was written.", 0), 0u) << result.Out;
        EXPECT_NE(result.Out.find("changed file   " + dir + "\\prefs.js\n"), std::string::npos);
        EXPECT_NE(result.Out.find("changed file   " + dir + "\\signons.txt\n    + "),
                  std::string::npos);
        EXPECT_NE(result.Out.find("    + (password)\n"), std::string::npos) << result.Out;
        EXPECT_NE(result.Out.find("\"mail.server.server2.port\", 995"), std::string::npos);
        ExpectNoPassword(result, Secret, args[0]);
    }
}

TEST(DryRunTest, ACurrentProfilesLoginStoreIsShownMaskedAndLeftAlone) {
    if (const std::string why = testing_support::KeyDatabaseUnavailableReason(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    const auto system =
        ThunderbirdSystem(ProviderProfilePrefs(ProfileDirOf(), Int("mail.account.lastKey", 3)));
    system->WriteFile("C:\\Program Files\\Mozilla Thunderbird\\nss3.dll", "NSS stand-in");
    testing_support::CreateKeyDatabase(system->Host(ProfileDirOf()));
    // A profile that has saved a login before: its key database has the key that encrypts
    // logins, so opening and using it changes nothing.
    {
        TNssKeyDatabase::TOpenResult opened = TNssKeyDatabase::TOpenResult::Opened;
        const auto keys = TNssKeyDatabase::Open("C:\\Program Files\\Mozilla Thunderbird\\nss3.dll",
                                                ProfileDirOf(), opened);
        ASSERT_NE(keys, nullptr);
        keys->Encrypt("a login saved before");
    }
    const auto before = SnapshotOf(*system);

    const TToolResult result = RunTool(AddArgs({"--dry-run"}), Secret + "\n");

    ASSERT_EQ(result.Code, ecDone) << result.Err;
    EXPECT_EQ(TreeDifferences(before, SnapshotOf(*system)), "");
    EXPECT_NE(result.Out.find("new file       " + ProfileDirOf() + "\\logins.json\n"),
              std::string::npos)
        << result.Out;
    EXPECT_NE(result.Out.find("encryptedPassword = (password)"), std::string::npos);
    ExpectNoPassword(result, Secret, "add --dry-run");
}

// ---- exit codes -------------------------------------------------------------------------------

enum class TSituation { Plain, ThunderbirdRunning, PrefsReadOnly, SameAddressTwice, ImapAccount };

struct TExitCase {
    const char* Name;
    TArgs Args;
    std::string Input;
    TSituation Situation;
    int Code;
    const char* Says; // a part of the error text
};

void PrintTo(const TExitCase& row, std::ostream* out) {
    *out << row.Name;
}

class ExitCodeTest : public ::testing::TestWithParam<TExitCase> {};

// A fourth account of the identity on the server, with that user name.
std::string FourthAccount(const std::string& identity, const std::string& host,
                          const std::string& type, const std::string& user) {
    return Str("mail.accountmanager.accounts", "account2,account3,account1,account4") +
           Str("mail.account.account4.identities", identity) +
           Str("mail.account.account4.server", "server4") +
           Str("mail.server.server4.hostname", host) + Str("mail.server.server4.type", type) +
           Str("mail.server.server4.userName", user);
}

TEST_P(ExitCodeTest, ScriptsCanRelyOnTheCodeAndPeopleOnTheText) {
    const TExitCase& row = GetParam();
    std::string more;
    if (row.Situation == TSituation::SameAddressTwice) {
        more = FourthAccount("id1", "pop2.quenlix.example", "pop3", Address);
    }
    if (row.Situation == TSituation::ImapAccount) {
        more = FourthAccount("id3", "imap.quenlix.example", "imap", "anna.imap@quenlix.example") +
               Str("mail.identity.id3.useremail", "anna.imap@quenlix.example");
    }
    const auto system = ThunderbirdSystem(ProviderProfilePrefs(ProfileDirOf(), more));
    testing_support::TTestProcess running;
    if (row.Situation == TSituation::ThunderbirdRunning) {
        running = system->StartProcess(kExe);
    }
    if (row.Situation == TSituation::PrefsReadOnly) {
        namespace fs = std::filesystem;
        fs::permissions(system->Host(ProfileDirOf() + "\\prefs.js"), fs::perms::owner_write,
                        fs::perm_options::remove);
    }
    const auto before = SnapshotOf(*system);

    const TToolResult result = RunTool(row.Args, row.Input);

    EXPECT_EQ(result.Code, row.Code) << result.Err;
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err.rfind("quenlix-accounts: ", 0), 0u) << result.Err;
    EXPECT_NE(result.Err.find(row.Says), std::string::npos) << result.Err;
    EXPECT_EQ(TreeDifferences(before, SnapshotOf(*system)), "");
    ExpectNoPassword(result, Secret, row.Name);
}

INSTANTIATE_TEST_SUITE_P(
    QuenlixAccounts, ExitCodeTest,
    ::testing::Values(
        TExitCase{"NoCommand", {}, "", TSituation::Plain, ecUsage, "no command"},
        TExitCase{"PasswordOnTheCommandLine",
                  {"add", "--client=thunderbird", "--password=" + Secret},
                  "",
                  TSituation::Plain,
                  ecUsage,
                  "never taken from the command line"},
        TExitCase{"NothingOnStandardInput", AddArgs(), "", TSituation::Plain, ecUsage,
                  "no password came on standard input"},
        TExitCase{"BlankPassword", AddArgs(), " \r\n", TSituation::Plain, ecUsage,
                  "password on standard input is empty"},
        TExitCase{"ClientNotInstalled", AddArgs({}, "windows-mail"), Secret, TSituation::Plain,
                  ecNoTarget, "Windows Mail"},
        TExitCase{"OutlookNotInstalled", AddArgs({}, "outlook"), Secret, TSituation::Plain,
                  ecNoTarget, "Outlook"},
        TExitCase{"AccountNotFound", AdaptArgs("--address=nobody@quenlix.example"), Secret,
                  TSituation::Plain, ecNoTarget,
                  "has no account with the address \"nobody@quenlix.example\""},
        TExitCase{"NotTheProvidersAccount", AdaptArgs("--key=account3"), Secret, TSituation::Plain,
                  ecNoTarget, "is not an account of Quenlix mail"},
        TExitCase{"AddressNotUnique", AdaptArgs("--address=" + Address), Secret,
                  TSituation::SameAddressTwice, ecNoTarget, "(keys account2, account4)"},
        TExitCase{"ImapAccountsAreNotAdapted", AdaptArgs("--address=anna.imap@quenlix.example"),
                  Secret, TSituation::ImapAccount, ecNoTarget, "is an IMAP account"},
        TExitCase{"ThunderbirdRunning", AddArgs({"--dry-run"}), Secret,
                  TSituation::ThunderbirdRunning, ecClientRunning,
                  "Thunderbird is running; close it"},
        TExitCase{"AdaptWhileThunderbirdRuns", AdaptArgs("--key=account2"), Secret,
                  TSituation::ThunderbirdRunning, ecClientRunning, "close it"},
        TExitCase{"ConfigurationNotWritable", AddArgs({"--verbose"}), Secret + "\n",
                  TSituation::PrefsReadOnly, ecNotWritten, "Nothing of it was changed"}),
    [](const ::testing::TestParamInfo<TExitCase>& info) { return std::string(info.param.Name); });

} // namespace
