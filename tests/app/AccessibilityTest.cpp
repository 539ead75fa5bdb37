// What a screen reader gets through Qt's accessibility interface: on every page only that
// page's controls (and the window's own), each with a name and a fitting role; the inputs named
// by their own labels; links and language labels that can be pressed; and announcements for
// texts that appear without the user moving.
#include "app/Accessibility.h"
#include "SetupFixture.h"
#include "app/MainControls.h"
#include "app/SetupProgress.h"
#include "lang/LanguageDispatcher.h"
#include "platform/Shell.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <set>
#include <string>
#include <vector>

using namespace app_testing;

namespace {

// The interfaces a screen reader reads: everything below the window that is not invisible.
void Collect(QAccessibleInterface* aInterface, std::vector<QAccessibleInterface*>& aOut) {
    for (int i = 0; i < aInterface->childCount(); ++i) {
        QAccessibleInterface* child = aInterface->child(i);
        if (child == nullptr || child->state().invisible) {
            continue;
        }
        aOut.push_back(child);
        Collect(child, aOut);
    }
}

// Roles whose controls a user meets and must hear named.
bool NeedsName(QAccessible::Role aRole) {
    switch (aRole) {
    case QAccessible::EditableText:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::Button:
    case QAccessible::Link:
    case QAccessible::Graphic:
    case QAccessible::Animation:
    case QAccessible::List:
    case QAccessible::Tree:
        return true;
    default:
        return false;
    }
}

// Announcements made while the recorder lives.
class TAccessibilityRecorder {
public:
    TAccessibilityRecorder() {
        app::SetAnnouncementObserver([this](QWidget* aWidget, QAccessible::Event aType) {
            Events.push_back({aWidget, aType});
        });
    }
    ~TAccessibilityRecorder() { app::SetAnnouncementObserver({}); }
    bool Saw(QObject* aObject, QAccessible::Event aType) const {
        for (const auto& [object, type] : Events) {
            if (object == aObject && type == aType) {
                return true;
            }
        }
        return false;
    }
    std::vector<std::pair<QObject*, QAccessible::Event>> Events;
};

class AccessibilityTest : public TSetupFixture {
protected:
    // Checks the page now shown: only its controls and the window's own are read, and every
    // control the user meets has a name.
    void ExpectPageRead(const char* aPage) {
        ASSERT_EQ(CurrentPage(), aPage);
        const QWidget* page = Page(CurrentPage())->OwnerForm();
        std::vector<QAccessibleInterface*> read;
        Collect(QAccessible::queryAccessibleInterface(&Main()), read);
        for (QAccessibleInterface* item : read) {
            auto* widget = qobject_cast<QWidget*>(item->object());
            if (widget == nullptr) {
                continue;
            }
            const std::string what = aPage + std::string(": ") + widget->objectName().toStdString();
            if (widget != Main().panelMain && Main().panelMain->isAncestorOf(widget)) {
                EXPECT_TRUE(widget == page || page->isAncestorOf(widget))
                    << what << " of a page the user has left is read";
            }
            if (NeedsName(item->role())) {
                EXPECT_FALSE(item->text(QAccessible::Name).trimmed().isEmpty())
                    << what << " has no name (role " << item->role() << ")";
            }
        }
    }

    QAccessibleInterface* Interface(QObject* aObject) {
        return QAccessible::queryAccessibleInterface(aObject);
    }
};

TEST_F(AccessibilityTest, EveryPageIsReadWithItsOwnNamedControlsOnly) {
    UseHostedService({}, 5, 0); // Windows 2000: no login check
    InstallThunderbird();
    Launch();
    ExpectPageRead("Welcome");
    for (auto [label, name] :
         {std::pair{Main().lblLanguageDE, "Deutsch"}, std::pair{Main().lblLanguageFR, "Français"},
          std::pair{Main().lblLanguageIT, "Italiano"}}) {
        QAccessibleInterface* item = Interface(label);
        EXPECT_EQ(item->role(), QAccessible::Link);
        EXPECT_EQ(item->text(QAccessible::Name), QString::fromUtf8(name));
        ASSERT_NE(item->actionInterface(), nullptr);
        EXPECT_TRUE(item->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
    }
    Interface(Main().lblLanguageFR)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(Dm().langDispMain->ActiveLanguage(), lang::lgFrench);
    Dm().langDispMain->SetActiveLanguage(lang::lgGerman);

    ASSERT_TRUE(ClickNext());
    ExpectPageRead("AccountType");
    EXPECT_EQ(Interface(AccountType().rbThunderbird)->role(), QAccessible::RadioButton);
    EXPECT_EQ(Interface(AccountType().imgThunderbird)->text(QAccessible::Name), "Thunderbird");
    QTest::mouseClick(AccountType().rbThunderbird, Qt::LeftButton, {}, QPoint(6, 8));

    ASSERT_TRUE(ClickNext());
    ExpectPageRead("UserData");
    const std::pair<QLineEdit*, const char*> fields[] = {
        {UserData().editName, "Ihr Name"},
        {UserData().editEmailAddress, "Ihre E-Mail-Adresse"},
        {UserData().editPasswort1, "Ihr Passwort"},
        {UserData().editPassword2, "Passwort bestätigen"}};
    for (const auto& [edit, name] : fields) {
        EXPECT_EQ(Interface(edit)->role(), QAccessible::EditableText);
        EXPECT_EQ(Interface(edit)->text(QAccessible::Name), QString::fromUtf8(name))
            << edit->objectName().toStdString();
    }
    Main().lblLanguageITClick(); // the names follow the language
    EXPECT_EQ(Interface(UserData().editPassword2)->text(QAccessible::Name), "Conferma password");
    Main().lblLanguageDEClick();

    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna"), QStringLiteral("x"));
    ASSERT_TRUE(ClickNext());
    ExpectPageRead("Finished");
    QAccessibleInterface* link = Interface(App().Finished().lblSupporttoolLink);
    EXPECT_EQ(link->role(), QAccessible::Link);
    std::vector<std::string> opened;
    platform::SetShellOpenObserver([&](const std::string& url) { opened.push_back(url); });
    link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    platform::SetShellOpenObserver(nullptr);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(AccessibilityTest, TextsThatAppearOnTheirOwnAreAnnounced) {
    testing_support::TPop3Script script;
    script.User = "anna@quenlix.example";
    script.Password = "right";
    UseHostedService(script); // Windows XP: the login is checked and fails below
    InstallThunderbird();
    Launch();
    WalkToUserDataWithThunderbird(QStringLiteral("Anna"), QStringLiteral("anna"),
                                  QStringLiteral("wrong"));
    TAccessibilityRecorder recorder;
    UserData().editPassword2->setText(QStringLiteral("other"));

    EXPECT_TRUE(recorder.Saw(UserData().lblPasswordcheck, QAccessible::Alert))
        << "the password mismatch";
    UserData().editPassword2->setText(QStringLiteral("wrong"));

    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(Setup().State(), TSetupState::Failed);
    EXPECT_TRUE(recorder.Saw(Setup().progressSetup, QAccessible::StateChanged)) << "the busy state";
    EXPECT_TRUE(recorder.Saw(Setup().lblVerify, QAccessible::Alert)) << "the failure";
    EXPECT_FALSE(Interface(Setup().imgCheckFailed)->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(Interface(Setup().progressSetup)->role(), QAccessible::Animation);
}

} // namespace
