// The whole wizard, through its windows, against a local POP3S server standing in for the
// hosted service, writing into a simulated Thunderbird profile.
#include "CloseDialogDriver.h"
#include "SetupFixture.h"
#include "app/Pop3Client.h"
#include "app/SetupProgress.h"
#include "app/close.h"
#include "lang/LanguageTable.h"
#include "lang/TranslatedMessage.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <set>

using namespace app_testing;
using testing_support::TPop3Script;

namespace {

const char* const Address = "anna.muster@quenlix.example";
const std::string MailboxUri = "mailbox://anna.muster%40quenlix.example@pop.quenlix.example";

std::string Quoted(const std::string& aText) {
    return '"' + aText + '"';
}

class SetupEndToEndTest : public TSetupFixture {
protected:
    // The outgoing server and incoming server settings every provider account ends with.
    static void AddServerPrefs(TPrefs& aPrefs, const std::string& aServer,
                               const std::string& aSmtp) {
        const std::string s = "mail.server." + aServer + ".";
        aPrefs[s + "remember_password"] = "true";
        aPrefs[s + "port"] = "995";
        aPrefs[s + "useSecAuth"] = "false";
        aPrefs[s + "authMethod"] = "3"; // what current Thunderbird versions read instead
        aPrefs[s + "socketType"] = "3";
        aPrefs[s + "leave_on_server"] = "true";
        const std::string m = "mail.smtpserver." + aSmtp + ".";
        aPrefs[m + "hostname"] = Quoted("smtp.quenlix.example");
        aPrefs[m + "port"] = "465";
        aPrefs[m + "try_ssl"] = "3";
        aPrefs[m + "auth_method"] = "1";
        aPrefs[m + "authMethod"] = "3";
        aPrefs[m + "username"] = Quoted(Address);
    }

    // The local folders an empty profile gets before its first account.
    static void AddLocalFoldersPrefs(TPrefs& aPrefs, const std::string& aProfileDir) {
        const std::string mail = aProfileDir + "\\Mail";
        aPrefs["mail.account.account1.server"] = Quoted("server1");
        aPrefs["mail.accountmanager.localfoldersserver"] = Quoted("server1");
        aPrefs["mail.root.none"] = Quoted(Escaped(mail));
        aPrefs["mail.root.none-rel"] = Quoted("[ProfD]Mail");
        aPrefs["mail.root.pop3"] = Quoted(Escaped(mail));
        aPrefs["mail.root.pop3-rel"] = Quoted("[ProfD]Mail");
        aPrefs["mail.server.server1.directory"] = Quoted(Escaped(mail + "\\Local Folders"));
        aPrefs["mail.server.server1.directory-rel"] = Quoted("[ProfD]Mail/Local Folders");
        aPrefs["mail.server.server1.hostname"] = Quoted("Local Folders");
        aPrefs["mail.server.server1.name"] = Quoted("Local Folders");
        aPrefs["mail.server.server1.type"] = Quoted("none");
        aPrefs["mail.server.server1.userName"] = Quoted("nobody");
        aPrefs["mail.smtp.defaultserver"] = Quoted("smtp1");
        aPrefs["mail.startup.enabledMailCheckOnce"] = "true";
    }

    // Runs aAction once, as soon as the setup page waits for Thunderbird to end (a fixed
    // delay would race the login before the wait on a busy machine).
    std::unique_ptr<QTimer> OnceWaiting(std::function<void()> aAction) {
        auto timer = std::make_unique<QTimer>();
        timer->setInterval(20);
        QTimer* raw = timer.get();
        QObject::connect(raw, &QTimer::timeout, [this, raw, aAction] {
            if (Setup().State() == TSetupState::Waiting) {
                raw->stop();
                aAction();
            }
        });
        timer->start();
        return timer;
    }

    // An empty Thunderbird profile, the wizard launched and walked to the user data, Anna's data
    // filled in with aPassword.
    void WalkWithAnnaIntoAnEmptyProfile(const QString& aPassword = QStringLiteral("Geheim-42")) {
        InstallThunderbird();
        Launch();
        WalkToUserDataWithThunderbird(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                                      aPassword);
    }

    void ExpectPasswordsStored() {
        const std::vector<std::string> expected = {
            std::string("mailbox ") + Address + " pop.quenlix.example Geheim-42",
            std::string("smtp ") + Address + " smtp.quenlix.example Geheim-42"};
        EXPECT_EQ(ReadSignons(), expected);
    }
};

TEST_F(SetupEndToEndTest, NewThunderbirdAccountGetsExactlyTheProviderPreferences) {
    UseHostedService(AnnasMailbox());
    ASSERT_NO_FATAL_FAILURE(WalkWithAnnaIntoAnEmptyProfile());
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    const QList<QByteArray> dialogue = {"USER anna.muster@quenlix.example", "PASS Geheim-42",
                                        "QUIT"};
    EXPECT_TRUE(QTest::qWaitFor([&] { return Server().Received().size() == 3; }));
    EXPECT_EQ(Server().Received(), dialogue);

    TPrefs expected = {
        {"mail.accountmanager.accounts", Quoted("account3")},
        {"mail.accountmanager.defaultaccount", Quoted("account3")},
        {"mail.account.account3.identities", Quoted("id1")},
        {"mail.account.account3.server", Quoted("server2")},
        {"mail.identity.id1.doBcc", "false"},
        {"mail.identity.id1.doBccList", Quoted("")},
        {"mail.identity.id1.draft_folder", Quoted(MailboxUri + "/Drafts")},
        {"mail.identity.id1.fcc_folder", Quoted(MailboxUri + "/Sent")},
        {"mail.identity.id1.stationery_folder", Quoted(MailboxUri + "/Templates")},
        {"mail.identity.id1.drafts_folder_picker_mode", Quoted("0")},
        {"mail.identity.id1.fcc_folder_picker_mode", Quoted("0")},
        {"mail.identity.id1.tmpl_folder_picker_mode", Quoted("0")},
        {"mail.identity.id1.valid", "true"},
        {"mail.identity.id1.fullName", Quoted("Anna Muster")},
        {"mail.identity.id1.useremail", Quoted(Address)},
        {"mail.identity.id1.smtpServer", Quoted("smtp1")},
        {"mail.identity.id1.organization", Quoted("")},
        {"mail.identity.id1.reply_to", Quoted("")},
        {"mail.server.server2.directory",
         Quoted(Escaped(ThunderbirdProfileDir() + "\\Mail\\pop.quenlix.example"))},
        {"mail.server.server2.directory-rel", Quoted("[ProfD]Mail/pop.quenlix.example")},
        {"mail.server.server2.type", Quoted("pop3")},
        {"mail.server.server2.name", Quoted(Address)},
        {"mail.server.server2.userName", Quoted(Address)},
        {"mail.server.server2.hostname", Quoted("pop.quenlix.example")},
        {"mail.smtpservers", Quoted("smtp1")},
    };
    AddServerPrefs(expected, "server2", "smtp1");
    AddLocalFoldersPrefs(expected, ThunderbirdProfileDir());
    // The whole file: nothing else is written, and nothing the account needs is missing.
    EXPECT_EQ(ReadPrefs(), expected);
    // The folders those preferences name exist.
    for (const char* folder : {"\\Mail\\Local Folders", "\\Mail\\pop.quenlix.example"}) {
        EXPECT_TRUE(System().Exists(ThunderbirdProfileDir() + folder)) << folder;
    }
    ExpectPasswordsStored();
}

TEST_F(SetupEndToEndTest, AnExistingAccountPickedOnTheListIsAdaptedInPlace) {
    UseHostedService(AnnasMailbox());
    InstallThunderbird(ThunderbirdPrefs({{"Old Name", Address}}));
    Launch();
    const TPrefs before = ReadPrefs();
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("AccountsList"));
    ClickRow(1);
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("UserData"));
    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                 QStringLiteral("Geheim-42"));
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));

    // The shared outgoing server smtp1 names another host: the account gets its own.
    TPrefs expected = {
        {"mail.identity.id2.fullName", Quoted("Anna Muster")},
        {"mail.identity.id2.organization", Quoted("")},
        {"mail.identity.id2.reply_to", Quoted("")},
        {"mail.identity.id2.smtpServer", Quoted("smtp2")},
        {"mail.smtpservers", Quoted("smtp1,smtp2")},
    };
    AddServerPrefs(expected, "server2", "smtp2");
    EXPECT_EQ(ChangedPrefs(before, ReadPrefs()), expected);
    ExpectPasswordsStored();
}

// Beside another account of the profile, the box of the user-data page decides whether the new
// account becomes Thunderbird's default.
struct TDefaultWishCase {
    bool Wish;
    const char* DefaultAccount;
};

void PrintTo(const TDefaultWishCase& row, std::ostream* out) {
    *out << (row.Wish ? "box ticked" : "box unticked");
}

class ThunderbirdDefaultWishTest : public SetupEndToEndTest,
                                   public ::testing::WithParamInterface<TDefaultWishCase> {};

TEST_P(ThunderbirdDefaultWishTest, BesideAnotherAccountTheBoxDecidesTheDefault) {
    UseHostedService(AnnasMailbox());
    InstallThunderbird(
        ThunderbirdPrefs({{"Bob Beispiel", "bob@example.org", false, "pop.example.org"}}));
    Launch();
    WalkToUserDataWithThunderbird(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                                  QStringLiteral("Geheim-42"));
    UserData().chkStandard->setChecked(GetParam().Wish);
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("Finished"));

    const TPrefs prefs = ReadPrefs();
    EXPECT_EQ(prefs.at("mail.accountmanager.accounts"), Quoted("account2,account1,account3"));
    EXPECT_EQ(prefs.at("mail.accountmanager.defaultaccount"), Quoted(GetParam().DefaultAccount));
    EXPECT_EQ(prefs.at("mail.identity.id1.fullName"), Quoted("Anna Muster"));
    EXPECT_EQ(prefs.at("mail.identity.id2.fullName"), Quoted("Bob Beispiel"));
}

INSTANTIATE_TEST_SUITE_P(Wish, ThunderbirdDefaultWishTest,
                         ::testing::Values(TDefaultWishCase{true, "account3"},
                                           TDefaultWishCase{false, "account2"}),
                         [](const ::testing::TestParamInfo<TDefaultWishCase>& info) {
                             return std::string(info.param.Wish ? "BoxTicked" : "BoxUnticked");
                         });

TEST_F(SetupEndToEndTest, RunningThunderbirdIsAwaitedBeforeAnythingIsWritten) {
    UseHostedService(AnnasMailbox());
    ASSERT_NO_FATAL_FAILURE(WalkWithAnnaIntoAnEmptyProfile());
    const std::string untouched = System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js");
    testing_support::TTestProcess thunderbird = System().StartProcess(ThunderbirdExe());

    int dialogs = 0;
    QString dialogText;
    lang::TMessageDialogHookGuard hook([&](lang::TTranslatedMessageDialog& aDialog) {
        ++dialogs;
        dialogText = aDialog.Text();
        return std::optional<int>(lang::mrOk);
    });
    bool sawWaiting = false;
    bool unwrittenWhileWaiting = false;
    bool buttonsLockedWhileWaiting = false;
    const auto waiting = OnceWaiting([&] {
        sawWaiting = Setup().State() == TSetupState::Waiting && Setup().lblWaiting->isVisible() &&
                     !Setup().lblMigration->isVisible();
        unwrittenWhileWaiting =
            System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js") == untouched;
        buttonsLockedWhileWaiting =
            !Main().btnNext->isEnabled() && !Main().btnPrevious->isEnabled();
        thunderbird.End();
    });
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(dialogText.contains(QStringLiteral("vorübergehend beenden")));
    EXPECT_TRUE(sawWaiting);
    EXPECT_TRUE(unwrittenWhileWaiting);
    EXPECT_TRUE(buttonsLockedWhileWaiting);
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    EXPECT_EQ(ReadPrefs()["mail.identity.id1.useremail"], Quoted(Address));
}

TEST_F(SetupEndToEndTest, CancelDuringTheWaitWritesNothingAndKeepsNextClosed) {
    UseHostedService(AnnasMailbox());
    ASSERT_NO_FATAL_FAILURE(WalkWithAnnaIntoAnEmptyProfile());
    const std::string untouched = System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js");
    testing_support::TTestProcess thunderbird = System().StartProcess(ThunderbirdExe());
    lang::TMessageDialogHookGuard hook(
        [](lang::TTranslatedMessageDialog&) { return std::optional<int>(lang::mrOk); });
    // The user cancels, then decides to stay in the program.
    TCloseDialogDriver stay(App().CloseDialog(),
                            [](T_closedialog& aDialog) { aDialog.btnNo->click(); });
    const auto waiting = OnceWaiting([&] { QTest::mouseClick(Main().btnAbbort, Qt::LeftButton); });
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(stay.Shown(), 1);
    EXPECT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_TRUE(Setup().lblWaiting->isVisible());
    EXPECT_FALSE(Main().btnNext->isEnabled());
    EXPECT_TRUE(Main().btnPrevious->isEnabled());
    EXPECT_EQ(System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js"), untouched);
    EXPECT_FALSE(System().Exists(ThunderbirdProfileDir() + "\\signons.txt"));

    // Ending Thunderbird afterwards changes nothing either: the run is over.
    thunderbird.End();
    QTest::qWait(300);
    EXPECT_EQ(System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js"), untouched);
}

// Windows 2000 cannot check the login and writes the account with any password; Windows 7, 8.1,
// 10 and 11 check it like Vista: a wrong password is never written.
struct TLoginCase {
    const char* Name;
    int Major;
    int Minor;
    bool ChecksLogin;
};

void PrintTo(const TLoginCase& aCase, std::ostream* aOut) {
    *aOut << aCase.Name;
}

class LoginByWindowsVersionTest : public SetupEndToEndTest,
                                  public ::testing::WithParamInterface<TLoginCase> {};

TEST_P(LoginByWindowsVersionTest, AWrongPasswordIsWrittenOnlyWithoutALoginCheck) {
    const TLoginCase& row = GetParam();
    UseHostedService(AnnasMailbox(), row.Major, row.Minor);
    ASSERT_NO_FATAL_FAILURE(WalkWithAnnaIntoAnEmptyProfile(QStringLiteral("not the password")));
    const std::string untouched = System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js");
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(Server().ConnectionAttempts(), row.ChecksLogin ? 1 : 0);
    if (row.ChecksLogin) {
        EXPECT_EQ(CurrentPage(), QStringLiteral("Setup"));
        EXPECT_EQ(Setup().State(), TSetupState::Failed);
        EXPECT_EQ(System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js"), untouched);
    } else {
        EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
        EXPECT_EQ(ReadPrefs()["mail.identity.id1.useremail"], Quoted(Address));
    }
}

INSTANTIATE_TEST_SUITE_P(NtVersions, LoginByWindowsVersionTest,
                         ::testing::Values(TLoginCase{"Windows2000", 5, 0, false},
                                           TLoginCase{"Windows7", 6, 1, true},
                                           TLoginCase{"Windows81", 6, 3, true},
                                           TLoginCase{"Windows10", 10, 0, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SetupEndToEndTest, FailedLoginWritesNothingAndSendsTheUserBack) {
    UseHostedService(AnnasMailbox());
    ASSERT_NO_FATAL_FAILURE(WalkWithAnnaIntoAnEmptyProfile(QStringLiteral("wrong")));
    const std::string untouched = System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js");
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_EQ(Setup().State(), TSetupState::Failed);
    EXPECT_EQ(Setup().lblVerify->text(),
              QStringLiteral("Mit den angegebenen Benutzerdaten konnte keine erfolgreiche "
                             "Anmeldung durchgeführt werden."));
    EXPECT_TRUE(Setup().lblVerify->isVisible());
    EXPECT_TRUE(Setup().imgCheckFailed->isVisible());
    EXPECT_FALSE(Setup().progressSetup->isVisible());
    EXPECT_FALSE(Setup().lblMigration->isVisible());
    EXPECT_TRUE(Main().btnPrevious->isEnabled());
    EXPECT_FALSE(Main().btnNext->isEnabled());
    EXPECT_FALSE(Main().btnRepeat->isVisible());
    EXPECT_EQ(System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js"), untouched);
    SaveScreenshot(QStringLiteral("5-setup-failed"));

    // The failure text follows the language.
    Main().lblLanguageFRClick();
    EXPECT_EQ(Setup().lblVerify->text(),
              QStringLiteral("Les données d’utilisateur indiquées n’ont pas permis de réaliser "
                             "l’enregistrement avec succès."));
    Main().lblLanguageDEClick();

    // Back, correct the password, forward again: the whole run repeats and succeeds.
    ASSERT_TRUE(ClickPrevious());
    EXPECT_EQ(CurrentPage(), QStringLiteral("UserData"));
    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                 QStringLiteral("Geheim-42"));
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    EXPECT_EQ(ReadPrefs()["mail.identity.id1.useremail"], Quoted(Address));
    SaveScreenshot(QStringLiteral("6-finished"));
}

TEST_F(SetupEndToEndTest, TheLoginWaitKeepsTheWindowLiveButThePageInPlace) {
    TPop3Script silentOnPass = AnnasMailbox();
    silentOnPass.AnswerPass = false;
    UseHostedService(silentOnPass);
    InstallThunderbird();
    Launch();
    Dm().popMain->SetTimeout(1500);
    WalkToUserDataWithThunderbird(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                                  QStringLiteral("Geheim-42"));
    QString pageAfterClicks;
    bool buttonsLocked = false;
    bool clicked = false;
    std::set<int> blocksSeen; // positions of the busy indicator during the login's wait
    QString migrationInFrench;
    // Watches the wait instead of fixed delays, which a busy machine would outrun.
    QTimer watch;
    watch.setInterval(30);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (CurrentPage() != QStringLiteral("Setup") || Setup().State() != TSetupState::Working) {
            return;
        }
        blocksSeen.insert(Setup().progressSetup->ActiveBlock());
        if (clicked || blocksSeen.size() < 2) {
            return;
        }
        clicked = true;
        buttonsLocked = !Main().btnNext->isEnabled() && !Main().btnPrevious->isEnabled();
        // Clicks that reach the handlers anyway neither leave the page nor start a second run.
        Main().btnPreviousClick();
        Main().btnNextClick();
        Main().btnRepeatClick();
        pageAfterClicks = CurrentPage();
        Main().lblLanguageFRClick();
        migrationInFrench = Setup().lblMigration->text();
        Main().lblLanguageDEClick();
    });
    watch.start();
    ASSERT_TRUE(ClickNext());
    watch.stop();

    EXPECT_GE(blocksSeen.size(), 2u); // the busy indicator turned during the wait
    ASSERT_TRUE(clicked);
    EXPECT_TRUE(buttonsLocked);
    EXPECT_EQ(pageAfterClicks, QStringLiteral("Setup"));
    EXPECT_EQ(migrationInFrench, QStringLiteral("La création est en cours d'exécution..."));
    EXPECT_EQ(Server().ConnectionAttempts(), 1);
    EXPECT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_EQ(Setup().State(), TSetupState::Failed);
}

} // namespace
