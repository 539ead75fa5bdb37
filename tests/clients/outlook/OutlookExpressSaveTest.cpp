// Outlook Express: saving accounts, with their key counter and password items, all or nothing.

#include "OutlookExpressTestSupport.h"

#include "platform/RegHive.h"
#include "platform/System.h"
#include "platform/WriteTransaction.h"
#include "support/ScriptedRandom.h"

using namespace oe_test;
using testing_support::TScriptedRandom;

namespace {

const std::string NewKey = TopAccounts + "\\00000000";

class OutlookExpressSave : public OutlookExpressFixture {
protected:
    // The main identity owning a top-level tree without any account or counter.
    void InstallEmptyTree(const std::string& ini = testing_support::TTestMachine().Ini()) {
        Install(IdentityKeys(MainIdentity, "Main Identity") + TopLevelTree(MainIdentity), ini);
    }
};

} // namespace

TEST_F(OutlookExpressSave, TheWizardsNewAccountGetsExactlyTheProviderValues) {
    InstallEmptyTree();
    TScriptedRandom random({12345678, 87654321});
    auto store = Load(random);
    TPOPMailAccount& account = AddWizardAccount(*store);
    EXPECT_EQ(account.AccountKey(), "00000000");
    EXPECT_FALSE(IntegerAt(AccountManager, "Account Name")) << "the counter moves at the save";
    account.Save();

    EXPECT_EQ(KeySection(HiveText(), AccountManager) + "\n" + KeySection(HiveText(), TopAccounts) +
                  "\n" + KeySection(HiveText(), NewKey),
              TestFile("golden/new_provider_account.reg"));
    EXPECT_EQ(StoredPassword("account12345678"), "Geheim-42");
    EXPECT_EQ(HiveText().find("Geheim-42"), std::string::npos) << "no password in clear";
    EXPECT_EQ(account.StoreLocation(), NewKey);

    System().Reinstall();
    auto reloaded = Load();
    ASSERT_EQ(reloaded->AccountCount(), 1);
    TMailAccount& read = *reloaded->AccountByIndex(0);
    EXPECT_EQ(TMailAccount::DescribeChanges(TMailAccount::Differences(read, account)),
              std::vector<std::string>{"13 new: \"false\", old : \"true\""})
        << "only IsNew differs";
    EXPECT_EQ(read.Password(), "Geheim-42");
}

TEST_F(OutlookExpressSave, AnOwnOutgoingLoginGetsItsOwnReferenceAndItem) {
    InstallEmptyTree();
    TScriptedRandom random({12345678, 87654321});
    auto store = Load(random);
    TPOPMailAccount& account = AddWizardAccount(*store);
    account.SetSmtpAuthMode(2);
    account.SetSmtpUserName("smtp-anna");
    account.SetSmtpPassword("Senden-7");
    account.SetSmtpRememberPassword(true);
    account.Save();

    EXPECT_EQ(IntegerAt(NewKey, "SMTP Use Sicily"), 3);
    EXPECT_EQ(StringAt(NewKey, "SMTP User Name"), "smtp-anna");
    EXPECT_EQ(BinaryAt(NewKey, "SMTP Password2"),
              ReferenceValueBytes(TOutlookPasswordStore::OutlookExpress, "account87654321"));
    EXPECT_EQ(IntegerAt(NewKey, "SMTP Prompt for Password"), 0);
    EXPECT_EQ(StoredPassword("account12345678"), "Geheim-42");
    EXPECT_EQ(StoredPassword("account87654321"), "Senden-7");
}

TEST_F(OutlookExpressSave, AdaptingAnAccountKeepsItsKeyAndItsReferenceNames) {
    Install(TestFile("fixtures/two_identities.reg"));
    StorePassword("account10000002", "Alt-1");
    TScriptedRandom random({55555555, 66666666});
    auto store = Load(random);
    auto& account = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(1));
    ApplyWizardSettings(account, "Neu-2");
    account.Save();

    const std::string key = TopAccounts + "\\00000002";
    EXPECT_EQ(BinaryAt(key, "POP3 Password2"),
              ReferenceValueBytes(TOutlookPasswordStore::OutlookExpress, "account10000002"));
    EXPECT_EQ(StoredPassword("account10000002"), "Neu-2");
    EXPECT_EQ(StoredPassword("account55555555"), "");
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 4) << "no key was allocated";
    EXPECT_EQ(StringAt(key, "SMTP Display Name"), "Anna Muster");
    EXPECT_EQ(StringAt(key, "Account Name"), WizardAddress);
    EXPECT_EQ(IntegerAt(key, "Connection Type"), 3);
    System().Reinstall();
    EXPECT_EQ(Load()->AccountCount(), 2);
}

// The default mark goes into the tree before the account key is written.
TEST_F(OutlookExpressSave, TheDefaultMarkIsWrittenBeforeTheAccountKey) {
    Install(TestFile("fixtures/two_identities.reg"));
    auto store = Load();
    TMailAccount& account = *store->DefaultProfile()->FindAccount("00000001");
    account.SetIsDefault(true);
    account.SetDisplayName("Anna Muster");
    platform::TPreparedChanges changes;
    {
        platform::TWriteTransaction dryRun(platform::TTransactionMode::DryRun);
        account.Save();
        changes = dryRun.Commit();
    }
    std::vector<std::string> keys;
    for (const platform::TRegistryChange& change : changes.Registry) {
        if (keys.empty() || keys.back() != change.KeyPath) {
            keys.push_back(change.KeyPath);
        }
    }
    EXPECT_EQ(keys, (std::vector<std::string>{AccountManager, TopAccounts + "\\00000001"}));
}

TEST_F(OutlookExpressSave, AnEmptyPasswordKeepsTheReferenceAndItsItem) {
    Install(TestFile("fixtures/two_identities.reg"));
    StorePassword("account10000002", "Alt-1");
    auto store = Load();
    TMailAccount& account = *store->AccountByIndex(1);
    account.SetPassword("");
    account.Save();
    EXPECT_EQ(BinaryAt(TopAccounts + "\\00000002", "POP3 Password2"),
              ReferenceValueBytes(TOutlookPasswordStore::OutlookExpress, "account10000002"));
    EXPECT_EQ(StoredPassword("account10000002"), "Alt-1");
}

TEST_F(OutlookExpressSave, APasswordNotRememberedLosesItsItemButKeepsTheReference) {
    Install(TestFile("fixtures/two_identities.reg"));
    StorePassword("account10000002", "Alt-1");
    auto store = Load();
    TMailAccount& account = *store->AccountByIndex(1);
    account.SetPassword("Neu-2");
    account.SetRememberPassword(false);
    account.Save();
    const std::string key = TopAccounts + "\\00000002";
    EXPECT_TRUE(BinaryAt(key, "POP3 Password2"));
    EXPECT_EQ(IntegerAt(key, "POP3 Prompt for Password"), 1);
    EXPECT_EQ(StoredPassword("account10000002"), "");
}

TEST_F(OutlookExpressSave, TheFirstKeyIsZeroAndTheCounterMovesWithEachSavedAccount) {
    InstallEmptyTree();
    auto store = Load();
    TPOPMailAccount& first = AddWizardAccount(*store);
    TPOPMailAccount& second = AddWizardAccount(*store);
    EXPECT_EQ(first.AccountKey(), "00000000");
    EXPECT_EQ(second.AccountKey(), "00000001") << "an unsaved key is not handed out twice";
    second.Save();
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 2);
    first.Save();
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 2) << "the counter never goes back";
    EXPECT_EQ(StringAt(AccountManager, "Default Mail Account"), "00000000");
}

TEST_F(OutlookExpressSave, ACounterBehindTheKeysNeverLeadsIntoAnExistingAccount) {
    Install(IdentityKeys(MainIdentity, "Main Identity") + TopLevelTree(MainIdentity) +
            Key(AccountManager) + Dword("Account Name", 1) + Key(TopAccounts + "\\00000001") +
            Str("Account Name", "old") + Str("POP3 Server", "pop.example.org"));
    auto store = Load();
    TPOPMailAccount& account = AddWizardAccount(*store);
    EXPECT_EQ(account.AccountKey(), "00000002");
    account.Save();
    EXPECT_EQ(StringAt(TopAccounts + "\\00000001", "Account Name"), "old");
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 3);
}

TEST_F(OutlookExpressSave, TwoAccountsNeverShareAReferenceName) {
    InstallEmptyTree();
    // The second account draws the first one's names again and must draw on; a name drawn but
    // not used (the first account has no outgoing password) is free again.
    TScriptedRandom random({5, 5, 6, 5, 6, 5, 7});
    auto store = Load(random);
    TPOPMailAccount& first = AddWizardAccount(*store);
    first.Save();
    TPOPMailAccount& second = AddWizardAccount(*store, "Anders-3");
    second.Save();
    EXPECT_EQ(BinaryAt(TopAccounts + "\\00000001", "POP3 Password2"),
              ReferenceValueBytes(TOutlookPasswordStore::OutlookExpress, "account00000006"));
    EXPECT_EQ(StoredPassword("account00000005"), "Geheim-42");
    EXPECT_EQ(StoredPassword("account00000006"), "Anders-3");
    EXPECT_EQ(random.Left(), 0u);
}

TEST_F(OutlookExpressSave, WithoutProtectedStorageEverythingButTheItemsIsWritten) {
    InstallEmptyTree(testing_support::TTestMachine().ProtectedStorage(false).Ini());
    TScriptedRandom random({12345678, 87654321});
    auto store = Load(random);
    TPOPMailAccount& account = AddWizardAccount(*store);
    account.Save();
    EXPECT_EQ(StringAt(NewKey, "POP3 Server"), "pop.quenlix.example");
    EXPECT_EQ(BinaryAt(NewKey, "POP3 Password2"),
              ReferenceValueBytes(TOutlookPasswordStore::OutlookExpress, "account12345678"));
    System().Reinstall();
    auto reloaded = Load();
    ASSERT_EQ(reloaded->AccountCount(), 1);
    EXPECT_EQ(reloaded->AccountByIndex(0)->Password(), "");
}

TEST_F(OutlookExpressSave, AHiveThatCannotBeWrittenLeavesNoHalfWrittenAccount) {
    InstallEmptyTree();
    auto store = Load();
    const std::string before = HiveText();
    TPOPMailAccount& account = AddWizardAccount(*store);
    ExpectFailedSave(account, platform::reg::TSaveFault::Rename);
    EXPECT_EQ(HiveText(), before);
    EXPECT_FALSE(KeyExists(NewKey));
    EXPECT_FALSE(IntegerAt(AccountManager, "Account Name"));
    EXPECT_FALSE(StringAt(AccountManager, "Default Mail Account"));
    // The cause is gone: the same account saves whole under the same key.
    account.Save();
    System().Reinstall();
    auto reloaded = Load();
    ASSERT_EQ(reloaded->AccountCount(), 1);
    EXPECT_EQ(reloaded->AccountByIndex(0)->AccountKey(), "00000000");
    EXPECT_EQ(reloaded->AccountByIndex(0)->Password(), "Geheim-42");
}

TEST_F(OutlookExpressSave, AFailedSaveOfAnExistingAccountPutsBackEveryValueAndItsPassword) {
    Install(TestFile("fixtures/two_identities.reg"));
    StorePassword("account10000002", "Alt-1");
    auto store = Load();
    const std::string key = TopAccounts + "\\00000002";
    TMailAccount& account = *store->AccountByIndex(1);
    account.SetDisplayName("Neuer Name");
    account.SetReplyTo("antwort@quenlix.example");
    account.SetSmtpPort(25);
    account.SetPassword("Neu-2");
    ExpectFailedSave(account, platform::reg::TSaveFault::Write, "Neu-2");
    EXPECT_EQ(StoredPassword("account10000002"), "Alt-1");
    EXPECT_EQ(StringAt(key, "SMTP Display Name"), "Anna Muster");
    EXPECT_FALSE(StringAt(key, "SMTP Reply To Email Address"));
    EXPECT_EQ(IntegerAt(key, "SMTP Port"), 465);
    EXPECT_FALSE(IntegerAt(key, "POP3 Timeout")) << "a value the save added is gone again";
}

TEST_F(OutlookExpressSave, APasswordThatCannotBeStoredTakesBackKeyCounterAndDefaultMark) {
    InstallEmptyTree();
    // Data protection keeps its keys in this folder; a file in its place stops every seal.
    System().WriteFile(platform::MachineFacts().AppData + "\\Microsoft\\Protect", "no folder");
    auto store = Load();
    TPOPMailAccount& account = AddWizardAccount(*store);
    ExpectFailedSave<EStoredPasswordError>(account);
    EXPECT_FALSE(KeyExists(NewKey));
    EXPECT_FALSE(IntegerAt(AccountManager, "Account Name"));
    EXPECT_FALSE(StringAt(AccountManager, "Default Mail Account"));
    EXPECT_EQ(account.StoreLocation(), "");
}

// The written forms of the connection and of the outgoing authentication.
struct TWriteCase {
    int Kind;
    std::uint8_t ConnectionType;
    std::uint8_t SmtpAuthMode;
    bool SmtpUseSPA;
    std::int32_t StoredConnection;
    bool Connectoid;
    std::int32_t StoredSicily; // the fixture's 2 stays for a mode outside the table
};

void PrintTo(const TWriteCase& c, std::ostream* out) {
    *out << (c.Kind == AccountKindPOP ? "POP3" : "IMAP") << " connection " << int(c.ConnectionType)
         << " auth " << int(c.SmtpAuthMode) << (c.SmtpUseSPA ? "+SPA" : "");
}

class OutlookExpressWriteTables : public OutlookExpressSave,
                                  public ::testing::WithParamInterface<TWriteCase> {};

TEST_P(OutlookExpressWriteTables, WriteTheStoredForms) {
    const TWriteCase& c = GetParam();
    const std::string server = c.Kind == AccountKindPOP ? "POP3 Server" : "IMAP Server";
    Install(IdentityKeys(MainIdentity, "Main Identity") + TopLevelTree(MainIdentity) +
            Key(TopAccounts + "\\00000001") + Str("Account Name", "Konto") +
            Str(server, "mail.example.org") + Dword("SMTP Use Sicily", 2) +
            Str("Connectoid", "Alt"));
    auto store = Load();
    TMailAccount& account = *store->AccountByIndex(0);
    account.SetConnectionType(c.ConnectionType);
    account.SetConnectionName("Einwahl");
    account.SetSmtpAuthMode(c.SmtpAuthMode);
    account.SetSmtpUseSPA(c.SmtpUseSPA);
    account.Save();
    const std::string key = TopAccounts + "\\00000001";
    EXPECT_EQ(IntegerAt(key, "Connection Type"), c.StoredConnection);
    EXPECT_EQ(StringAt(key, "Connectoid"),
              c.Connectoid ? std::optional<std::string>("Einwahl") : std::nullopt);
    EXPECT_EQ(IntegerAt(key, "SMTP Use Sicily"), c.StoredSicily);
}

INSTANTIATE_TEST_SUITE_P(Rows, OutlookExpressWriteTables,
                         ::testing::Values(TWriteCase{AccountKindPOP, 0, 0, false, 3, false, 0},
                                           TWriteCase{AccountKindPOP, 1, 1, false, 0, false, 2},
                                           TWriteCase{AccountKindPOP, 2, 2, true, 2, true, 1},
                                           TWriteCase{AccountKindPOP, 3, 2, false, 2, true, 3},
                                           TWriteCase{AccountKindPOP, 4, 3, false, 3, false, 2},
                                           TWriteCase{AccountKindIMAP, 2, 0, false, 3, false, 0},
                                           TWriteCase{AccountKindIMAP, 3, 1, false, 2, true, 2}));

// Retention values are kept only while mail stays on the server.
TEST_F(OutlookExpressSave, RetentionValuesFollowLeaveMailOnServer) {
    struct TRow {
        bool Leave, Expired, Deleted;
        std::optional<std::int32_t> StoredLeave, StoredExpired, StoredDays, StoredDeleted;
    };
    const TRow rows[] = {
        {false, true, true, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {true, false, true, 1, std::nullopt, std::nullopt, 1},
        {true, true, false, 1, 1, 9, std::nullopt},
    };
    for (const TRow& row : rows) {
        Install(TestFile("fixtures/two_identities.reg"));
        auto store = Load();
        auto& account = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(0));
        account.SetLeaveOnServer(row.Leave);
        account.SetRemoveWhenExpired(row.Expired);
        account.SetExpireDays(9);
        account.SetRemoveWhenDeleted(row.Deleted);
        account.Save();
        const std::string key = TopAccounts + "\\00000001";
        EXPECT_EQ(IntegerAt(key, "Leave Mail On Server"), row.StoredLeave);
        EXPECT_EQ(IntegerAt(key, "Remove When Expired"), row.StoredExpired);
        EXPECT_EQ(IntegerAt(key, "Expire Days"), row.StoredDays);
        EXPECT_EQ(IntegerAt(key, "Remove When Deleted"), row.StoredDeleted);
        store.reset();
    }
}

// Every field that the store keeps survives a save and a fresh load, in both kinds and in an
// identity that does not own the top-level tree.
TEST_F(OutlookExpressSave, EveryFieldSurvivesASaveAndAFreshLoad) {
    Install(TestFile("fixtures/two_identities.reg"));
    auto store = Load();
    TMailProfile& second = *store->ProfileByIndex(0);
    auto* pop = dynamic_cast<TPOPMailAccount*>(
        second.AddAccount(AccountKindPOP, "b@example.org", "Konto B", "Pop-Pass"));
    auto* imap = dynamic_cast<TIMAPMailAccount*>(
        second.AddAccount(AccountKindIMAP, "c@example.org", "Konto C", "Imap-Pass"));
    ASSERT_TRUE(pop && imap);
    for (TMailAccount* account :
         {static_cast<TMailAccount*>(pop), static_cast<TMailAccount*>(imap)}) {
        account->SetDisplayName("Bea");
        account->SetReplyTo("antwort@example.org");
        account->SetOrganization("Muster AG");
        account->SetConnectionType(3);
        account->SetConnectionName("Einwahl");
        account->SetSmtpServer("smtp.example.org");
        account->SetSmtpUseSSL(true);
        account->SetSmtpPort(587);
        account->SetSmtpAuthMode(2);
        account->SetSmtpUseSPA(true);
        account->SetSmtpUserName("smtp-b");
        account->SetSmtpPassword("Smtp-Pass");
        account->SetSmtpRememberPassword(true);
        account->SetSmtpTimeout(90);
    }
    pop->SetIncomingServer("pop.example.org");
    pop->SetIncomingPort(995);
    pop->SetUseSPA(true);
    pop->SetUseSSL(true);
    pop->SetIncomingTimeout(120);
    pop->SetLeaveOnServer(true);
    pop->SetRemoveWhenExpired(true);
    pop->SetExpireDays(14);
    pop->SetRemoveWhenDeleted(true);
    imap->SetIncomingServer("imap.example.org");
    imap->SetIncomingPort(993);
    imap->SetUseSSL(true);
    imap->SetRootFolder("INBOX.Anna");
    imap->SetIncomingTimeout(90); // an IMAP account shares the outgoing time-out
    pop->Save();
    imap->Save();
    const auto main = platform::GuidToBytes(*platform::StringToGuid(MainIdentity));
    EXPECT_EQ(BinaryAt(TopAccounts, "AssociatedID"),
              std::vector<std::uint8_t>(main.begin(), main.end()))
        << "another identity's save leaves the top-level tree to its owner";
    System().Reinstall();
    auto reloaded = Load();
    const TMailProfile& again = *reloaded->ProfileByIndex(0);
    ASSERT_EQ(again.AccountCount(), 3);
    for (TMailAccount* saved :
         {static_cast<TMailAccount*>(pop), static_cast<TMailAccount*>(imap)}) {
        const TMailAccount* read = again.FindAccount(saved->AccountKey());
        ASSERT_NE(read, nullptr) << saved->AccountKey();
        const auto changes =
            TMailAccount::DescribeChanges(TMailAccount::Differences(*read, *saved));
        EXPECT_EQ(changes, (std::vector<std::string>{"13 new: \"false\", old : \"true\""}))
            << saved->AccountKey() << ": only IsNew may differ";
    }
    EXPECT_EQ(again.FindAccount("00000002")->StoreLocation(),
              "Identities\\" + SecondIdentity + "\\" + AccountManager + "\\Accounts\\00000002");
}

TEST_F(OutlookExpressSave, ADryRunListsTheWritesAndChangesNothing) {
    InstallEmptyTree();
    TScriptedRandom random({12345678, 87654321});
    auto store = Load(random);
    const std::string before = HiveText();
    TPOPMailAccount& account = AddWizardAccount(*store);
    platform::TPreparedChanges changes;
    {
        platform::TWriteTransaction dryRun(platform::TTransactionMode::DryRun);
        account.Save();
        changes = dryRun.Commit();
    }
    // The tree's counter and default mark come first (its owner is already the right one), then
    // the account key in the order Outlook Express writes it.
    std::vector<std::string> written;
    for (const platform::TRegistryChange& change : changes.Registry) {
        if (change.KeyPath.rfind(AccountManager, 0) != 0) {
            continue; // the password item
        }
        const bool value = change.Kind == platform::TRegistryChange::TKind::ValueSet;
        written.push_back((value ? "set " : "key ") + change.KeyPath +
                          (value ? ": " + change.ValueName : std::string()));
    }
    const std::string manager = "set " + AccountManager + ": ";
    const std::string key = "set " + NewKey + ": ";
    EXPECT_EQ(written, (std::vector<std::string>{
                           manager + "Account Name",
                           manager + "Default Mail Account",
                           "key " + NewKey,
                           key + "Connection Type",
                           key + "Account Name",
                           key + "SMTP Display Name",
                           key + "SMTP Email Address",
                           key + "POP3 User Name",
                           key + "POP3 Password2",
                           key + "POP3 Prompt for Password",
                           key + "POP3 Server",
                           key + "POP3 Port",
                           key + "POP3 Timeout",
                           key + "POP3 Secure Connection",
                           key + "Leave Mail On Server",
                           key + "SMTP Server",
                           key + "SMTP Port",
                           key + "SMTP Timeout",
                           key + "SMTP Secure Connection",
                           key + "SMTP Use Sicily",
                       }));
    EXPECT_EQ(HiveText(), before);
    EXPECT_FALSE(KeyExists(NewKey));
    EXPECT_EQ(StoredPassword("account12345678"), "");
    EXPECT_EQ(account.StoreLocation(), "") << "the model follows only a real save";
}
