// The client-choice page: one button per installed client without gaps, the Next rule on
// re-entry, and the error text when no client is installed.

#include "AppFixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace app_testing;

namespace {

class AccountTypeTest : public TAppFixture {
protected:
    void ClickButton(QRadioButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
};

TEST_F(AccountTypeTest, OnlyThunderbirdStandsAtTheLeft) {
    InstallThunderbird();
    Launch();
    const T_accounttype& page = AccountType();
    EXPECT_TRUE(page.ClientFound);
    EXPECT_EQ(page.imgThunderbird->pos(), QPoint(12, 30));
    EXPECT_EQ(page.rbThunderbird->pos(), QPoint(52, 38));
    EXPECT_FALSE(page.rbThunderbird->isHidden());
    for (const QRadioButton* other : {page.rbOutlookExpress, page.rbOfficeOutlook,
                                      page.rbWindowsMail, page.rbWindowsLiveMail}) {
        EXPECT_TRUE(other->isHidden()) << other->objectName().toStdString();
    }
    EXPECT_FALSE(page.rbThunderbird->isChecked());
}

TEST_F(AccountTypeTest, AllClientsStandInTheirOrderWithTheNewerOutlookName) {
    Launch([](T_dm& dm) {
        dm.OutlookExpressAccounts = std::make_unique<TStandInStore>("Outlook Express");
        dm.Outlook98Accounts = std::make_unique<TStandInStore>("Outlook 2000");
        dm.OutlookAccounts = std::make_unique<TStandInStore>("Outlook 2003");
        dm.WindowsMailAccounts = std::make_unique<TStandInStore>("Windows Mail");
        dm.WindowsLiveMailAccounts = std::make_unique<TStandInStore>("Windows Live Mail");
        dm.ThunderbirdAccounts = std::make_unique<TStandInStore>("Thunderbird");
    });
    const T_accounttype& page = AccountType();
    const std::vector<std::pair<QLabel*, QRadioButton*>> clients = {
        {page.imgOutlookExpress, page.rbOutlookExpress},
        {page.imgOfficeOutlook, page.rbOfficeOutlook},
        {page.imgWindowsMail, page.rbWindowsMail},
        {page.imgWindowsLiveMail, page.rbWindowsLiveMail},
        {page.imgThunderbird, page.rbThunderbird}};
    const std::vector<int> lefts = {12, 162, 292, 422, 572};
    for (std::size_t i = 0; i < clients.size(); ++i) {
        EXPECT_EQ(clients[i].first->x(), lefts[i]);
        EXPECT_EQ(clients[i].second->x(), lefts[i] + 40);
        EXPECT_FALSE(clients[i].second->isHidden());
    }
    EXPECT_EQ(page.rbOfficeOutlook->text(), "Outlook 2003");
    ASSERT_TRUE(ClickNext());
    SaveScreenshot("3-accounttype-allclients");
}

TEST_F(AccountTypeTest, TheOlderOutlookNamesTheButtonWhenAlone) {
    Launch([](T_dm& dm) {
        dm.Outlook98Accounts = std::make_unique<TStandInStore>("Outlook 2000");
        dm.OutlookAccounts = std::make_unique<TStandInStore>("Outlook 2003", false);
        dm.ThunderbirdAccounts.reset();
    });
    const T_accounttype& page = AccountType();
    EXPECT_EQ(page.rbOfficeOutlook->text(), "Outlook 2000");
    EXPECT_EQ(page.rbOfficeOutlook->x(), 52);
    EXPECT_TRUE(page.rbThunderbird->isHidden());
}

TEST_F(AccountTypeTest, TheClientNamesStayInEveryLanguage) {
    Launch([](T_dm& dm) {
        dm.OutlookAccounts = std::make_unique<TStandInStore>("Outlook 2007");
        dm.ThunderbirdAccounts = std::make_unique<TStandInStore>("Thunderbird");
    });
    Main().lblLanguageITClick();
    EXPECT_EQ(AccountType().rbOfficeOutlook->text(), "Outlook 2007");
    EXPECT_EQ(AccountType().rbThunderbird->text(), "Thunderbird");
    EXPECT_EQ(AccountType().grpEmailApps->title(), "Programma di posta elettronica");
}

TEST_F(AccountTypeTest, ForwardEntryWantsAFreshClick) {
    InstallThunderbird();
    Launch();
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), "AccountType");
    EXPECT_FALSE(Main().btnNext->isEnabled());
    ClickButton(AccountType().rbThunderbird);
    EXPECT_TRUE(AccountType().rbThunderbird->isChecked());
    EXPECT_TRUE(Main().btnNext->isEnabled());

    ASSERT_TRUE(ClickNext());
    ASSERT_TRUE(ClickPrevious()); // coming back keeps choice and Next
    EXPECT_TRUE(Main().btnNext->isEnabled());
    ASSERT_TRUE(ClickPrevious());
    ASSERT_TRUE(ClickNext()); // forwards again: the old choice must be confirmed
    EXPECT_TRUE(AccountType().rbThunderbird->isChecked());
    EXPECT_FALSE(Main().btnNext->isEnabled());
    ClickButton(AccountType().rbThunderbird);
    EXPECT_TRUE(Main().btnNext->isEnabled());
}

TEST_F(AccountTypeTest, WithoutAnyClientOnlyCancelRemains) {
    Launch();
    EXPECT_FALSE(AccountType().ClientFound);
    EXPECT_TRUE(AccountType().lblError->isHidden()); // nothing shows before the page is entered
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), "AccountType");
    EXPECT_FALSE(AccountType().lblError->isHidden());
    EXPECT_TRUE(AccountType().lblContent->isHidden());
    EXPECT_TRUE(AccountType().grpEmailApps->isHidden());
    EXPECT_TRUE(Main().btnNext->isHidden());
    EXPECT_TRUE(Main().btnPrevious->isHidden());
    EXPECT_FALSE(Main().btnAbbort->isHidden());

    Main().lblLanguageFRClick(); // the language can still be switched
    EXPECT_TRUE(AccountType().lblError->text().startsWith("Malheureusement"));
}

TEST_F(AccountTypeTest, UninstalledClientsWithAccountsGetNoButton) {
    Launch([](T_dm& dm) {
        auto outlookExpress = std::make_unique<TStandInStore>("Outlook Express", false);
        outlookExpress->AddPop("old", "old@quenlix.example");
        dm.OutlookExpressAccounts = std::move(outlookExpress);
        dm.ThunderbirdAccounts = std::make_unique<TStandInStore>("Thunderbird");
    });
    EXPECT_TRUE(AccountType().rbOutlookExpress->isHidden());
    EXPECT_EQ(AccountType().rbThunderbird->x(), 52);
}

} // namespace
