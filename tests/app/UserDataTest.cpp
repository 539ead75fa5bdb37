// The user-data page: when Next is allowed, the mismatch label, the "@" cut and the preset of
// the default-account box.

#include "AppFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <memory>
#include <string>

using namespace app_testing;

namespace {

// The wizard on the user-data page, reached through the client choice.
class UserDataTest : public TAppFixture {
protected:
    void SetUp() override {
        InstallThunderbird();
        Launch();
        ASSERT_TRUE(ClickNext());
        QTest::mouseClick(AccountType().rbThunderbird, Qt::LeftButton, {}, QPoint(6, 8));
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), "UserData");
    }

    bool NextEnabled() const { return Main().btnNext->isEnabled(); }
    bool MismatchShown() const { return !UserData().lblPasswordcheck->isHidden(); }
};

TEST_F(UserDataTest, NextNeedsNameMailboxAndTwoEqualPasswords) {
    EXPECT_FALSE(NextEnabled());
    EXPECT_EQ(QApplication::focusWidget(), UserData().editName);
    FillUserData("Anna Muster", "anna", "geheim");
    EXPECT_TRUE(NextEnabled());
    EXPECT_FALSE(MismatchShown());
    for (QLineEdit* required :
         {UserData().editName, UserData().editEmailAddress, UserData().editPasswort1}) {
        const QString text = required->text();
        required->setText(QStringLiteral(" \t "));
        EXPECT_FALSE(NextEnabled()) << required->objectName().toStdString();
        required->setText(text);
        EXPECT_TRUE(NextEnabled());
    }
}

TEST_F(UserDataTest, APasswordOfBlanksIsNotFilled) {
    FillUserData("Anna", "anna", "   ");
    EXPECT_FALSE(NextEnabled());
    EXPECT_EQ(UserData().editPasswort1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(UserData().editPassword2->echoMode(), QLineEdit::Password);
    // Blanks inside or around a real password are part of it.
    FillUserData("Anna", "anna", " pass word ");
    EXPECT_TRUE(NextEnabled());
}

TEST_F(UserDataTest, TheMismatchLabelFollowsTheRules) {
    FillUserData("Anna", "anna", "geheim");
    UserData().editPassword2->setText(QStringLiteral("Geheim")); // case counts
    EXPECT_TRUE(MismatchShown());
    EXPECT_FALSE(NextEnabled());
    // A required field emptied: Next off, the label keeps its state.
    UserData().editName->clear();
    EXPECT_TRUE(MismatchShown());
    EXPECT_FALSE(NextEnabled());
    UserData().editName->setText(QStringLiteral("Anna"));
    UserData().editPassword2->setText(QStringLiteral("geheim"));
    EXPECT_FALSE(MismatchShown());
    EXPECT_TRUE(NextEnabled());
    UserData().editPasswort1->clear();
    UserData().editPassword2->setText(QStringLiteral("x")); // first password missing: no label
    EXPECT_FALSE(MismatchShown());
    EXPECT_FALSE(NextEnabled());
}

TEST_F(UserDataTest, ATypedDomainIsCutWhenEitherFieldLosesTheFocus) {
    FillUserData("Anna", "anna@quenlix.example", "geheim");
    UserData().editEmailAddress->setFocus();
    UserData().editPasswort1->setFocus(); // leaving the mailbox field
    EXPECT_EQ(UserData().editEmailAddress->text(), "anna");

    UserData().editEmailAddress->setText(QStringLiteral("anna@other@x"));
    UserData().editName->setFocus();
    UserData().editPassword2->setFocus(); // leaving the name field
    EXPECT_EQ(UserData().editEmailAddress->text(), "anna");
    EXPECT_TRUE(NextEnabled());
}

TEST_F(UserDataTest, AnAtSignAloneLeavesNoMailbox) {
    FillUserData("Anna", "@", "geheim");
    EXPECT_TRUE(NextEnabled()); // "@" is a filled field until the focus leaves it
    UserData().editEmailAddress->setFocus();
    UserData().editName->setFocus();
    EXPECT_EQ(UserData().editEmailAddress->text(), "");
    EXPECT_FALSE(NextEnabled());
}

TEST_F(UserDataTest, ANewAccountStartsWithoutTheDefaultWishOnEveryEntry) {
    EXPECT_FALSE(UserData().chkStandard->isChecked());
    UserData().chkStandard->setChecked(true);
    ASSERT_TRUE(ClickPrevious());
    QTest::mouseClick(AccountType().rbThunderbird, Qt::LeftButton, {}, QPoint(6, 8));
    ASSERT_TRUE(ClickNext());
    EXPECT_FALSE(UserData().chkStandard->isChecked());
}

TEST_F(UserDataTest, TheDomainIsShownBesideTheMailboxInEveryLanguage) {
    EXPECT_EQ(UserData().lblDomain->text(), "@quenlix.example");
    Main().lblLanguageITClick();
    EXPECT_EQ(UserData().lblDomain->text(), "@quenlix.example");
    EXPECT_EQ(UserData().lblPassword2->text(), "Conferma password");
    // The label grew with its translation, so it is not cut off.
    EXPECT_GE(UserData().lblPassword2->width(),
              UserData().lblPassword2->fontMetrics().horizontalAdvance("Conferma password"));
}

// The default-account box on entry for an existing account follows that account.
class UserDataExistingAccountTest : public TAppFixture {};

TEST_F(UserDataExistingAccountTest, TheBoxFollowsTheChosenAccount) {
    InstallThunderbird(ThunderbirdPrefs({{"Other", "other@example.org"},
                                         {"Anna", "anna@quenlix.example"},
                                         {"Bea", "bea@quenlix.example"}},
                                        1));
    Launch();
    ASSERT_TRUE(ClickNext());
    ClickRow(1); // Anna: the default account
    ASSERT_TRUE(AccountsList().SelectedAccount()->IsDefault());
    ASSERT_TRUE(ClickNext());
    EXPECT_TRUE(UserData().chkStandard->isChecked());
    EXPECT_EQ(UserData().editName->text(), ""); // nothing is prefilled from the account

    ASSERT_TRUE(ClickPrevious());
    ClickRow(2); // Bea: not the default
    ASSERT_TRUE(ClickNext());
    EXPECT_FALSE(UserData().chkStandard->isChecked());
}

// The "@" cut holds however the page is left, also when the focus never leaves the mailbox
// field (Enter, or Next activated without taking the focus).
struct TLeaveCase {
    const char* Name;
    std::function<void(T_main&)> Leave;
};

void PrintTo(const TLeaveCase& aCase, std::ostream* aOut) {
    *aOut << aCase.Name;
}

class AtSignCutTest : public TAppFixture, public ::testing::WithParamInterface<TLeaveCase> {
protected:
    // Windows 2000: no login check, so what the page hands on is what is written.
    void SetUp() override {
        UseSystem("[Windows]\nPlatform=NT\nMajor=5\nMinor=0\n");
        Launch([this](T_dm& dm) {
            auto store = std::make_unique<TStandInStore>("Outlook Express");
            Store = store.get();
            dm.OutlookExpressAccounts = std::move(store);
        });
        ASSERT_TRUE(ClickNext());
        QTest::mouseClick(AccountType().rbOutlookExpress, Qt::LeftButton, {}, QPoint(6, 8));
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), "UserData");
        FillUserData("Anna Muster", "", "geheim");
        UserData().editEmailAddress->setFocus();
    }
    TStandInStore* Store = nullptr;
};

TEST_P(AtSignCutTest, TheDomainTypedWithTheMailboxIsCut) {
    QTest::keyClicks(UserData().editEmailAddress, "anna@quenlix.example");
    ASSERT_EQ(QApplication::focusWidget(), UserData().editEmailAddress);
    GetParam().Leave(Main());
    ASSERT_EQ(CurrentPage(), "Finished");
    ASSERT_EQ(Store->AccountCount(), 1);
    EXPECT_EQ(Store->AccountByIndex(0)->EmailAddress(), "anna@quenlix.example");
}

TEST_P(AtSignCutTest, AnAtSignAloneStopsThePage) {
    QTest::keyClicks(UserData().editEmailAddress, "@");
    GetParam().Leave(Main());
    EXPECT_EQ(CurrentPage(), "UserData");
    EXPECT_EQ(UserData().editEmailAddress->text(), "");
    EXPECT_FALSE(Main().btnNext->isEnabled());
    EXPECT_EQ(Store->AccountCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    LeavingThePage, AtSignCutTest,
    ::testing::Values(TLeaveCase{"Enter",
                                 [](T_main&) {
                                     QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                                 }},
                      TLeaveCase{"NextWithoutFocus",
                                 [](T_main& main) {
                                     main.btnNext->click();
                                 }},
                      TLeaveCase{"MouseClickOnNext",
                                 [](T_main& main) {
                                     QTest::mouseClick(main.btnNext, Qt::LeftButton);
                                 }}),
    [](const ::testing::TestParamInfo<TLeaveCase>& info) { return std::string(info.param.Name); });

} // namespace
