// Leaving the wizard before it has finished: the exit dialog, and the removal batch that the
// close handler writes and starts.

#include "AppFixture.h"
#include "CloseDialogDriver.h"

#include "app/SelfRemoval.h"
#include "app/TempFile.h"
#include "app/close.h"
#include "lang/LanguageDispatcher.h"
#include "lang/LanguageTable.h"
#include "platform/Files.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <thread>

using namespace app_testing;

namespace {

const std::string DefaultTemp = "C:\\Documents and Settings\\User\\Local Settings\\Temp\\";

std::string SystemIni(const std::string& modulePath, const std::string& temp = "") {
    std::string ini = "[Program]\nModulePath=" + modulePath + "\n";
    if (!temp.empty())
        ini += "[Folders]\nTemp=" + temp + "\n";
    return ini;
}

class CloseDialogTest : public TAppFixture {
protected:
    T_closedialog& Dialog() const { return App().CloseDialog(); }

    // Presses Cancel and answers the dialog; true when the main window closed.
    bool CancelAnswering(std::function<void(T_closedialog&)> answer, int* shown = nullptr) {
        TCloseDialogDriver driver(Dialog(), std::move(answer));
        QTest::mouseClick(Main().btnAbbort, Qt::LeftButton);
        if (shown != nullptr)
            *shown = driver.Shown();
        return !Main().isVisible();
    }

    // Lets the program "end": the stand-in started from the module path goes away, and the
    // batch started by the close handler must then delete the module file and itself.
    void ExpectRemovedAfterTheProgramEnds(testing_support::TTestProcess& standIn,
                                          const std::string& exe, const std::string& batch) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_TRUE(System().Exists(exe)) << "deleted while still running";
        standIn.End();
        EXPECT_TRUE(WaitUntil([&] { return !System().Exists(exe) && !System().Exists(batch); }))
            << "module file or batch still there";
    }
};

} // namespace

TEST_F(CloseDialogTest, NoKeepsTheWizardAsItWasAndTheDialogRemembersItsBox) {
    Launch();
    int shown = 0;
    EXPECT_FALSE(CancelAnswering(
        [](T_closedialog& d) {
            d.chkRemoveApplication->setChecked(false);
            d.btnNo->click();
        },
        &shown));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(CurrentPage(), "Welcome");
    EXPECT_TRUE(Main().CancelRequested);
    EXPECT_TRUE(TempFiles("sEM*").empty());

    // Asked again, the same dialog comes back with the box as the user left it.
    bool checkedOnReturn = true;
    EXPECT_FALSE(CancelAnswering([&](T_closedialog& d) {
        checkedOnReturn = d.chkRemoveApplication->isChecked();
        d.btnNo->click();
    }));
    EXPECT_FALSE(checkedOnReturn);
}

TEST_F(CloseDialogTest, TheDialogIsTheTranslatedFixedSizeQuestion) {
    Launch();
    EXPECT_EQ(Dialog().windowTitle(), QString::fromUtf8("Bestätigung"));
    EXPECT_TRUE(Dialog().chkRemoveApplication->isChecked());
    EXPECT_EQ(Dialog().minimumSize(), Dialog().maximumSize());
    Dm().langDispMain->SetActiveLanguage(lang::lgFrench);
    EXPECT_EQ(Dialog().windowTitle(), "Confirmation");
    EXPECT_EQ(Dialog().btnYes->text(), "&Oui");
    EXPECT_EQ(Dialog().lblConfirmation->text(), "Voulez-vous vraiment terminer l'application?");
}

// Quitting, and with it removing the program, takes a deliberate Yes: Enter (on the default
// button, which has the focus) and Escape both answer No.
TEST_F(CloseDialogTest, EnterAndEscapeAnswerNo) {
    Launch();
    EXPECT_TRUE(Dialog().btnNo->isDefault());
    EXPECT_FALSE(Dialog().btnYes->isDefault());
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        bool noHadTheFocus = false;
        TCloseDialogDriver driver(Dialog(), [&](T_closedialog& d) {
            noHadTheFocus = QApplication::focusWidget() == d.btnNo;
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                        : static_cast<QWidget*>(&d),
                            key);
        });
        EXPECT_EQ(Dialog().ShowModal(), T_closedialog::mrNo) << key;
        EXPECT_TRUE(noHadTheFocus) << key;
    }
}

TEST_F(CloseDialogTest, YesWithTheBoxCheckedRemovesTheProgramAfterItEnds) {
    const std::string exe = "C:\\Program Files\\Quenlix Mail\\Assistant.exe";
    UseSystem(SystemIni(exe, "C:\\Temp"));
    Launch();
    testing_support::TTestProcess standIn = System().StartProcess(exe);

    EXPECT_TRUE(CancelAnswering([](T_closedialog& d) { d.btnYes->click(); }));

    const std::vector<std::string> batches = TempFiles("sEM*.bat");
    ASSERT_EQ(batches.size(), 1u);
    const std::string batch = batches[0];
    // The reserved .tmp name stays; the batch is that name with ".bat".
    EXPECT_TRUE(platform::FileExists(platform::ChangeFileExt(batch, ".tmp")));
    EXPECT_EQ(System().ReadFile(batch), ":Loesche\r\n"
                                        "del \"" +
                                            exe +
                                            "\"\r\n"
                                            "if Exist \"" +
                                            exe +
                                            "\" goto Loesche\r\n"
                                            "del " +
                                            batch + "\r\n");
    EXPECT_EQ(platform::GetCurrentDirectory(), "C:\\Temp");
    ExpectRemovedAfterTheProgramEnds(standIn, exe, batch);
}

TEST_F(CloseDialogTest, TheDialogsCloseBoxActsLikeYes) {
    const std::string exe = "C:\\Quenlix\\Assistant.exe";
    UseSystem(SystemIni(exe));
    Launch();
    testing_support::TTestProcess standIn = System().StartProcess(exe);

    EXPECT_TRUE(CancelAnswering([](T_closedialog& d) { d.close(); }));

    const std::vector<std::string> batches = TempFiles("sEM*.bat");
    ASSERT_EQ(batches.size(), 1u);
    // The default temporary folder has blanks, so the batch names itself in quotes to reach
    // itself rather than pieces of its path.
    EXPECT_EQ(batches[0].rfind(DefaultTemp, 0), 0u);
    EXPECT_EQ(System().ReadFile(batches[0]), ":Loesche\r\n"
                                             "del \"" +
                                                 exe +
                                                 "\"\r\n"
                                                 "if Exist \"" +
                                                 exe +
                                                 "\" goto Loesche\r\n"
                                                 "del \"" +
                                                 batches[0] + "\"\r\n");
    ExpectRemovedAfterTheProgramEnds(standIn, exe, batches[0]);
}

TEST_F(CloseDialogTest, YesWithTheBoxUncheckedWritesNoBatch) {
    Launch();
    EXPECT_TRUE(CancelAnswering([](T_closedialog& d) {
        d.chkRemoveApplication->setChecked(false);
        d.btnYes->click();
    }));
    EXPECT_TRUE(TempFiles("sEM*").empty());
}

TEST_F(CloseDialogTest, AModulePathWithPercentSignsStillNamesTheSameFile) {
    // A folder literally called "%TEMP%": unescaped, the batch would name the temp folder.
    const std::string exe = "C:\\Tools\\%TEMP%\\100% Assistant.exe";
    UseSystem(SystemIni(exe, "C:\\Temp"));
    Launch();
    testing_support::TTestProcess standIn = System().StartProcess(exe);

    EXPECT_TRUE(CancelAnswering([](T_closedialog& d) { d.btnYes->click(); }));

    const std::vector<std::string> batches = TempFiles("sEM*.bat");
    ASSERT_EQ(batches.size(), 1u);
    const std::string escaped = "C:\\Tools\\%%TEMP%%\\100%% Assistant.exe";
    EXPECT_EQ(System().ReadFile(batches[0]), ":Loesche\r\n"
                                             "del \"" +
                                                 escaped +
                                                 "\"\r\n"
                                                 "if Exist \"" +
                                                 escaped +
                                                 "\" goto Loesche\r\n"
                                                 "del " +
                                                 batches[0] + "\r\n");
    ExpectRemovedAfterTheProgramEnds(standIn, exe, batches[0]);
}

TEST(SelfRemoval, TheBatchRefusesNamesNoBatchLineCanCarry) {
    EXPECT_EQ(app::RemovalBatchText("C:\\a\"b.exe", "C:\\Temp\\x.bat"), "");
    EXPECT_EQ(app::RemovalBatchText("C:\\a.exe\r\ndel C:\\boot.ini", "C:\\Temp\\x.bat"), "");
    EXPECT_EQ(app::RemovalBatchText("", "C:\\Temp\\x.bat"), "");
}

TEST_F(CloseDialogTest, TempFileNamesAreNewReservedFilesInTheTemporaryFolder) {
    UseSystem(SystemIni("C:\\a.exe", "C:\\Temp"));
    Launch();
    const std::string first = app::TempFileName("sEM");
    const std::string second = app::TempFileName("sEM");
    EXPECT_NE(first, second);
    for (const std::string& name : {first, second}) {
        EXPECT_EQ(name.rfind("C:\\Temp\\sEM", 0), 0u) << name;
        EXPECT_TRUE(name.ends_with(".tmp")) << name;
        EXPECT_EQ(System().ReadFile(name), "");
    }
}

TEST_F(CloseDialogTest, AFailedDirectoryChangeKeepsTheWindowOpenWithTheBatchNotStarted) {
    UseSystem(SystemIni("C:\\a.exe", "C:\\Temp"));
    Launch();
    int started = 0;
    app::TSelfRemovalStepsGuard steps({[](const std::string&) { return false; },
                                       [&](const std::string&) {
                                           return ++started > 0;
                                       }});
    TCloseDialogDriver driver(Dialog(), [](T_closedialog& d) { d.btnYes->click(); });
    bool canClose = true;
    EXPECT_THROW(Main().FormCloseQuery(canClose), app::EInOutError);
    EXPECT_FALSE(canClose);
    EXPECT_EQ(started, 0);
    EXPECT_EQ(TempFiles("sEM*.bat").size(), 1u); // written, as it was before the change failed
}

TEST_F(CloseDialogTest, ABatchThatCannotStartStillLetsTheProgramCloseAndLeavesNoBatch) {
    UseSystem(SystemIni("C:\\a.exe", "C:\\Temp"));
    Launch();
    app::TSelfRemovalStepsGuard steps(
        {[](const std::string& folder) { return platform::SetCurrentDirectory(folder); },
         [](const std::string&) {
             return false;
         }});
    int shown = 0;
    EXPECT_TRUE(CancelAnswering([](T_closedialog& d) { d.btnYes->click(); }, &shown));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(TempFiles("sEM*.bat").empty());
}
