#include "app/wizard.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace app;

namespace {

// A panel, the two buttons and six page forms "page1" ... "page6", registered in order.
class WizardTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(640, 438);
        panel = new QWidget(window.get());
        panel->setGeometry(0, 75, 640, 312);
        previous = new QPushButton(QStringLiteral("<  Zurück"), window.get());
        next = new QPushButton(QStringLiteral("Weiter  >"), window.get());
        wizard = new TWizardControl(window.get());
        wizard->SetWizardPanel(panel);
        wizard->SetNextControl(next);
        wizard->SetPreviousControl(previous);
        for (int i = 1; i <= 6; ++i) {
            forms.push_back(std::make_unique<QWidget>());
            auto* page = new TWizardPage(forms.back().get());
            page->SetWizardControl(wizard);
            page->SetWizardPageName(QStringLiteral("page%1").arg(i));
            page->OnEnter = [this, i](TWizardPage*, TWizardDirection direction) {
                log.push_back(QStringLiteral("enter %1 %2")
                                  .arg(i)
                                  .arg(direction == wdNext ? "next" : "previous"));
            };
            pages.push_back(page);
        }
        window->show();
    }

    void TearDown() override {
        // Forms shown in the panel belong to it now; the window takes them with it.
        for (auto& form : forms) {
            if (form != nullptr && form->parentWidget() == panel) {
                (void)form.release();
            }
        }
        window.reset();
    }

    TWizardPage* Page(int number) const { return pages[number - 1]; }
    QWidget* Form(int number) const { return pages[number - 1]->OwnerForm(); }

    std::unique_ptr<QWidget> window;
    QWidget* panel = nullptr;
    QPushButton* previous = nullptr;
    QPushButton* next = nullptr;
    TWizardControl* wizard = nullptr;
    std::vector<std::unique_ptr<QWidget>> forms;
    std::vector<TWizardPage*> pages;
    std::vector<QString> log;
};

TEST_F(WizardTest, SkipsDisabledPagesInBothDirections) {
    Page(2)->SetEnabled(false);
    Page(3)->SetEnabled(false);
    wizard->ShowFirstPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 1);
    EXPECT_FALSE(previous->isEnabled());
    EXPECT_TRUE(next->isEnabled());
    EXPECT_EQ(wizard->PreviousEnabledPage(), -1);
    EXPECT_EQ(wizard->NextEnabledPage(), 4);

    wizard->NextPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 4);
    EXPECT_EQ(wizard->CurrentPageName(), "page4");
    EXPECT_TRUE(previous->isEnabled());
    wizard->PreviousPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 1);
    EXPECT_FALSE(previous->isEnabled());
    EXPECT_EQ(log, (std::vector<QString>{"enter 1 next", "enter 4 next", "enter 1 previous"}));

    wizard->PreviousPage(); // nothing before page 1
    EXPECT_EQ(wizard->CurrentWizardPage(), 1);
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(WizardTest, ShowFirstPageSkipsDisabledAndShowsNothingWhenNoneEnabled) {
    Page(1)->SetEnabled(false);
    wizard->ShowFirstPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 2);
    EXPECT_TRUE(Form(2)->isVisible());

    for (TWizardPage* page : pages) {
        page->SetEnabled(false);
    }
    wizard->ShowFirstPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 0);
    EXPECT_EQ(wizard->CurrentPageName(), "");
    EXPECT_FALSE(Form(2)->isVisible());
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(previous->isEnabled());
    EXPECT_EQ(wizard->GetHelpMe(),
              "Warnings\r- no wizardpage is enabled\r- there is no connector registered");
}

TEST_F(WizardTest, EnteringAPageFocusesItsFirstInputElseNextElseThePage) {
    // Page 2: a label before an edit; page 3: a hidden edit only; page 4: nothing.
    auto* caption = new QLabel(QStringLiteral("Name"), Form(2));
    caption->setFocusPolicy(Qt::StrongFocus); // a focusable label is still no input
    auto* edit = new QLineEdit(Form(2));
    auto* hidden = new QLineEdit(Form(3));
    hidden->hide();
    wizard->ShowFirstPage();
    EXPECT_EQ(window->focusWidget(), next);
    wizard->NextPage();
    EXPECT_EQ(window->focusWidget(), edit);
    wizard->NextPage();
    EXPECT_EQ(window->focusWidget(), next);
    // Without a usable Next the page itself takes the focus, never another button.
    Page(4)->SetNextEnabled(false);
    wizard->NextPage();
    EXPECT_EQ(window->focusWidget(), Form(4));
}

TEST_F(WizardTest, PageButtonFlagsGovernOnlyTheButtons) {
    wizard->ShowFirstPage();
    Page(1)->SetNextEnabled(false);
    EXPECT_FALSE(next->isEnabled());
    wizard->NextPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 2);
    EXPECT_TRUE(next->isEnabled());

    Page(2)->SetPreviousEnabled(false);
    EXPECT_FALSE(previous->isEnabled());
    wizard->PreviousPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 1);
    EXPECT_FALSE(next->isEnabled()); // page 1 still says no
}

TEST_F(WizardTest, LastEnabledPageDisablesNextUnlessAutoEnableIsOff) {
    Page(6)->SetEnabled(false);
    wizard->SetCurrentWizardPage(5);
    EXPECT_TRUE(Page(5)->NextEnabled());
    EXPECT_FALSE(next->isEnabled());
    wizard->NextPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 5);

    Page(6)->SetEnabled(true); // the setter updates the buttons at once
    EXPECT_TRUE(next->isEnabled());
    Page(6)->SetEnabled(false);
    EXPECT_FALSE(next->isEnabled());
    wizard->SetAutoEnablePreviousAndNext(false);
    EXPECT_TRUE(next->isEnabled());
}

TEST_F(WizardTest, LeaveHandlerThatForbidsKeepsThePageWithoutEvents) {
    std::vector<QString> containerEvents;
    wizard->OnWizardPageLeave = [&](TWizardControl*, const QString&, const QString&,
                                    const QString&) {
        containerEvents.push_back("leave");
    };
    wizard->OnWizardPageEnter = [&](TWizardControl*, const QString&, const QString&,
                                    const QString&) {
        containerEvents.push_back("enter");
    };
    wizard->ShowFirstPage();
    containerEvents.clear();
    log.clear();

    TWizardDirection seen = wdPrevious;
    Page(1)->OnLeave = [&](TWizardPage* sender, TWizardDirection direction, bool& allowed,
                           QString& newPage) {
        EXPECT_EQ(sender, Page(1));
        EXPECT_EQ(newPage, "page2");
        seen = direction;
        allowed = false;
    };
    wizard->NextPage();
    EXPECT_EQ(seen, wdNext);
    EXPECT_EQ(wizard->CurrentWizardPage(), 1);
    EXPECT_TRUE(containerEvents.empty());
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(Form(2)->isVisible());
}

TEST_F(WizardTest, LeaveHandlerRedirectsAndUnknownNamesFallBack) {
    wizard->ShowFirstPage();
    Page(1)->OnLeave = [](TWizardPage*, TWizardDirection, bool&, QString& newPage) {
        newPage = "PAGE5"; // names compare without regard to case
    };
    wizard->NextPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 5);
    EXPECT_EQ(log.back(), "enter 5 next");

    Page(5)->OnLeave = [](TWizardPage*, TWizardDirection, bool&, QString& newPage) {
        newPage = "no such page";
    };
    wizard->PreviousPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 4);
    EXPECT_EQ(log.back(), "enter 4 previous");
}

TEST_F(WizardTest, SettingTheCurrentNumberAgainOrOutOfRangeDoesNothing) {
    int leaves = 0;
    wizard->OnWizardPageLeave = [&](TWizardControl*, const QString&, const QString&,
                                    const QString&) {
        ++leaves;
    };
    wizard->SetCurrentWizardPage(3);
    log.clear();
    Page(3)->OnLeave = [&](TWizardPage*, TWizardDirection, bool&, QString&) {
        ++leaves;
    };

    wizard->SetCurrentWizardPage(3);
    wizard->SetCurrentWizardPage(-1);
    wizard->SetCurrentWizardPage(7);
    EXPECT_EQ(wizard->CurrentWizardPage(), 3);
    EXPECT_EQ(leaves, 0);
    EXPECT_TRUE(log.empty());
}

TEST_F(WizardTest, ContainerEventsCarryTitlesInOrder) {
    std::vector<QString> events;
    Page(1)->SetShortTitle("s1");
    Page(2)->SetLongTitle("l2");
    Page(2)->SetDescription("d2");
    wizard->OnWizardPageLeave = [&](TWizardControl* sender, const QString& shortTitle,
                                    const QString&, const QString&) {
        EXPECT_EQ(sender, wizard);
        events.push_back("container leave " + shortTitle);
    };
    wizard->OnWizardPageEnter = [&](TWizardControl*, const QString&, const QString& longTitle,
                                    const QString& description) {
        events.push_back("container enter " + longTitle + " " + description);
    };
    wizard->ShowFirstPage();
    Page(1)->OnLeave = [&](TWizardPage*, TWizardDirection, bool&, QString&) {
        events.push_back("page leave");
    };
    Page(2)->OnEnter = [&](TWizardPage*, TWizardDirection) {
        events.push_back("page enter");
    };
    events.clear();
    wizard->NextPage();
    EXPECT_EQ(events, (std::vector<QString>{"page leave", "container leave s1",
                                            "container enter l2 d2", "page enter"}));
}

TEST_F(WizardTest, EnterHandlerThatMovesOnEndsWithTheButtonsOfTheNewPage) {
    Page(4)->SetNextEnabled(false);
    Page(4)->SetPreviousEnabled(false);
    Page(3)->OnEnter = [this](TWizardPage*, TWizardDirection) {
        log.push_back("enter 3");
        wizard->NextPage();
    };
    wizard->SetCurrentWizardPage(2);
    wizard->NextPage();
    EXPECT_EQ(wizard->CurrentWizardPage(), 4);
    EXPECT_EQ(log.back(), "enter 4 next");
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(previous->isEnabled());
    EXPECT_TRUE(Form(4)->isVisible());
}

TEST_F(WizardTest, CurrentFormFillsThePanelAndLeftFormsAreHidden) {
    wizard->ShowFirstPage();
    wizard->NextPage();
    EXPECT_EQ(Form(2)->parentWidget(), panel);
    EXPECT_FALSE(Form(2)->isWindow());
    EXPECT_EQ(Form(2)->geometry(), panel->rect());
    EXPECT_TRUE(Form(2)->isVisible());
    // A page the user has left takes no keys and is no longer seen by screen readers.
    EXPECT_FALSE(Form(1)->isVisible());
    EXPECT_EQ(panel->childAt(10, 10), Form(2));
    EXPECT_FALSE(Form(3)->isVisible());

    panel->resize(500, 200);
    EXPECT_EQ(Form(1)->size(), QSize(500, 200));
    EXPECT_EQ(Form(2)->size(), QSize(500, 200));

    wizard->PreviousPage();
    EXPECT_EQ(panel->childAt(10, 10), Form(1));
}

TEST_F(WizardTest, DestroyedControlsAndContainerAreForgotten) {
    wizard->ShowFirstPage();
    delete next;
    EXPECT_EQ(wizard->NextControl(), nullptr);
    wizard->NextPage(); // must not touch the destroyed button
    EXPECT_EQ(wizard->CurrentWizardPage(), 2);
    delete previous;
    EXPECT_EQ(wizard->PreviousControl(), nullptr);
    wizard->SetWizardPanel(nullptr);
    EXPECT_EQ(wizard->GetHelpMe(),
              "Warnings\r- there is no previous control set\r- there is no next control set"
              "\r- there is no panel for showing the wizardpages set"
              "\r- there is no connector registered");

    delete wizard;
    for (TWizardPage* page : pages) {
        EXPECT_EQ(page->WizardControl(), nullptr);
    }
}

TEST_F(WizardTest, PageDestroyedWithItsFormLeavesTheList) {
    forms[5].reset();
    pages.pop_back();
    EXPECT_EQ(wizard->Pages().size(), 5);
    EXPECT_EQ(wizard->FindPage("page6"), nullptr);
}

TEST(WizardContainer, DefaultsLookupsAndHelpText) {
    TWizardControl wizard;
    EXPECT_EQ(wizard.CurrentWizardPage(), 0);
    EXPECT_TRUE(wizard.AutoEnablePreviousAndNext());
    EXPECT_TRUE(wizard.Connectors().isEmpty());
    EXPECT_EQ(wizard.GetHelpMe(),
              "Warnings\r- there is no wizardpage registered\r- there is no previous control set"
              "\r- there is no next control set"
              "\r- there is no panel for showing the wizardpages set"
              "\r- there is no connector registered");

    QWidget form;
    auto* page = new TWizardPage(&form);
    EXPECT_TRUE(page->Enabled() && page->PreviousEnabled() && page->NextEnabled());
    EXPECT_EQ(page->ImageIndex(), -1);
    EXPECT_EQ(page->HelpIndex(), -1);
    EXPECT_TRUE(page->HelpTopic().isEmpty());
    page->SetWizardControl(&wizard);
    page->SetWizardPageName("  Welcome  ");
    EXPECT_EQ(page->WizardPageName(), "Welcome");
    EXPECT_EQ(wizard.FindPage("WELCOME"), page);
    EXPECT_EQ(wizard.IndexOfPage("welcome"), 0);
    EXPECT_EQ(wizard.IndexOfPage("other"), -1);
    EXPECT_EQ(wizard.PageAt(0), nullptr);
    EXPECT_EQ(wizard.PageAt(1), page);
    EXPECT_EQ(wizard.PageAt(2), nullptr);
    EXPECT_EQ(wizard.NextEnabledPage(), 1); // nothing current yet

    wizard.RegisterPage(page); // only once in the list
    EXPECT_EQ(wizard.Pages().size(), 1);
}

TEST(WizardContainer, PageNamesStayUnique) {
    TWizardControl wizard;
    QWidget form1, form2, form3;
    auto* first = new TWizardPage(&form1);
    first->SetWizardControl(&wizard);
    EXPECT_EQ(first->WizardPageName(), "wizardpage1");
    first->SetWizardPageName("Setup");
    auto* second = new TWizardPage(&form2);
    second->SetWizardControl(&wizard);
    EXPECT_EQ(second->WizardPageName(), "wizardpage1");
    second->SetWizardPageName("setup");
    EXPECT_EQ(second->WizardPageName(), "wizardpage2");
    second->SetWizardPageName("   ");
    EXPECT_EQ(second->WizardPageName(), "wizardpage2");
    // Asking for its own present name keeps it.
    first->SetWizardPageName("SETUP");
    EXPECT_EQ(first->WizardPageName(), "SETUP");

    // A named page joining a container that already holds that name is renamed.
    auto* third = new TWizardPage(&form3);
    third->SetWizardPageName("Setup");
    EXPECT_EQ(third->WizardPageName(), "Setup");
    third->SetWizardControl(&wizard);
    EXPECT_EQ(third->WizardPageName(), "wizardpage1");

    // Moving to another container unregisters from the first one.
    TWizardControl other;
    third->SetWizardControl(&other);
    EXPECT_EQ(wizard.Pages().size(), 2);
    EXPECT_EQ(other.Pages().size(), 1);
    third->SetWizardControl(nullptr);
    EXPECT_TRUE(other.Pages().isEmpty());
    EXPECT_EQ(third->WizardControl(), nullptr);
}

} // namespace
