// Outlook Express: detection, identities as profiles and the accounts of each identity's tree.

#include "OutlookExpressTestSupport.h"

using namespace oe_test;

namespace {

std::vector<std::string> AccountKeys(const TMailProfile& profile) {
    std::vector<std::string> keys;
    for (const auto& account : profile.Accounts()) {
        keys.push_back(account->AccountKey());
    }
    return keys;
}

class OutlookExpressDetection : public OutlookExpressFixture {};

} // namespace

TEST_F(OutlookExpressDetection, WithoutTheAccountTreeTheStoreIsNotInstalled) {
    Install(IdentityKeys(MainIdentity, "Main Identity") + Key(AccountManager));
    auto store = Load();
    EXPECT_FALSE(store->Installed());
    EXPECT_EQ(store->ClientName(), "Outlook Express");
    EXPECT_EQ(store->ClientVersion(), "6.0.2900.5512");
    EXPECT_EQ(store->ProfileCount(), 0);
    EXPECT_EQ(store->AccountCount(), 0);
    EXPECT_EQ(store->AccountByIndex(0), nullptr);
    EXPECT_EQ(store->AddAccount(AccountKindPOP, "a@quenlix.example", "a@quenlix.example", "pw"),
              nullptr);
}

TEST_F(OutlookExpressDetection, WithTheTreeButNoIdentityItIsInstalledWithoutProfiles) {
    Install(TopLevelTree(MainIdentity));
    auto store = Load();
    EXPECT_TRUE(store->Installed());
    EXPECT_EQ(store->ProfileCount(), 0);
    EXPECT_EQ(store->AddAccount(AccountKindPOP, "a@quenlix.example", "a@quenlix.example", "pw"),
              nullptr);
}

TEST_F(OutlookExpressDetection, EachIdentityIsAProfileAndTheAssociatedOneIsTheDefault) {
    Install(TestFile("fixtures/two_identities.reg"), testing_support::TTestMachine().Ini(),
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Clients\\Mail]\r\n"
            "@=\"Outlook Express\"\r\n");
    auto store = Load();
    ASSERT_TRUE(store->Installed());
    EXPECT_EQ(store->ClientMajorVersion(), 6);
    EXPECT_TRUE(store->IsDefaultClient());
    EXPECT_TRUE(store->AccountPasswordsAvailable());
    EXPECT_TRUE(store->ProfilePasswordsAvailable());
    EXPECT_EQ(GuidToString(store->DefaultIdentity()), MainIdentity);

    ASSERT_EQ(store->ProfileCount(), 2); // the null identity is gone
    const TMailProfile& second = *store->ProfileByIndex(0);
    const TMailProfile& main = *store->ProfileByIndex(1);
    EXPECT_EQ(second.Location(), SecondIdentity);
    EXPECT_EQ(second.Name(), "Anna privat");
    EXPECT_FALSE(second.IsDefaultProfile());
    EXPECT_EQ(second.AccountFilePattern(), "Identities\\" + SecondIdentity + "\\" + AccountManager);
    EXPECT_EQ(second.AccountsLocation(),
              "Identities\\" + SecondIdentity + "\\" + AccountManager + "\\Accounts");
    EXPECT_EQ(main.Location(), MainIdentity);
    EXPECT_EQ(main.Name(), "Main Identity");
    EXPECT_TRUE(main.IsDefaultProfile());
    EXPECT_EQ(main.AccountFilePattern(), AccountManager);
    EXPECT_EQ(main.AccountsLocation(), TopAccounts);
    EXPECT_EQ(store->DefaultProfile(), &main);

    // The last identity read decides; the store's mail check is the default identity's.
    EXPECT_TRUE(store->HangUpAfterSpool());
    EXPECT_TRUE(store->CheckMailOnStartup());
    EXPECT_EQ(store->PollInterval(), 10);
    EXPECT_EQ(second.PollInterval(), 0);

    EXPECT_FALSE(KeyExists("Identities\\{00000000-0000-0000-0000-000000000000}"));
    EXPECT_EQ(HiveText().find("{00000000-0000-0000-0000-000000000000}"), std::string::npos);
}

TEST_F(OutlookExpressDetection, OnlyPop3AndImapAccountsWithANameAreListed) {
    Install(TestFile("fixtures/two_identities.reg"));
    auto store = Load();
    const TMailProfile& second = *store->ProfileByIndex(0);
    const TMailProfile& main = *store->ProfileByIndex(1);
    // 00000003 is a news account, "active directory" a directory service.
    EXPECT_EQ(AccountKeys(main), (std::vector<std::string>{"00000001", "00000002"}));
    EXPECT_EQ(store->AccountCount(), 2);
    EXPECT_EQ(main.AccountByIndex(0)->Kind(), AccountKindPOP);
    EXPECT_FALSE(main.AccountByIndex(0)->IsDefault());
    EXPECT_TRUE(main.AccountByIndex(1)->IsDefault());
    EXPECT_EQ(main.AccountByIndex(1)->EmailAddress(), "anna.muster@quenlix.example");
    EXPECT_EQ(main.AccountByIndex(1)->StoreLocation(), TopAccounts + "\\00000002");
    ASSERT_EQ(AccountKeys(second), std::vector<std::string>{"00000001"});
    EXPECT_EQ(second.AccountByIndex(0)->Kind(), AccountKindIMAP);
    EXPECT_TRUE(second.AccountByIndex(0)->IsDefault());
}

TEST_F(OutlookExpressDetection, AccountKeysWithoutAUsableNameOrServerAreSkipped) {
    const std::string accounts = TopAccounts + "\\";
    Install(IdentityKeys(MainIdentity, "Main Identity") + TopLevelTree(MainIdentity) +
            Key(accounts + "00000001") + Str("POP3 Server", "pop.example.org") +
            Key(accounts + "00000002") + Str("Account Name", "") +
            Str("POP3 Server", "pop.example.org") + Key(accounts + "00000003") +
            ExpandStr("Account Name", "expandable") + Str("POP3 Server", "pop.example.org") +
            Key(accounts + "00000004") + Dword("Account Name", 4) +
            Str("IMAP Server", "imap.example.org") + Key(accounts + "00000005") +
            Str("Account Name", "smtp only") + Str("SMTP Server", "smtp.example.org") +
            Key(accounts + "00000006") + Str("Account Name", "kept") +
            Str("IMAP Server", "imap.example.org"));
    auto store = Load();
    ASSERT_EQ(store->AccountCount(), 1);
    EXPECT_EQ(store->AccountByIndex(0)->AccountKey(), "00000006");
}

TEST_F(OutlookExpressDetection, DefaultMailAccountMatchesTheKeyNameWithItsLetterCase) {
    Install(IdentityKeys(MainIdentity, "Main Identity") + TopLevelTree(MainIdentity) +
            Key(AccountManager) + Str("Default Mail Account", "0000000a") +
            Key(TopAccounts + "\\0000000A") + Str("Account Name", "upper") +
            Str("POP3 Server", "pop.example.org"));
    auto store = Load();
    ASSERT_EQ(store->AccountCount(), 1);
    EXPECT_EQ(store->AccountByIndex(0)->AccountKey(), "0000000A");
    EXPECT_FALSE(store->AccountByIndex(0)->IsDefault());
}

TEST_F(OutlookExpressDetection, IdentityKeysThatAreNoGuidAreSkippedAndAMissingUsernameIsEmpty) {
    Install(Key("Identities") + Key("Identities\\Backup") + Str("Username", "not an identity") +
            Key("Identities\\" + MainIdentity) + Str("User ID", MainIdentity) +
            TopLevelTree(MainIdentity));
    auto store = Load();
    ASSERT_EQ(store->ProfileCount(), 1);
    EXPECT_EQ(store->ProfileByIndex(0)->Location(), MainIdentity);
    EXPECT_EQ(store->ProfileByIndex(0)->Name(), "");
    EXPECT_TRUE(KeyExists("Identities\\Backup"));
}

// A value of the wrong type read as an integer drops the identity it belongs to, and only that.
class OutlookExpressWrongType : public OutlookExpressFixture,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(OutlookExpressWrongType, DropsOnlyItsIdentity) {
    const std::string secondTree = "Identities\\" + SecondIdentity + "\\" + AccountManager;
    const std::string where = GetParam();
    std::string second = Key("Identities\\" + SecondIdentity) + Str("Username", "Zweite") +
                         Key(secondTree) + Key(secondTree + "\\Accounts") +
                         Key(secondTree + "\\Accounts\\00000001") + Str("Account Name", "x") +
                         Str("POP3 Server", "pop.example.org");
    if (where == "account") {
        second += Str("POP3 Port", "110");
    } else {
        second +=
            Key("Identities\\" + SecondIdentity + "\\Software\\Microsoft\\Outlook Express\\5.0") +
            Str("Hangup After Spool", "1");
    }
    Install(IdentityKeys(MainIdentity, "Main Identity") + second + TopLevelTree(MainIdentity) +
            Key(TopAccounts + "\\00000001") + Str("Account Name", "main") +
            Str("POP3 Server", "pop.example.org"));
    auto store = Load();
    ASSERT_EQ(store->ProfileCount(), 1);
    EXPECT_EQ(store->ProfileByIndex(0)->Location(), MainIdentity);
    EXPECT_EQ(store->AccountCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Values, OutlookExpressWrongType, ::testing::Values("account", "hangup"));

// "Default User ID" in either stored form; where it names nobody, "AssociatedID" stands in and
// is written back as Outlook Express writes it, a GUID string.
struct TDefaultUserIdCase {
    const char* Name;
    std::string Stored;   // the .reg line, empty for none
    std::string Expected; // DefaultIdentity after loading
    std::optional<std::string> WrittenBack;
};

void PrintTo(const TDefaultUserIdCase& c, std::ostream* out) {
    *out << c.Name;
}

class OutlookExpressDefaultUserId : public OutlookExpressFixture,
                                    public ::testing::WithParamInterface<TDefaultUserIdCase> {};

TEST_P(OutlookExpressDefaultUserId, IsReadInBothFormsAndFilledInAsAString) {
    const TDefaultUserIdCase& c = GetParam();
    Install(Key("Identities") + c.Stored + Key("Identities\\" + MainIdentity) +
            Str("Username", "Main Identity") + Key("Identities\\" + SecondIdentity) +
            Str("Username", "Zweite") + TopLevelTree(MainIdentity));
    const std::string before = HiveText();
    auto store = Load();
    EXPECT_EQ(GuidToString(store->DefaultIdentity()), c.Expected);
    if (c.WrittenBack) {
        EXPECT_EQ(StringAt("Identities", "Default User ID"), c.WrittenBack);
    } else {
        EXPECT_EQ(HiveText(), before) << "nothing is written";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, OutlookExpressDefaultUserId,
    ::testing::Values(
        TDefaultUserIdCase{"String", Str("Default User ID", SecondIdentity), SecondIdentity,
                           std::nullopt},
        TDefaultUserIdCase{"Binary",
                           Hex("Default User ID", {0x2e, 0x6c, 0x1a, 0x3f, 0x4d, 0x9b, 0x7e, 0x4a,
                                                   0x8c, 0x5f, 0x1d, 0x2e, 0x3f, 0x4a, 0x5b, 0x6c}),
                           SecondIdentity, std::nullopt},
        TDefaultUserIdCase{"Missing", "", MainIdentity, MainIdentity},
        TDefaultUserIdCase{"NullGuidString",
                           Str("Default User ID", "{00000000-0000-0000-0000-000000000000}"),
                           MainIdentity, MainIdentity},
        TDefaultUserIdCase{"NullGuidBinary", Hex("Default User ID", std::vector<std::uint8_t>(16)),
                           MainIdentity, MainIdentity}),
    [](const auto& info) { return std::string(info.param.Name); });
