// Outlook Express: saving identities and client options, and deleting accounts.

#include "OutlookExpressTestSupport.h"

using namespace oe_test;

namespace {

const std::string MainMail =
    "Identities\\" + MainIdentity + "\\Software\\Microsoft\\Outlook Express\\5.0\\Mail";

class OutlookExpressIdentity : public OutlookExpressFixture {};

} // namespace

TEST_F(OutlookExpressIdentity, TheFirstIdentityBecomesTheDefaultAndOwnsTheTopLevelTree) {
    Install(TopLevelTree("{11111111-2222-3333-4444-555555555555}"));
    auto store = Load();
    ASSERT_EQ(store->ProfileCount(), 0);
    TMailProfile& profile = *store->AddProfile("Anna", "sehr-geheimes-kennwort");
    store->SaveProfile(profile);

    const std::string identity = profile.Location();
    ASSERT_TRUE(platform::StringToGuid(identity)) << identity;
    EXPECT_TRUE(profile.IsDefaultProfile());
    EXPECT_EQ(StringAt("Identities", "Default User ID"), identity);
    EXPECT_EQ(IntegerAt("Identities", "Identity Ordinal"), 2);
    EXPECT_EQ(StringAt("Identities", "Last User ID"), identity);
    EXPECT_EQ(StringAt("Identities", "Last Username"), "Anna");
    EXPECT_EQ(StringAt("Identities\\" + identity, "Username"), "Anna");
    EXPECT_EQ(StringAt("Identities\\" + identity, "User ID"), identity);
    const std::string mail =
        "Identities\\" + identity + "\\Software\\Microsoft\\Outlook Express\\5.0\\Mail";
    EXPECT_EQ(IntegerAt(mail, "Check Mail on Startup"), 0);
    EXPECT_EQ(IntegerAt(mail, "Poll For Mail"), -1);
    // An identity password keeps its first 15 characters.
    const TIdentityPassword password = store->Passwords().ReadIdentityPassword(identity);
    EXPECT_EQ(password.Password, "sehr-geheimes-k");
    EXPECT_TRUE(password.SwitchedOn);

    // Its first account goes into the top-level tree, which now names it.
    TMailAccount* account =
        store->AddAccount(AccountKindPOP, "a@quenlix.example", "a@quenlix.example", "pw");
    ASSERT_NE(account, nullptr);
    dynamic_cast<TPOPMailAccount&>(*account).SetIncomingServer("pop.quenlix.example");
    account->Save();
    const auto bytes = platform::GuidToBytes(*platform::StringToGuid(identity));
    EXPECT_EQ(BinaryAt(TopAccounts, "AssociatedID"),
              std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    System().Reinstall();
    auto reloaded = Load();
    ASSERT_EQ(reloaded->ProfileCount(), 1);
    EXPECT_EQ(reloaded->ProfileByIndex(0)->Name(), "Anna");
    EXPECT_EQ(reloaded->AccountCount(), 1);
}

TEST_F(OutlookExpressIdentity, ASecondIdentityGetsOnlyItsOwnKeyAndItsOwnTree) {
    Install(TestFile("fixtures/two_identities.reg"));
    auto store = Load();
    const std::string before = *StringAt("Identities", "Default User ID");
    TMailProfile& profile = *store->AddProfile("Dritte", "");
    store->SaveProfile(profile);
    const std::string identity = profile.Location();
    EXPECT_FALSE(profile.IsDefaultProfile());
    EXPECT_EQ(StringAt("Identities", "Default User ID"), before);
    EXPECT_EQ(StringAt("Identities", "Last Username"), "Main Identity");
    EXPECT_EQ(StringAt("Identities\\" + identity, "Username"), "Dritte");
    EXPECT_EQ(StringAt("Identities\\" + identity, "User ID"), identity);
    EXPECT_EQ(store->Passwords().ReadIdentityPassword(identity).SwitchedOn, false);

    TMailAccount* account = profile.AddAccount(AccountKindPOP, "d@example.org", "D", "pw");
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->AccountKey(), "00000000");
    account->Save();
    EXPECT_EQ(StringAt("Identities\\" + identity + "\\" + AccountManager + "\\Accounts\\00000000",
                       "Account Name"),
              "D");
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 4) << "the top-level counter stays";
    EXPECT_FALSE(
        BinaryAt("Identities\\" + identity + "\\" + AccountManager + "\\Accounts", "AssociatedID"))
        << "only the default identity claims the tree it saves into";
}

TEST_F(OutlookExpressIdentity, RenamingAnIdentityWritesOnlyItsName) {
    Install(TestFile("fixtures/two_identities.reg"));
    auto store = Load();
    TMailProfile& main = *store->ProfileByIndex(1);
    main.SetName("Haupt");
    store->SaveProfile(main);
    EXPECT_EQ(main.Location(), MainIdentity);
    EXPECT_EQ(StringAt("Identities\\" + MainIdentity, "Username"), "Haupt");
    EXPECT_EQ(StringAt("Identities", "Last Username"), "Main Identity");
    // The mail check it had is written back unchanged (the store read it at start).
    EXPECT_EQ(IntegerAt(MainMail, "Poll For Mail"), 600000);
    EXPECT_EQ(IntegerAt(MainMail, "Check Mail on Startup"), 1);
}

// "Poll For Mail" holds the interval in milliseconds, -1 for never.
TEST_F(OutlookExpressIdentity, PollForMailIsMillisecondsOrMinusOne) {
    const std::pair<std::int32_t, std::int32_t> rows[] = {
        {0, -1}, {-5, -1}, {10, 600000}, {1, 60000}, {100000, 2147460000}};
    Install(TestFile("fixtures/two_identities.reg"));
    auto store = Load();
    TMailProfile& main = *store->ProfileByIndex(1);
    main.SetUseStoreSettings(false);
    for (const auto& [minutes, stored] : rows) {
        main.SetPollInterval(minutes);
        store->SaveProfile(main);
        EXPECT_EQ(IntegerAt(MainMail, "Poll For Mail"), stored) << minutes;
    }
}

TEST_F(OutlookExpressIdentity, ClientSettingsGoToTheDefaultIdentity) {
    Install(TestFile("fixtures/two_identities.reg"));
    auto store = Load();
    store->SetHangUpAfterSpool(false);
    store->SetCheckMailOnStartup(false);
    store->SetPollInterval(30);
    store->ProfileByIndex(1)->SetUseStoreSettings(false); // the store's settings all the same
    store->SaveClientSettings();
    EXPECT_EQ(
        IntegerAt("Identities\\" + MainIdentity + "\\Software\\Microsoft\\Outlook Express\\5.0",
                  "Hangup After Spool"),
        0);
    EXPECT_EQ(IntegerAt(MainMail, "Poll For Mail"), 1800000);
    EXPECT_EQ(IntegerAt(MainMail, "Check Mail on Startup"), 0);
    EXPECT_FALSE(store->ProfileByIndex(1)->UseStoreSettings());
}

TEST_F(OutlookExpressIdentity, DeletingAnAccountRemovesItsKeyAndEveryPasswordItNames) {
    Install(TestFile("fixtures/two_identities.reg") + Key(TopAccounts + "\\00000002") +
            Dword("SMTP Use Sicily", 3) + Reference("SMTP Password2", "account10000003"));
    StorePassword("account10000001", "Eins");
    StorePassword("account10000002", "Zwei");
    StorePassword("account10000003", "Drei");
    auto store = Load();
    TMailProfile& main = *store->ProfileByIndex(1);
    store->DeleteAccount(&main, 1);
    store->DeleteAccount(&main, 5); // outside the list: nothing
    EXPECT_EQ(main.AccountCount(), 1);
    EXPECT_FALSE(KeyExists(TopAccounts + "\\00000002"));
    EXPECT_EQ(StoredPassword("account10000002"), "");
    EXPECT_EQ(StoredPassword("account10000003"), "");
    EXPECT_EQ(StoredPassword("account10000001"), "Eins");
    EXPECT_TRUE(KeyExists(TopAccounts + "\\00000001"));
    System().Reinstall();
    EXPECT_EQ(Load()->AccountCount(), 1);
}

TEST_F(OutlookExpressIdentity, DeletingAnAccountNeverSavedTouchesNoKey) {
    Install(TestFile("fixtures/two_identities.reg"));
    auto store = Load();
    TMailProfile& main = *store->ProfileByIndex(1);
    TMailAccount* added = main.AddAccount(AccountKindPOP, "x@example.org", "x", "");
    added->SetAccountKey(""); // as if no key could be had
    store->DeleteAccount(&main, 2);
    EXPECT_EQ(main.AccountCount(), 2);
    EXPECT_TRUE(KeyExists(TopAccounts + "\\00000001"));
    EXPECT_TRUE(KeyExists(TopAccounts + "\\00000002"));
}

// No identity owns the top-level tree: the first identity becomes the one the wizard works with,
// and its accounts stay in its own tree, where Outlook Express shows them.
TEST_F(OutlookExpressIdentity, WithoutTheOwnerOfTheTopLevelTreeAccountsStayInTheirIdentity) {
    const std::string tree = "Identities\\" + SecondIdentity + "\\" + AccountManager;
    Install(Key("Identities\\" + SecondIdentity) + Str("Username", "Zweite") + Key(tree) +
            Key(tree + "\\Accounts") + TopLevelTree(MainIdentity));
    auto store = Load();
    ASSERT_EQ(store->ProfileCount(), 1);
    TMailAccount* account =
        store->AddAccount(AccountKindPOP, "a@quenlix.example", "a@quenlix.example", "");
    ASSERT_NE(account, nullptr);
    EXPECT_TRUE(store->ProfileByIndex(0)->IsDefaultProfile());
    account->Save();
    EXPECT_TRUE(KeyExists(tree + "\\Accounts\\00000000"));
    EXPECT_FALSE(KeyExists(TopAccounts + "\\00000000"));
    const auto main = platform::GuidToBytes(*platform::StringToGuid(MainIdentity));
    EXPECT_EQ(BinaryAt(TopAccounts, "AssociatedID"),
              std::vector<std::uint8_t>(main.begin(), main.end()));
    const auto second = platform::GuidToBytes(*platform::StringToGuid(SecondIdentity));
    EXPECT_EQ(BinaryAt(tree + "\\Accounts", "AssociatedID"),
              std::vector<std::uint8_t>(second.begin(), second.end()))
        << "the default identity claims the tree it saves into";
}

// Without "Default User ID" and "AssociatedID" the options go to the default profile's identity,
// not below the null GUID (which the next start would delete).
TEST_F(OutlookExpressIdentity, ClientSettingsWithoutADefaultIdentityGoToTheDefaultProfile) {
    Install(Key("Identities\\" + SecondIdentity) + Str("Username", "Zweite") + Key(TopAccounts));
    auto store = Load();
    ASSERT_EQ(GuidToString(store->DefaultIdentity()), "{00000000-0000-0000-0000-000000000000}");
    store->SetPollInterval(5);
    store->SaveClientSettings();
    const std::string settings =
        "Identities\\" + SecondIdentity + "\\Software\\Microsoft\\Outlook Express\\5.0";
    EXPECT_EQ(IntegerAt(settings, "Hangup After Spool"), 1);
    EXPECT_EQ(IntegerAt(settings + "\\Mail", "Poll For Mail"), 300000);
    EXPECT_FALSE(KeyExists("Identities\\{00000000-0000-0000-0000-000000000000}"));
}
