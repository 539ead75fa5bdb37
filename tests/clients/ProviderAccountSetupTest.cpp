// The routine that writes the provider's account for the setup page and the command-line tool:
// input as the page reads it, the store of the chosen client, and one save that writes all or
// nothing, also in a dry run.
#include "accounts/TestStore.h"
#include "mozilla/ThunderbirdTestSupport.h"
#include "support/TreeSnapshot.h"

#include <clients/ProviderAccountSetup.h>
#include <clients/ProviderAddress.h>

#include <filesystem>

namespace {

using namespace thunderbird_test;
using testing_support::SnapshotTree;
using testing_support::TreeDifferences;

struct TValuesCase {
    const char* Name;
    const char* Mailbox;
    const char* ExpectedName;
    const char* ExpectedAddress;
};

TEST(ProviderAccountValuesTest, NameAndAddressAreTrimmedAsThePageTrimsThem) {
    const TValuesCase cases[] = {
        {" \tAnna Muster\r\n", "anna", "Anna Muster", "anna@quenlix.example"},
        // Blanks at the end of the mailbox stay in front of "@"; only the outer ones go.
        {"Anna", "  anna  ", "Anna", "anna  @quenlix.example"},
        // DEL and the C1 controls (U+0085, U+009F) are controls; U+00A0 is not.
        {"\x7f\xc2\x85 Anna \xc2\x9f", "anna", "Anna", "anna@quenlix.example"},
        {"\xc2\xa0"
         "Anna",
         "anna",
         "\xc2\xa0"
         "Anna",
         "anna@quenlix.example"},
        // A typed domain is cut off as the user-data page cuts it.
        {"Anna", "anna@example.org", "Anna", "anna@quenlix.example"},
        {"   ", "@", "", "@quenlix.example"},
    };
    for (const TValuesCase& row : cases) {
        TProviderAccountInput input;
        input.Name = row.Name;
        input.Mailbox = row.Mailbox;
        input.Password = " Geheim 42 ";
        input.DefaultWish = true;
        const TProviderAccountValues values = ProviderAccountValues(input);
        EXPECT_EQ(values.Name, row.ExpectedName) << row.Name;
        EXPECT_EQ(values.Address, row.ExpectedAddress) << row.Mailbox;
        EXPECT_EQ(values.LoginName, values.Address);
        EXPECT_EQ(values.Password, " Geheim 42 ") << "the password is taken as typed";
        EXPECT_TRUE(values.DefaultWish);
    }
}

TEST(ProviderAddressTest, TheDomainDecidesWithoutCase) {
    EXPECT_EQ(ProviderDomainIndex("Anna.Muster@QUENLIX.Example"), 0);
    EXPECT_EQ(ProviderDomainIndex("a@mail.quenlix.example"), 3);
    EXPECT_EQ(ProviderDomainIndex("quenlix.de.example"), 6); // no "@": the whole text
    EXPECT_FALSE(IsProviderAddress("a@b@quenlix.example"));  // the domain is "b@quenlix..."
    EXPECT_FALSE(IsProviderAddress("a@sub.quenlix.example"));
    EXPECT_FALSE(IsProviderAddress(""));
}

TEST(ChosenStoreTest, OutlookMeansTheNewerStoreOnlyWhenItIsInstalled) {
    accounts_testing::TTestStore outlook98;
    accounts_testing::TTestStore outlook;
    accounts_testing::TTestStore thunderbird;
    TMailStoreList stores{};
    stores[siOutlook98] = &outlook98;
    stores[siOutlook] = &outlook;
    stores[siThunderbird] = &thunderbird;

    EXPECT_EQ(ChosenStore(TMailClient::Outlook, stores), &outlook98);
    outlook.SetInstalled(true);
    EXPECT_EQ(ChosenStore(TMailClient::Outlook, stores), &outlook);
    EXPECT_EQ(ChosenStore(TMailClient::Thunderbird, stores), &thunderbird);
    EXPECT_EQ(ChosenStore(TMailClient::WindowsMail, stores), nullptr); // not in this build
    stores[siOutlook] = nullptr;
    EXPECT_EQ(ChosenStore(TMailClient::Outlook, stores), &outlook98);
}

TEST(ClientMustBeClosedTest, OnlyThunderbirdIsWaitedFor) {
    accounts_testing::TTestStore other;
    other.ClientRunning = true;
    EXPECT_FALSE(ClientMustBeClosedToWrite(&other));
    EXPECT_FALSE(ClientMustBeClosedToWrite(nullptr));
}

TProviderAccountValues Anna() {
    TProviderAccountInput input;
    input.Name = "Anna Muster";
    input.Mailbox = "anna.muster";
    input.Password = "Geheim-42";
    return ProviderAccountValues(input);
}

class ProviderAccountSetupTest : public ThunderbirdFixture {
protected:
    void SetUp() override {
        InstallExe();
        WriteSingleProfile("p.default");
        Dir = ProfileDir("p.default");
    }
    // A profile with one account of another provider.
    void WriteOneAccount() const {
        WritePrefs(Dir, Str("mail.account.account1.server", "server1") +
                            Str("mail.account.account2.identities", "id1") +
                            Str("mail.account.account2.server", "server2") +
                            Str("mail.accountmanager.accounts", "account1,account2") +
                            Str("mail.accountmanager.defaultaccount", "account2") +
                            Str("mail.identity.id1.fullName", "Erika") +
                            Str("mail.identity.id1.useremail", "erika@example.com") +
                            Str("mail.server.server1.type", "none") +
                            Str("mail.server.server2.hostname", "pop.example.com") +
                            Str("mail.server.server2.type", "pop3") +
                            Str("mail.server.server2.userName", "erika"));
    }
    // A passwords file that cannot be written: the save fails after the account's key is in.
    void MakePasswordsFileReadOnly() const {
        namespace fs = std::filesystem;
        System.WriteFile(Dir + "\\signons.txt", "#2c\r\n.\r\n");
        fs::permissions(System.Host(Dir + "\\signons.txt"), fs::perms::owner_write,
                        fs::perm_options::remove);
    }
    std::string Dir;
};

TEST_F(ProviderAccountSetupTest, ADryRunPreparesExactlyWhatTheSaveWritesAndWritesNothing) {
    WriteOneAccount();
    const auto before = SnapshotTree(System.Root());

    platform::TPreparedChanges prepared;
    {
        const auto store = Open();
        TProviderAccountResult dryRun =
            WriteProviderAccount(nullptr, store.get(), Anna(), platform::TTransactionMode::DryRun);
        ASSERT_EQ(dryRun.Outcome, TProviderAccountOutcome::Written);
        EXPECT_TRUE(dryRun.Added);
        ASSERT_NE(dryRun.DryRunAccount, nullptr);
        EXPECT_EQ(dryRun.Account, dryRun.DryRunAccount.get());
        EXPECT_EQ(dryRun.Account->AccountKey(), "account3");
        EXPECT_EQ(store->AccountCount(), 1) << "the model does not keep an account never written";
        prepared = dryRun.Changes;
    }
    EXPECT_EQ(TreeDifferences(before, SnapshotTree(System.Root())), "");

    const auto store = Open();
    const TProviderAccountResult written = WriteProviderAccount(nullptr, store.get(), Anna());
    ASSERT_EQ(written.Outcome, TProviderAccountOutcome::Written);
    EXPECT_EQ(store->AccountCount(), 2);
    EXPECT_EQ(written.DryRunAccount, nullptr);
    ASSERT_EQ(written.Changes.Files.size(), prepared.Files.size());
    for (std::size_t i = 0; i < prepared.Files.size(); ++i) {
        const platform::TFileChange& file = written.Changes.Files[i];
        EXPECT_EQ(file.Path, prepared.Files[i].Path);
        EXPECT_EQ(file.Kind, prepared.Files[i].Kind) << file.Path;
        EXPECT_EQ(file.NewBytes, prepared.Files[i].NewBytes) << file.Path;
        if (file.NewBytes) {
            EXPECT_EQ(System.ReadFile(file.Path), *file.NewBytes) << file.Path;
        }
    }
    EXPECT_FALSE(prepared.Files.empty());
}

TEST_F(ProviderAccountSetupTest, AFailedSaveInAnEmptyProfileLeavesNoScaffoldingAndNoAccount) {
    // The new account's key already writes the local folders; the passwords file fails later.
    MakePasswordsFileReadOnly();
    const auto before = SnapshotTree(System.Root());
    const auto store = Open();

    EXPECT_ANY_THROW(WriteProviderAccount(nullptr, store.get(), Anna()));

    EXPECT_EQ(store->AccountCount(), 0);
    EXPECT_EQ(TreeDifferences(before, SnapshotTree(System.Root())), "");
}

TEST_F(ProviderAccountSetupTest, AFailedSaveOfANewDefaultGivesTheProfileItsDefaultBack) {
    WriteOneAccount();
    MakePasswordsFileReadOnly();
    const auto store = Open();
    TMailAccount* erika = store->AccountByIndex(0);
    ASSERT_NE(erika, nullptr);
    ASSERT_TRUE(erika->IsDefault());
    TProviderAccountValues values = Anna();
    values.DefaultWish = true;

    EXPECT_ANY_THROW(WriteProviderAccount(nullptr, store.get(), values));

    ASSERT_EQ(store->AccountCount(), 1);
    EXPECT_TRUE(erika->IsDefault());
}

TEST_F(ProviderAccountSetupTest, WithoutAUsableTargetNothingIsWritten) {
    WritePrefs(Dir, Str("mail.account.account1.server", "server1") +
                        Str("mail.account.account2.identities", "id1") +
                        Str("mail.account.account2.server", "server2") +
                        Str("mail.accountmanager.accounts", "account1,account2") +
                        Str("mail.identity.id1.useremail", "anna@quenlix.example") +
                        Str("mail.server.server1.type", "none") +
                        Str("mail.server.server2.hostname", "imap.quenlix.example") +
                        Str("mail.server.server2.type", "imap") +
                        Str("mail.server.server2.userName", "anna@quenlix.example"));
    const auto before = SnapshotTree(System.Root());
    const auto store = Open();
    TMailAccount* imap = store->AccountByIndex(0);
    ASSERT_NE(imap, nullptr);
    ASSERT_EQ(imap->Kind(), AccountKindIMAP);
    const std::unique_ptr<TMailAccount> unchanged = imap->Clone();

    EXPECT_EQ(WriteProviderAccount(imap, nullptr, Anna()).Outcome, TProviderAccountOutcome::NotPop);
    EXPECT_EQ(WriteProviderAccount(nullptr, nullptr, Anna()).Outcome,
              TProviderAccountOutcome::NoTarget);
    accounts_testing::TTestStore noProfile;
    EXPECT_EQ(WriteProviderAccount(nullptr, &noProfile, Anna()).Outcome,
              TProviderAccountOutcome::NoProfile);
    EXPECT_EQ(noProfile.SaveCount(), 0);
    EXPECT_TRUE(TMailAccount::SameProperties(*imap, *unchanged));
    EXPECT_EQ(TreeDifferences(before, SnapshotTree(System.Root())), "");
}

TEST_F(ProviderAccountSetupTest, ThunderbirdGetsNameAndAddressCrosswise) {
    WriteOneAccount();
    const auto store = Open();
    const TProviderAccountResult written = WriteProviderAccount(nullptr, store.get(), Anna());
    ASSERT_NE(written.Account, nullptr);
    EXPECT_EQ(written.Account->AccountName(), "Anna Muster");
    EXPECT_EQ(written.Account->DisplayName(), "anna.muster@quenlix.example");
    EXPECT_TRUE(ClientMustBeClosedToWrite(store.get()));

    accounts_testing::TTestStore other;
    other.AddProfile("Main", "");
    const TProviderAccountResult elsewhere = WriteProviderAccount(nullptr, &other, Anna());
    ASSERT_NE(elsewhere.Account, nullptr);
    EXPECT_EQ(elsewhere.Account->AccountName(), "anna.muster@quenlix.example");
    EXPECT_EQ(elsewhere.Account->DisplayName(), "Anna Muster");
    EXPECT_EQ(other.SaveCount(), 1);
}

} // namespace
