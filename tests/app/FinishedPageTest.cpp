// The finished page: closing without a question, its own removal box, the support-tool offer
// and link, and the caption of the Cancel button across language switches.

#include "AppFixture.h"
#include "CloseDialogDriver.h"

#include "app/MainControls.h"
#include "clients/ProviderConstants.h"
#include "lang/LanguageDispatcher.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace app_testing;

namespace {

const std::string SupportToolKey =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quenlix\\SupportTool\\ClientPrefs\\firstrun]\n";

class FinishedPageTest : public TAppFixture {
protected:
    T_finished& Finished() const { return App().Finished(); }

    void EnterFinishedPage() {
        app::TWizardControl& wizard = *Main().wzrdcntrlMain;
        wizard.SetCurrentWizardPage(wizard.IndexOfPage(QStringLiteral("Finished")) + 1);
        ASSERT_EQ(CurrentPage(), "Finished");
    }

    // Presses the one remaining button; true when the window closed. Fails the test if the
    // exit dialog came up.
    bool CloseFromFinishedPage() {
        TCloseDialogDriver driver(App().CloseDialog(), [](T_closedialog& d) { d.btnNo->click(); });
        QTest::mouseClick(Main().btnAbbort, Qt::LeftButton);
        EXPECT_EQ(driver.Shown(), 0) << "the finished page asks no question";
        return !Main().isVisible();
    }

    void LaunchWithSupportTool(const std::string& values) {
        UseSystem("[Folders]\nTemp=C:\\Temp\n", SupportToolKey + values);
        Launch();
    }

    bool OfferShown() const {
        EXPECT_EQ(Finished().lblSupporttool->isHidden(), Finished().lblSupporttoolLink->isHidden());
        return !Finished().lblSupporttoolLink->isHidden();
    }
};

// Records the addresses the shell is asked to open, and opens nothing.
class TShellRecorder {
public:
    TShellRecorder() {
        platform::SetShellOpenObserver([this](const std::string& url) { Opened.push_back(url); });
    }
    ~TShellRecorder() { platform::SetShellOpenObserver(nullptr); }
    std::vector<std::string> Opened;
};

} // namespace

TEST_F(FinishedPageTest, EnteringLeavesOnlyTheCloseButton) {
    Launch();
    EXPECT_FALSE(App().FinishedPageReached);
    EnterFinishedPage();
    EXPECT_TRUE(App().FinishedPageReached);
    EXPECT_EQ(Main().btnAbbort->text(), "Beenden");
    EXPECT_TRUE(Main().btnPrevious->isHidden());
    EXPECT_TRUE(Main().btnNext->isHidden());
    EXPECT_TRUE(Main().btnAbbort->isVisible());
    EXPECT_TRUE(Finished().chkRemoveApplication->isChecked());
}

TEST_F(FinishedPageTest, ClosingAsksNothingAndRemovesTheProgramWhenTheBoxIsChecked) {
    UseSystem("[Folders]\nTemp=C:\\Temp\n");
    Launch();
    // While the program's stand-in runs, the batch keeps waiting for it: nothing races the test.
    const std::string exe = platform::GetModuleFileName();
    testing_support::TTestProcess standIn = System().StartProcess(exe);
    EnterFinishedPage();
    EXPECT_TRUE(CloseFromFinishedPage());
    const std::vector<std::string> batches = TempFiles("sEM*.bat");
    ASSERT_EQ(batches.size(), 1u);
    standIn.End();
    EXPECT_TRUE(WaitUntil([&] { return !System().Exists(exe) && !System().Exists(batches[0]); }));
}

TEST_F(FinishedPageTest, ClosingWithTheBoxUncheckedWritesNoBatchWhateverTheDialogSays) {
    UseSystem("[Folders]\nTemp=C:\\Temp\n");
    Launch();
    App().CloseDialog().chkRemoveApplication->setChecked(true);
    EnterFinishedPage();
    Finished().chkRemoveApplication->setChecked(false);
    EXPECT_TRUE(CloseFromFinishedPage());
    EXPECT_TRUE(TempFiles("sEM*").empty());
}

TEST_F(FinishedPageTest, ACompletedFirstRunOfTheSupportToolHidesTheOffer) {
    LaunchWithSupportTool("\"FirstRunCompleted\"=\"TRUE\"\n");
    EXPECT_FALSE(OfferShown());
}

TEST_F(FinishedPageTest, AnyOtherRecordOfTheSupportToolKeepsTheOffer) {
    LaunchWithSupportTool("\"FirstRunCompleted\"=\"false\"\n");
    EXPECT_TRUE(OfferShown());
}

TEST_F(FinishedPageTest, AMissingValueOrKeyOrAValueOfAnotherTypeKeepsTheOffer) {
    LaunchWithSupportTool("\"Other\"=\"true\"\n");
    EXPECT_TRUE(OfferShown());
}

TEST_F(FinishedPageTest, AFirstRunValueThatIsNoStringKeepsTheOfferAndStartsNormally) {
    LaunchWithSupportTool("\"FirstRunCompleted\"=dword:00000001\n");
    EXPECT_TRUE(OfferShown());
}

TEST_F(FinishedPageTest, WithoutTheSupportToolKeyTheOfferShows) {
    Launch();
    EXPECT_TRUE(OfferShown());
}

TEST_F(FinishedPageTest, TheLinkOpensThePageOfTheActiveLanguage) {
    Launch();
    EnterFinishedPage();
    TShellRecorder shell;
    QLabel* link = Finished().lblSupporttoolLink;
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(link->font().underline());

    QTest::mouseClick(link, Qt::LeftButton);
    Dm().langDispMain->SetActiveLanguage(lang::lgEnglish);
    QTest::mouseClick(link, Qt::LeftButton);
    Dm().langDispMain->SetActiveLanguage(lang::lgItalian);
    QTest::mouseClick(link, Qt::LeftButton);
    Dm().langDispMain->SetActiveLanguage(lang::lgFrench);
    QTest::keyClick(link, Qt::Key_Return); // reachable from the keyboard too

    EXPECT_EQ(shell.Opened, (std::vector<std::string>{
                                std::string(provider::SupportToolPageGerman),
                                std::string(provider::SupportToolPageGerman),
                                std::string(provider::SupportToolPageItalian),
                                std::string(provider::SupportToolPageFrench),
                            }));
}

TEST_F(FinishedPageTest, TheCancelCaptionFollowsTheLanguageBeforeAndOnTheFinishedPage) {
    Launch();
    Dm().langDispMain->SetActiveLanguage(lang::lgFrench);
    EXPECT_EQ(Main().btnAbbort->text(), "Annuler"); // the main window's own Cancel text
    Dm().langDispMain->SetActiveLanguage(lang::lgItalian);
    EXPECT_EQ(Main().btnAbbort->text(), "Annulla");

    EnterFinishedPage();
    EXPECT_EQ(Main().btnAbbort->text(), "Terminare");
    Dm().langDispMain->SetActiveLanguage(lang::lgFrench);
    EXPECT_EQ(Main().btnAbbort->text(), "Fermer");
    Dm().langDispMain->SetActiveLanguage(lang::lgGerman);
    EXPECT_EQ(Main().btnAbbort->text(), "Beenden");
    EXPECT_EQ(Finished().lblHeader->text(), "Einrichtung erfolgreich beendet");
}
