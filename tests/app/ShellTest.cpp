// Start-up, page sequence, navigation, the IMAP question, language switching and keyboard use
// of the main window, driven through the real forms.

#include "AppFixture.h"

#include "app/MainControls.h"
#include "app/close.h"

#include <lang/LanguageDispatcher.h>
#include <lang/LanguageTable.h>
#include <lang/TranslatedMessage.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <map>
#include <optional>
#include <string>

using namespace app_testing;

namespace {

const std::vector<TThunderbirdAccount> ProviderAndOther = {
    {"Anna Muster", "anna.muster@quenlix.example"},
    {"Anna Privat", "anna@example.org", true, "imap.example.org"},
};

using TCaptions = std::map<std::string, std::string>;

// Every caption the user can read on a form, keyed by component name.
TCaptions Captions(const QWidget& form) {
    TCaptions captions;
    const auto add = [&captions](const QString& name, const QString& text) {
        captions[name.toStdString()] = text.toStdString();
    };
    add(QStringLiteral("(title)"), form.windowTitle());
    for (const QLabel* label : form.findChildren<QLabel*>()) {
        add(label->objectName(), label->text());
    }
    for (const QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
        add(button->objectName(), button->text());
    }
    for (const QGroupBox* group : form.findChildren<QGroupBox*>()) {
        add(group->objectName(), group->title());
    }
    for (const QTreeWidget* tree : form.findChildren<QTreeWidget*>()) {
        for (int i = 0; i < tree->columnCount(); ++i) {
            add(tree->objectName() + QString::number(i), tree->headerItem()->text(i));
        }
    }
    return captions;
}

// The forms whose every caption comes from their table alone (no change handler rewrites one).
QList<QWidget*> TableOnlyForms(const app::TWizardApplication& wizard) {
    return {&wizard.Main(),     &wizard.Welcome(),  &wizard.AccountsList(), &wizard.AccountType(),
            &wizard.UserData(), &wizard.Finished(), &wizard.CloseDialog()};
}

class ShellTest : public TAppFixture {};

TEST_F(ShellTest, StartUpRunsItsStepsInOrderAndShowsTheWelcomePage) {
    InstallThunderbird(ThunderbirdPrefs(ProviderAndOther));
    Launch();

    EXPECT_EQ(App().StartupSteps(),
              (std::vector<std::string>{"CreateAccountStores", "ArrangeClients", "PreparePages",
                                        "CheckSupportToolInstalled"}));
    QStringList names;
    for (const app::TWizardPage* page : Main().wzrdcntrlMain->Pages()) {
        names << page->WizardPageName();
    }
    EXPECT_EQ(names, (QStringList{"Welcome", "AccountsList", "AccountType", "UserData", "Setup",
                                  "Finished"}));
    EXPECT_EQ(CurrentPage(), "Welcome");
    EXPECT_TRUE(App().Welcome().isVisible());
    EXPECT_EQ(App().Welcome().parentWidget(), Main().panelMain);
    EXPECT_EQ(Main().size(), QSize(640, 438));
    EXPECT_EQ(Main().windowTitle(),
              "Quenlix mail - Assistent zur Einrichtung Ihres E-Mail-Programms");
    EXPECT_FALSE(Main().btnPrevious->isEnabled());
    EXPECT_TRUE(Main().btnNext->isEnabled());
    EXPECT_FALSE(Main().btnRepeat->isVisible());

    // Only the Thunderbird store exists in this build; the other fields stay empty.
    ASSERT_NE(Dm().ThunderbirdAccounts, nullptr);
    EXPECT_FALSE(Dm().ThunderbirdAccounts->AutoSave());
    EXPECT_EQ(Dm().TotalAccountCount(), 2);
}

TEST_F(ShellTest, LanguageTablesFollowTheDispatcherInCreationOrder) {
    Launch();
    const app::TWizardApplication& wizard = App();
    const QList<lang::TLanguageTable*> expected = {
        wizard.Main().langMain,        wizard.Welcome().langMain,    wizard.AccountsList().langMain,
        wizard.AccountType().langMain, wizard.UserData().langMain,   wizard.Setup().langMain,
        wizard.Finished().langMain,    wizard.CloseDialog().langMain};
    EXPECT_EQ(Dm().langDispMain->Tables(), expected);
    EXPECT_EQ(Dm().langDispMain->ActiveLanguage(), lang::lgGerman);
}

TEST_F(ShellTest, WithoutAnyAccountTheAccountsPageIsSkippedUnbuilt) {
    Launch(); // no client at all
    EXPECT_FALSE(Page("AccountsList")->Enabled());
    // The list was never built: both design texts are still in place, nothing chose one.
    EXPECT_FALSE(AccountsList().lblContent->isHidden());
    EXPECT_FALSE(AccountsList().lblContent2->isHidden());
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), "AccountType");
}

TEST_F(ShellTest, AccountsWithoutProviderAddressBuildAnEmptyListAndDisableThePage) {
    InstallThunderbird(ThunderbirdPrefs({{"Anna Privat", "anna@example.org"}}));
    Launch();
    EXPECT_EQ(Dm().TotalAccountCount(), 1);
    EXPECT_FALSE(Page("AccountsList")->Enabled());
    EXPECT_EQ(AccountsList().lvAccounts->topLevelItemCount(), 0);
    EXPECT_TRUE(AccountsList().lblContent->isHidden()); // built: the second text was chosen
    EXPECT_FALSE(AccountsList().lblContent2->isHidden());
}

TEST_F(ShellTest, WithoutProviderAccountsTheFlowSkipsTheAccountsListBothWays) {
    InstallThunderbird(ThunderbirdPrefs({{"Anna Privat", "anna@example.org"}}));
    Launch();
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), "AccountType");
    QTest::mouseClick(AccountType().rbThunderbird, Qt::LeftButton, {}, QPoint(6, 8));
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), "UserData");
    ASSERT_TRUE(ClickPrevious());
    EXPECT_EQ(CurrentPage(), "AccountType");
    ASSERT_TRUE(ClickPrevious());
    EXPECT_EQ(CurrentPage(), "Welcome");
    EXPECT_FALSE(Main().btnPrevious->isEnabled());
}

TEST_F(ShellTest, AnExistingPopAccountSkipsTheClientChoiceBothWays) {
    InstallThunderbird(ThunderbirdPrefs(ProviderAndOther));
    Launch();
    ASSERT_TRUE(Page("AccountsList")->Enabled());
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), "AccountsList");
    EXPECT_FALSE(Main().btnNext->isEnabled()); // nothing chosen yet
    ClickRow(1);                               // the provider account below its header
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), "UserData");
    ASSERT_TRUE(ClickPrevious());
    EXPECT_EQ(CurrentPage(), "AccountsList");
    EXPECT_TRUE(Main().btnNext->isEnabled()); // coming back keeps the choice
    ASSERT_TRUE(ClickPrevious());
    EXPECT_EQ(CurrentPage(), "Welcome");
}

TEST_F(ShellTest, TheNewAccountRowLeadsThroughTheClientChoice) {
    InstallThunderbird(ThunderbirdPrefs(ProviderAndOther));
    Launch();
    ASSERT_TRUE(ClickNext());
    ClickRow(1);
    EXPECT_FALSE(Page("AccountType")->Enabled());
    const int last = AccountsList().lvAccounts->topLevelItemCount() - 1;
    ClickRow(last);
    EXPECT_TRUE(Page("AccountType")->Enabled());
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), "AccountType");
    ASSERT_TRUE(ClickPrevious());
    EXPECT_EQ(CurrentPage(), "AccountsList");
}

// The Thunderbird profile with a provider account reached by IMAP and the accounts page shown
// with that account selected.
class ImapQuestionTest : public ShellTest {
protected:
    void SetUp() override {
        InstallThunderbird(ThunderbirdPrefs({{"Anna IMAP", "anna@quenlix.example", true}}));
        Launch();
        ASSERT_TRUE(ClickNext());
        ClickRow(1);
        ASSERT_EQ(AccountsList().SelectedRow()->text(2), "IMAP");
    }

    // Presses Next, answering the question with the given result; returns the question text,
    // or nothing when no question was asked.
    std::optional<QString> NextAnswering(int answer) {
        std::optional<QString> asked;
        lang::TMessageDialogHookGuard hook([&](lang::TTranslatedMessageDialog& dialog) {
            asked = dialog.Text();
            EXPECT_EQ(dialog.DialogType(), lang::mtConfirmation);
            EXPECT_NE(dialog.Button(lang::mbYes), nullptr);
            EXPECT_NE(dialog.Button(lang::mbNo), nullptr);
            EXPECT_EQ(dialog.DefaultButton(), dialog.Button(lang::mbYes));
            return std::optional<int>(answer);
        });
        EXPECT_TRUE(ClickNext());
        return asked;
    }
};

TEST_F(ImapQuestionTest, NoKeepsTheAccountsList) {
    const std::optional<QString> asked = NextAnswering(lang::mrNo);
    ASSERT_TRUE(asked.has_value());
    EXPECT_EQ(*asked, "Sie haben ein IMAP-Konto für den Transfer ausgewählt. IMAP-Konten können "
                      "derzeit nicht automatisch\neingerichtet werden. Sie haben jedoch die "
                      "Möglichkeit, ein POP-Konto anzulegen. Ihre bestehenden\nNachrichten können "
                      "Sie dann in Ihrem E-Mail-Programm in das neue Konto verschieben.\n\nWollen "
                      "Sie nun ein neues POP-Konto anlegen?");
    EXPECT_EQ(CurrentPage(), "AccountsList");
    EXPECT_EQ(AccountsList().SelectedAccount()->EmailAddress(), "anna@quenlix.example");
}

TEST_F(ImapQuestionTest, YesChoosesTheNewAccountRowAndTheClientChoice) {
    ASSERT_TRUE(NextAnswering(lang::mrYes).has_value());
    EXPECT_EQ(CurrentPage(), "AccountType");
    QTreeWidget* list = AccountsList().lvAccounts;
    EXPECT_EQ(AccountsList().SelectedRow(), list->topLevelItem(list->topLevelItemCount() - 1));
    EXPECT_EQ(AccountsList().SelectedAccount(), nullptr); // the IMAP account stays untouched
}

TEST_F(ImapQuestionTest, ThePopAccountAsksNothing) {
    // Give the list a POP row to compare with: the question belongs to IMAP rows only.
    AccountsList().SelectedRow()->setText(2, QStringLiteral("POP"));
    EXPECT_FALSE(NextAnswering(lang::mrNo).has_value());
    EXPECT_EQ(CurrentPage(), "UserData");
}

TEST_F(ShellTest, LanguageLabelsRetranslateEveryFormAndGermanComesBack) {
    InstallThunderbird(ThunderbirdPrefs(ProviderAndOther));
    Launch();
    std::map<QWidget*, TCaptions> german;
    for (QWidget* form : TableOnlyForms(App())) {
        german[form] = Captions(*form);
    }
    const QString title = QCoreApplication::applicationName();

    QTest::mouseClick(Main().lblLanguageIT, Qt::LeftButton);
    EXPECT_EQ(Dm().langDispMain->ActiveLanguage(), lang::lgItalian);
    EXPECT_EQ(Main().windowTitle(), "Assistente per l'attivazione del vostro programma e-mail");
    EXPECT_EQ(Main().btnNext->text(), "Avanti >");
    EXPECT_EQ(AccountsList().lvAccounts->headerItem()->text(1), "Indirizzo e-mail");
    QTreeWidget* list = AccountsList().lvAccounts;
    EXPECT_EQ(list->topLevelItem(list->topLevelItemCount() - 1)->text(0),
              "Aggiungere un nuovo account");
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Thunderbird"); // client names stay

    QTest::mouseClick(Main().lblLanguageFR, Qt::LeftButton);
    EXPECT_EQ(Main().btnAbbort->text(), "Annuler");
    QTest::mouseClick(Main().lblLanguageDE, Qt::LeftButton);
    for (QWidget* form : TableOnlyForms(App())) {
        EXPECT_EQ(Captions(*form), german[form]) << form->objectName().toStdString();
    }
    EXPECT_EQ(QCoreApplication::applicationName(), title);
    EXPECT_EQ(title, "Quenlix mail Assistant");
}

TEST_F(ShellTest, ChoosingTheActiveLanguageAgainChangesNothing) {
    InstallThunderbird(ThunderbirdPrefs(ProviderAndOther));
    Launch();
    Main().lblLanguageITClick();
    QTreeWidget* list = AccountsList().lvAccounts;
    QTreeWidgetItem* newRow = list->topLevelItem(list->topLevelItemCount() - 1);
    newRow->setText(0, QStringLiteral("marker"));
    Main().btnNext->setText(QStringLiteral("marker"));
    Main().lblLanguageITClick();
    EXPECT_EQ(newRow->text(0), "marker"); // no change handler ran
    EXPECT_EQ(Main().btnNext->text(), "marker");
}

TEST_F(ShellTest, LanguageLabelsWorkFromTheKeyboard) {
    Launch();
    Main().lblLanguageFR->setFocus();
    QTest::keyClick(Main().lblLanguageFR, Qt::Key_Space);
    EXPECT_EQ(Dm().langDispMain->ActiveLanguage(), lang::lgFrench);
    EXPECT_EQ(Main().lblLanguageFR->focusPolicy(), Qt::TabFocus);
}

TEST_F(ShellTest, EnterMeansNextAndAFocusedButtonAnswersItself) {
    InstallThunderbird(ThunderbirdPrefs({{"Anna Privat", "anna@example.org"}}));
    Launch();
    QTest::keyClick(&Main(), Qt::Key_Return);
    EXPECT_EQ(CurrentPage(), "AccountType");
    QTest::keyClick(&Main(), Qt::Key_Return); // Next is disabled until a client is chosen
    EXPECT_EQ(CurrentPage(), "AccountType");
    Main().btnPrevious->setFocus();
    QTest::keyClick(Main().btnPrevious, Qt::Key_Return);
    EXPECT_EQ(CurrentPage(), "Welcome");
}

TEST_F(ShellTest, CancelAnsweredNoKeepsEverythingButTheRequest) {
    Launch();
    ASSERT_TRUE(ClickNext());
    QTimer::singleShot(0, &App().CloseDialog(), [this]() { App().CloseDialog().btnNo->click(); });
    QTest::mouseClick(Main().btnAbbort, Qt::LeftButton);
    EXPECT_TRUE(Main().isVisible());
    EXPECT_TRUE(Main().CancelRequested);
    EXPECT_EQ(CurrentPage(), "AccountType");
}

// Pictures of the pages as shown, for review by eye: <test program folder>/screenshots.
TEST_F(ShellTest, ScreenshotsOfTheShownPages) {
    InstallThunderbird(ThunderbirdPrefs(ProviderAndOther));
    Launch();
    const auto save = [this](const QString& name) {
        SaveScreenshot(name);
    };
    save("1-welcome");
    ASSERT_TRUE(ClickNext());
    ClickRow(1);
    save("2-accountslist");
    Main().lblLanguageFRClick();
    save("2-accountslist-fr");
    Main().lblLanguageDEClick();
    ClickRow(AccountsList().lvAccounts->topLevelItemCount() - 1);
    ASSERT_TRUE(ClickNext());
    QTest::mouseClick(AccountType().rbThunderbird, Qt::LeftButton, {}, QPoint(6, 8));
    save("3-accounttype");
    ASSERT_TRUE(ClickNext());
    FillUserData("Anna Muster", "anna.muster", "secret");
    UserData().editPassword2->setText(QStringLiteral("Secret"));
    save("4-userdata");
    Main().lblLanguageITClick();
    save("4-userdata-it");
    Main().lblLanguageDEClick();
    Main().lblLanguageFRClick();
    Main().lblLanguageITClick();
    ASSERT_TRUE(ClickPrevious());
    save("3-accounttype-it-after-fr");
    Main().lblLanguageDEClick();
}

TEST_F(ShellTest, ScreenshotOfTheMissingClientText) {
    Launch();
    ASSERT_TRUE(ClickNext());
    SaveScreenshot("3-accounttype-noclient");
}

} // namespace
