// The wizard driven by the keyboard alone, as a person without a mouse does: keys go to the
// control that has the focus. Only the current page's controls may take the keys; whatever a
// page the user has left holds must stay as it was.
#include "CloseDialogDriver.h"
#include "SetupFixture.h"
#include "app/MainControls.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace app_testing;

namespace {

const char* const Address = "anna.muster@quenlix.example";

// Where the keyboard's keys go: the focus widget, or the active window when none has it.
QWidget* KeyTarget() {
    QWidget* target = QApplication::focusWidget();
    return target != nullptr ? target : QApplication::activeWindow();
}

void Press(Qt::Key aKey, Qt::KeyboardModifiers aModifiers = Qt::NoModifier) {
    QWidget* target = KeyTarget();
    ASSERT_NE(target, nullptr) << "no window takes the keys";
    QTest::keyClick(target, aKey, aModifiers);
}

void Type(const QString& aText) {
    QWidget* target = KeyTarget();
    ASSERT_NE(target, nullptr) << "no window takes the keys";
    QTest::keyClicks(target, aText);
}

// Records the addresses the shell is asked to open, and opens nothing.
class TShellRecorder {
public:
    TShellRecorder() {
        platform::SetShellOpenObserver([this](const std::string& url) { Opened.push_back(url); });
    }
    ~TShellRecorder() { platform::SetShellOpenObserver(nullptr); }
    std::vector<std::string> Opened;
};

class KeyboardTest : public TSetupFixture {
protected:
    // A Thunderbird profile holding one provider account: the accounts page shows a header,
    // the account, the group end and the new-account row.
    void LaunchWithOneProviderAccount() {
        UseHostedService(AnnasMailbox());
        InstallThunderbird(ThunderbirdPrefs({{"Anna Alt", Address}}));
        Launch();
        // Should a key ever open the exit question, it is answered No and the test fails.
        ExitQuestion = std::make_unique<TCloseDialogDriver>(
            App().CloseDialog(), [](T_closedialog& aDialog) { aDialog.btnNo->click(); });
    }

    void TearDown() override {
        if (ExitQuestion != nullptr) {
            EXPECT_EQ(ExitQuestion->Shown(), 0) << "a key asked to quit";
        }
    }

    std::unique_ptr<TCloseDialogDriver> ExitQuestion;

    // Keys a person might press; they must reach no page the user has left. On a push button
    // or check box the arrows move the focus like Tab, so pages whose first control is one get
    // the other keys only.
    void PressAround(bool aArrows) {
        std::vector<Qt::Key> keys = {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown};
        if (aArrows) {
            keys.insert(keys.end(),
                        {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right});
        }
        for (Qt::Key key : keys) {
            Press(key);
        }
        Type(QStringLiteral("qx"));
        ExpectFocusOnTheCurrentPage();
    }

    // The focus is on the current page or on the window's own controls, never on a page the
    // user has left.
    void ExpectFocusOnTheCurrentPage() {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        const QWidget* page = Page(CurrentPage())->OwnerForm();
        const bool onPage = page == focus || page->isAncestorOf(focus);
        const bool onWindow = !Main().panelMain->isAncestorOf(focus);
        EXPECT_TRUE(onPage || onWindow) << focus->objectName().toStdString();
    }

    int SelectedRowIndex() const {
        return AccountsList().lvAccounts->indexOfTopLevelItem(AccountsList().SelectedRow());
    }
    int LastRowIndex() const { return AccountsList().lvAccounts->topLevelItemCount() - 1; }

    // The senders' names of all identities in prefs.js.
    std::multiset<std::string> SenderNames() {
        std::multiset<std::string> names;
        for (const auto& [name, value] : ReadPrefs()) {
            if (name.rfind("mail.identity.", 0) == 0 && name.ends_with(".fullName")) {
                names.insert(value);
            }
        }
        return names;
    }

    void TypeUserData() {
        ASSERT_EQ(QApplication::focusWidget(), UserData().editName);
        Type(QStringLiteral("Anna Muster"));
        Press(Qt::Key_Tab);
        Type(QStringLiteral("anna.muster"));
        Press(Qt::Key_Tab);
        Type(QStringLiteral("Geheim-42"));
        Press(Qt::Key_Tab);
        Type(QStringLiteral("Geheim-42"));
        Press(Qt::Key_Up);
        Press(Qt::Key_Down);
        ASSERT_TRUE(Main().btnNext->isEnabled());
    }

    void ExpectUserDataAsTyped() {
        EXPECT_EQ(UserData().editName->text(), "Anna Muster");
        EXPECT_EQ(UserData().editEmailAddress->text(), "anna.muster");
        EXPECT_EQ(UserData().editPasswort1->text(), "Geheim-42");
        EXPECT_EQ(UserData().editPassword2->text(), "Geheim-42");
    }
};

TEST_F(KeyboardTest, ANewAccountIsMadeWithKeysAloneAndLeftPagesKeepTheirChoice) {
    LaunchWithOneProviderAccount();
    TShellRecorder shell;
    ASSERT_EQ(CurrentPage(), "Welcome");
    EXPECT_EQ(QApplication::focusWidget(), Main().btnNext) << "Enter must work at once";
    PressAround(/*aArrows=*/false);
    Press(Qt::Key_Return);

    ASSERT_EQ(CurrentPage(), "AccountsList");
    EXPECT_EQ(QApplication::focusWidget(), AccountsList().lvAccounts);
    Press(Qt::Key_End); // the new-account row
    ASSERT_EQ(SelectedRowIndex(), LastRowIndex());
    ASSERT_EQ(AccountsList().SelectedAccount(), nullptr);
    Press(Qt::Key_Return);

    ASSERT_EQ(CurrentPage(), "AccountType");
    EXPECT_EQ(QApplication::focusWidget(), AccountType().rbThunderbird);
    PressAround(/*aArrows=*/true);
    EXPECT_EQ(SelectedRowIndex(), LastRowIndex()) << "the hidden list took the keys";
    EXPECT_EQ(AccountsList().SelectedAccount(), nullptr);
    Press(Qt::Key_Space);
    ASSERT_TRUE(AccountType().rbThunderbird->isChecked());
    Press(Qt::Key_Return);

    ASSERT_EQ(CurrentPage(), "UserData");
    TypeUserData();
    EXPECT_EQ(SelectedRowIndex(), LastRowIndex());
    EXPECT_TRUE(AccountType().rbThunderbird->isChecked());
    Press(Qt::Key_Return); // the setup runs and moves on by itself

    ASSERT_EQ(CurrentPage(), "Finished");
    PressAround(/*aArrows=*/false);
    Press(Qt::Key_Escape); // the finish button stays the way out
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(CurrentPage(), "Finished");
    EXPECT_TRUE(TempFiles("sEM*").empty());
    ExpectUserDataAsTyped();
    EXPECT_EQ(SelectedRowIndex(), LastRowIndex());
    EXPECT_TRUE(shell.Opened.empty());

    // The profile already had this mailbox: Thunderbird keeps one server per mailbox, so the new
    // account took over the old one (with the name typed now) instead of doubling it.
    EXPECT_EQ(SenderNames(), (std::multiset<std::string>{"\"Anna Muster\""}));
}

TEST_F(KeyboardTest, AnExistingAccountIsAdaptedWithKeysAlone) {
    LaunchWithOneProviderAccount();
    Press(Qt::Key_Return);
    ASSERT_EQ(CurrentPage(), "AccountsList");
    for (int i = 0; i < 3 && AccountsList().SelectedAccount() == nullptr; ++i) {
        Press(Qt::Key_Down);
    }
    ASSERT_NE(AccountsList().SelectedAccount(), nullptr);
    const int chosen = SelectedRowIndex();
    Press(Qt::Key_Return);

    ASSERT_EQ(CurrentPage(), "UserData"); // the client choice is skipped
    TypeUserData();
    EXPECT_EQ(SelectedRowIndex(), chosen);
    Press(Qt::Key_Return);

    ASSERT_EQ(CurrentPage(), "Finished");
    PressAround(/*aArrows=*/false);
    EXPECT_EQ(SelectedRowIndex(), chosen);
    ExpectUserDataAsTyped();
    // The one account was adapted; no new one was made.
    EXPECT_EQ(SenderNames(), (std::multiset<std::string>{"\"Anna Muster\""}));
}

TEST_F(KeyboardTest, TypingOnAFailedSetupPageChangesNoUserData) {
    LaunchWithOneProviderAccount();
    Press(Qt::Key_Return);
    Press(Qt::Key_End);
    Press(Qt::Key_Return);
    Press(Qt::Key_Space);
    Press(Qt::Key_Return);
    ASSERT_EQ(CurrentPage(), "UserData");
    TypeUserData();
    Press(Qt::Key_End); // a wrong password, twice
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    Press(Qt::Key_End);
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Return);
    ASSERT_EQ(CurrentPage(), "Setup");
    ASSERT_EQ(Setup().State(), TSetupState::Failed);

    PressAround(/*aArrows=*/true);
    Press(Qt::Key_Backspace);
    EXPECT_EQ(UserData().editName->text(), "Anna Muster");
    EXPECT_EQ(UserData().editPasswort1->text(), "Geheim-4");
    EXPECT_EQ(UserData().editPassword2->text(), "Geheim-4");
    // Back is the way on, also from the keyboard.
    Press(Qt::Key_Tab);
    for (int i = 0; i < 6 && QApplication::focusWidget() != Main().btnPrevious; ++i) {
        Press(Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), Main().btnPrevious);
    Press(Qt::Key_Return);
    EXPECT_EQ(CurrentPage(), "UserData");
    EXPECT_EQ(QApplication::focusWidget(), UserData().editName);
}

// The control with the focus must look different, however the focus got there: a keyboard
// user has no other way to know where Enter and Space will go.
TEST_F(KeyboardTest, NextAndTheLinkShowTheFocus) {
    LaunchWithOneProviderAccount();
    // The widget's look with the focus on it, then with the focus elsewhere.
    const auto looks = [](QWidget* aWidget, QWidget* aElsewhere) {
        aWidget->setFocus();
        aWidget->grab(); // the first picture of a freshly shown page may still settle
        const QImage with = aWidget->grab().toImage();
        aElsewhere->setFocus();
        const QImage without = aWidget->grab().toImage();
        return std::pair{without, with};
    };
    const auto [nextWithout, nextWith] = looks(Main().btnNext, Main().btnAbbort);
    EXPECT_NE(nextWithout, nextWith);

    Main().wzrdcntrlMain->SetCurrentWizardPage(
        Main().wzrdcntrlMain->IndexOfPage(QStringLiteral("Finished")) + 1);
    QLabel* link = App().Finished().lblSupporttoolLink;
    ASSERT_TRUE(link->isVisible());
    const auto [linkWithout, linkWith] = looks(link, App().Finished().chkRemoveApplication);
    EXPECT_NE(linkWithout, linkWith);
}

// Enter pressed again and again from the start, as an impatient user does. The keys come from
// a timer, so they also reach any modal dialog that opens on the way.
class EnterRepeatedlyTest;

struct TEnterCase {
    const char* Name;
    // Installs the clients before the wizard starts.
    std::function<void(EnterRepeatedlyTest&)> Arrange;
    const char* StuckOn; // the page where Enter can go no further
};

void PrintTo(const TEnterCase& aCase, std::ostream* aOut) {
    *aOut << aCase.Name;
}

class EnterRepeatedlyTest : public KeyboardTest, public ::testing::WithParamInterface<TEnterCase> {
public:
    using KeyboardTest::InstallThunderbird;
    using KeyboardTest::ThunderbirdPrefs;
};

TEST_P(EnterRepeatedlyTest, NeverEndsTheProgram) {
    UseSystem("[Folders]\nTemp=C:\\Temp\n");
    GetParam().Arrange(*this);
    Launch();
    TCloseDialogDriver watch(App().CloseDialog(), [](T_closedialog&) {});
    int presses = 0;
    QTimer enter;
    enter.setInterval(20);
    QObject::connect(&enter, &QTimer::timeout, [&] {
        if (presses++ < 8) {
            QTest::keyClick(KeyTarget(), Qt::Key_Return);
        }
    });
    enter.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses > 8; }, 20000));
    enter.stop();

    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(CurrentPage(), QString::fromLatin1(GetParam().StuckOn));
    EXPECT_NE(QApplication::focusWidget(), Main().btnAbbort);
    EXPECT_TRUE(TempFiles("sEM*").empty()) << "self-removal started";
}

const TEnterCase EnterCases[] = {
    {"NoMailClient", [](EnterRepeatedlyTest&) {}, "AccountType"},
    {"ThunderbirdWithoutAccounts", [](EnterRepeatedlyTest& t) { t.InstallThunderbird(); },
     "AccountType"},
    {"ThunderbirdWithAProviderAccount",
     [](EnterRepeatedlyTest& t) {
         t.InstallThunderbird(EnterRepeatedlyTest::ThunderbirdPrefs({{"Anna", Address}}));
     },
     "AccountsList"},
};

INSTANTIATE_TEST_SUITE_P(FromTheStart, EnterRepeatedlyTest, ::testing::ValuesIn(EnterCases),
                         [](const ::testing::TestParamInfo<TEnterCase>& info) {
                             return std::string(info.param.Name);
                         });

} // namespace
