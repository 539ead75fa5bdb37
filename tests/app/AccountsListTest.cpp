// The existing-accounts page: grouping by client, the provider domains, the new-account row,
// the selection rule and the retranslation of the new-account row.

#include "AppFixture.h"

#include "app/Pictures.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

using namespace app_testing;

namespace {

// Row captions in list order; "|" separates the sub-items that the row has.
QStringList Rows(const T_accountslist& page) {
    QStringList rows;
    for (int i = 0; i < page.lvAccounts->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = page.lvAccounts->topLevelItem(i);
        QString text = row->text(0);
        for (int s = 1; s <= T_accountslist::SubItemCount(row); ++s) {
            text += "|" + row->text(s);
        }
        rows << text;
    }
    return rows;
}

class AccountsListTest : public TAppFixture {};

TEST_F(AccountsListTest, AccountsAreGroupedByClientInTheFixedOrder) {
    Launch([](T_dm& dm) {
        auto thunderbird = std::make_unique<TStandInStore>("Thunderbird");
        thunderbird->AddPop("Bird", "bird@quenlix-mail.example");
        dm.ThunderbirdAccounts = std::move(thunderbird);
        auto outlook98 = std::make_unique<TStandInStore>("Outlook 2000");
        outlook98->AddPop("Old", "old@quenlix.example");
        dm.Outlook98Accounts = std::move(outlook98);
        auto outlook = std::make_unique<TStandInStore>("Outlook 2003");
        outlook->AddImap("Office", "office@bluequenlix.example");
        outlook->AddPop("Private", "me@example.org");
        dm.OutlookAccounts = std::move(outlook);
        auto express = std::make_unique<TStandInStore>("Outlook Express");
        express->AddPop("Home", "home@quenlix.example");
        express->AddPop("Elsewhere", "x@elsewhere.example");
        express->AddImap("Work", "work@quenlix.example");
        dm.OutlookExpressAccounts = std::move(express);
    });
    const T_accountslist& page = AccountsList();
    EXPECT_EQ(Rows(page), (QStringList{"Outlook Express", "Home|home@quenlix.example|POP",
                                       "Work|work@quenlix.example|IMAP", "", "Outlook 2000",
                                       "Old|old@quenlix.example|POP", "", "Outlook 2003",
                                       "Office|office@bluequenlix.example|IMAP", "", "Thunderbird",
                                       "Bird|bird@quenlix-mail.example|POP", "",
                                       "Ein neues Konto hinzufügen|"}));
    // RowAccounts runs parallel to the rows: accounts on account rows only.
    ASSERT_EQ(page.RowAccounts.size(), page.lvAccounts->topLevelItemCount());
    EXPECT_EQ(page.RowAccounts[1].Address, "home@quenlix.example");
    EXPECT_EQ(page.RowAccounts[1].Account->AccountName(), "Home");
    EXPECT_EQ(page.RowAccounts[0].Account, nullptr);
    EXPECT_EQ(page.RowAccounts[3].Account, nullptr);
    EXPECT_EQ(page.RowAccounts.last().Account, nullptr);
    EXPECT_TRUE(page.PrimaryDomainSeen);
    EXPECT_FALSE(page.lblContent->isHidden());
    EXPECT_TRUE(page.lblContent2->isHidden());
    EXPECT_TRUE(Page("AccountsList")->Enabled());
    // Both Outlook groups carry the same icon.
    const QTreeWidget* list = page.lvAccounts;
    EXPECT_EQ(list->topLevelItem(4)->icon(0).pixmap(16).toImage(),
              list->topLevelItem(7)->icon(0).pixmap(16).toImage());
    EXPECT_TRUE(list->topLevelItem(1)->icon(0).isNull());
    EXPECT_FALSE(list->topLevelItem(list->topLevelItemCount() - 1)->icon(0).isNull());
}

TEST_F(AccountsListTest, BuildReturnsTheNumberOfAccountRows) {
    Launch([](T_dm& dm) {
        auto express = std::make_unique<TStandInStore>("Outlook Express");
        express->AddPop("Home", "home@quenlix.example");
        express->AddImap("Work", "work@quenlix.net.example");
        express->AddPop("Elsewhere", "x@elsewhere.example");
        dm.OutlookExpressAccounts = std::move(express);
    });
    EXPECT_EQ(AccountsList().BuildAccountsList(), 2);
    EXPECT_EQ(AccountsList().lvAccounts->topLevelItemCount(), 5); // rebuilt, not appended
}

TEST_F(AccountsListTest, FurtherDomainsAloneGiveNoNewAccountRow) {
    Launch([](T_dm& dm) {
        auto express = std::make_unique<TStandInStore>("Outlook Express");
        express->AddPop("Home", "home@quenlixonline.example");
        dm.OutlookExpressAccounts = std::move(express);
    });
    const T_accountslist& page = AccountsList();
    EXPECT_EQ(Rows(page),
              (QStringList{"Outlook Express", "Home|home@quenlixonline.example|POP", ""}));
    EXPECT_FALSE(page.PrimaryDomainSeen);
    EXPECT_TRUE(page.lblContent->isHidden());
    EXPECT_FALSE(page.lblContent2->isHidden());
}

TEST_F(AccountsListTest, APrimaryAddressInAnUninstalledClientStillOffersANewAccount) {
    Launch([](T_dm& dm) {
        auto express = std::make_unique<TStandInStore>("Outlook Express", false);
        express->AddPop("Gone", "gone@quenlix.example");
        dm.OutlookExpressAccounts = std::move(express);
        auto thunderbird = std::make_unique<TStandInStore>("Thunderbird");
        thunderbird->AddPop("Bird", "bird@quenlix.it.example");
        dm.ThunderbirdAccounts = std::move(thunderbird);
    });
    EXPECT_EQ(Rows(AccountsList()), (QStringList{"Thunderbird", "Bird|bird@quenlix.it.example|POP",
                                                 "", "Ein neues Konto hinzufügen|"}));
}

TEST_F(AccountsListTest, ProviderAddressesAreRecognisedByTheirDomainOnly) {
    Launch();
    T_accountslist& page = AccountsList();
    EXPECT_TRUE(page.IsProviderAddress("Anna.Muster@QUENLIX.Example"));
    EXPECT_TRUE(page.IsProviderAddress("a@mail.quenlix.example"));
    EXPECT_FALSE(page.IsProviderAddress("a@quenlix.example.org"));
    EXPECT_FALSE(page.IsProviderAddress("a@sub.quenlix.example"));
    EXPECT_FALSE(page.IsProviderAddress(""));
    // The domain starts after the first "@".
    EXPECT_FALSE(page.IsProviderAddress("a@b@quenlix.example"));
    // Without "@" the whole text is the domain.
    EXPECT_TRUE(page.IsProviderAddress("quenlix.de.example"));
    EXPECT_FALSE(page.IsProviderAddress("anna.quenlix.example"));

    page.PrimaryDomainSeen = false;
    page.IsProviderAddress("x@quenlix.fr.example");
    EXPECT_FALSE(page.PrimaryDomainSeen);
    page.IsProviderAddress("x@Quenlix.Example");
    EXPECT_TRUE(page.PrimaryDomainSeen);
}

// A list with a header, two accounts (POP, IMAP), a group end and the new-account row.
class AccountsListSelectionTest : public AccountsListTest {
protected:
    void SetUp() override {
        InstallThunderbird(ThunderbirdPrefs({{"Anna Muster", "anna@quenlix.example"},
                                             {"Anna IMAP", "imap@quenlix.example", true}}));
        Launch();
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), "AccountsList");
        ASSERT_EQ(Rows(AccountsList()),
                  (QStringList{"Thunderbird", "Anna Muster|anna@quenlix.example|POP",
                               "Anna IMAP|imap@quenlix.example|IMAP", "",
                               "Ein neues Konto hinzufügen|"}));
    }
};

TEST_F(AccountsListSelectionTest, HeadersAndGroupEndsCannotBeChosen) {
    ClickRow(0);
    EXPECT_EQ(AccountsList().SelectedRow(), nullptr);
    EXPECT_FALSE(Main().btnNext->isEnabled());
    ClickRow(1);
    EXPECT_TRUE(Main().btnNext->isEnabled());
    ClickRow(3);
    EXPECT_EQ(AccountsList().SelectedRow(), nullptr);
    EXPECT_FALSE(Main().btnNext->isEnabled());
    EXPECT_FALSE(Page("AccountType")->Enabled()); // unchanged by a row that cannot be chosen
}

TEST_F(AccountsListSelectionTest, TheChosenRowDecidesAboutTheClientChoice) {
    ClickRow(1);
    EXPECT_FALSE(Page("AccountType")->Enabled());
    EXPECT_EQ(AccountsList().SelectedAccount()->EmailAddress(), "anna@quenlix.example");
    ClickRow(4);
    EXPECT_TRUE(Page("AccountType")->Enabled());
    EXPECT_EQ(AccountsList().SelectedAccount(), nullptr);
    ClickRow(2);
    EXPECT_FALSE(Page("AccountType")->Enabled());
    EXPECT_EQ(AccountsList().SelectedAccount()->EmailAddress(), "imap@quenlix.example");
}

TEST_F(AccountsListSelectionTest, RemovingTheSelectionChangesNothingElse) {
    ClickRow(1);
    AccountsList().lvAccounts->clearSelection();
    EXPECT_EQ(AccountsList().SelectedAccount(), nullptr);
    EXPECT_TRUE(Main().btnNext->isEnabled());
    EXPECT_FALSE(Page("AccountType")->Enabled());
}

TEST_F(AccountsListSelectionTest, ForwardEntryDisablesNextUntilARowIsClickedAgain) {
    ClickRow(1);
    ASSERT_TRUE(ClickPrevious());
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(AccountsList().SelectedRow(), AccountsList().lvAccounts->topLevelItem(1));
    EXPECT_FALSE(Main().btnNext->isEnabled());
    ClickRow(1); // the same row, already selected
    EXPECT_TRUE(Main().btnNext->isEnabled());
}

TEST_F(AccountsListSelectionTest, OnlyTheNewAccountRowFollowsTheLanguage) {
    Main().lblLanguageFRClick();
    EXPECT_EQ(
        Rows(AccountsList()),
        (QStringList{"Thunderbird", "Anna Muster|anna@quenlix.example|POP",
                     "Anna IMAP|imap@quenlix.example|IMAP", "", "Ajouter un nouveau compte|"}));
    EXPECT_EQ(AccountsList().lvAccounts->headerItem()->text(2), "Protocole");
    EXPECT_EQ(AccountsList().lblContent->text().left(12), "L’assistant ");
}

TEST_F(AccountsListTest, ALastGroupEndIsNotRenamedOnALanguageChange) {
    InstallThunderbird(ThunderbirdPrefs({{"Anna", "anna@quenlix.ch.example"}}));
    Launch();
    Main().lblLanguageITClick();
    EXPECT_EQ(Rows(AccountsList()),
              (QStringList{"Thunderbird", "Anna|anna@quenlix.ch.example|POP", ""}));
}

} // namespace
