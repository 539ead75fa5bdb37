// The setup page's own rules: version classes, the fixed settings and the default flag, the
// choice of the target account, and the busy indicator.
#include "SetupFixture.h"
#include "app/SetupProgress.h"
#include "app/WindowsVersionClass.h"
#include "clients/ProviderAccountSettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using namespace app_testing;
using testing_support::TPop3Script;

namespace {

TEST(WindowsVersionClassTest, EveryNtVersionFromVistaOnIsCheckedTheOthersKeepTheirClass) {
    struct TRow {
        std::uint32_t Platform, Major, Minor;
        const char* ServicePack;
        TWindowsVersionClass Expected;
    };
    const TRow rows[] = {
        {1, 4, 0, "", wvWin95},
        {1, 4, 10, " ", wvWin98},
        {1, 4, 10, " A ", wvWin98SE},
        {1, 4, 10, "A", wvWin98},
        {1, 4, 90, "", wvWinME},
        {1, 4, 20, "", wvUnknown},
        {2, 3, 51, "", wvWinNT4},
        {2, 4, 0, "Service Pack 6", wvWinNT4},
        {2, 5, 0, "", wvWin2000},
        {2, 5, 1, "Service Pack 3", wvWinXP},
        {2, 5, 2, "", wvUnknown},
        {2, 6, 0, "", wvWinVista},
        {2, 6, 1, "", wvWinVista},
        {2, 6, 3, "", wvWinVista},
        // Windows 10 and 11 report 10.0; any later NT version is checked the same way.
        {2, 7, 0, "", wvWinVista},
        {2, 10, 0, "", wvWinVista},
        {2, 11, 0, "", wvWinVista},
        {0, 5, 1, "", wvUnknown},
        {3, 5, 1, "", wvUnknown},
        {3, 10, 0, "", wvUnknown},
    };
    for (const TRow& row : rows) {
        platform::TOSVersionInfo info;
        info.PlatformId = row.Platform;
        info.MajorVersion = row.Major;
        info.MinorVersion = row.Minor;
        info.CSDVersion = row.ServicePack;
        EXPECT_EQ(ClassifyWindowsVersion(&info), row.Expected)
            << row.Platform << " " << row.Major << "." << row.Minor << " '" << row.ServicePack
            << "'";
    }
    EXPECT_EQ(ClassifyWindowsVersion(nullptr), wvUnknown);
}

TProviderAccountValues Anna(bool aDefaultWish) {
    return {"Anna Muster", "anna@quenlix.example", "anna@quenlix.example", "Geheim", aDefaultWish};
}

TEST(ProviderSettingsTest, EveryFixedSettingIsWrittenAndNothingElse) {
    TStandInStore store("Outlook Express");
    TPOPMailAccount& account = store.AddPop("Old", "old@quenlix.example");
    account.SetReplyTo("reply@example.org");
    account.SetOrganization("Muster AG");
    account.SetConnectionType(2);
    account.SetSmtpUseTLS(true);
    ApplyProviderSettings(account, Anna(false), /*aThunderbird=*/false);

    EXPECT_EQ(account.AccountName(), "anna@quenlix.example");
    EXPECT_EQ(account.DisplayName(), "Anna Muster");
    EXPECT_EQ(account.EmailAddress(), "anna@quenlix.example");
    EXPECT_EQ(account.UserName(), "anna@quenlix.example");
    EXPECT_EQ(account.Password(), "Geheim");
    EXPECT_TRUE(account.RememberPassword());
    EXPECT_EQ(account.IncomingServer(), "pop.quenlix.example");
    EXPECT_FALSE(account.UseSPA());
    EXPECT_TRUE(account.UseSSL());
    EXPECT_EQ(account.IncomingPort(), 995);
    EXPECT_TRUE(account.LeaveOnServer());
    EXPECT_EQ(account.SmtpServer(), "smtp.quenlix.example");
    EXPECT_EQ(account.SmtpAuthMode(), 1);
    EXPECT_TRUE(account.SmtpUseSSL());
    EXPECT_FALSE(account.SmtpUseTLS());
    EXPECT_FALSE(account.SmtpUseSPA());
    EXPECT_EQ(account.SmtpPort(), 465);
    // What the user set up besides stays.
    EXPECT_EQ(account.ReplyTo(), "reply@example.org");
    EXPECT_EQ(account.Organization(), "Muster AG");
    EXPECT_EQ(account.ConnectionType(), 2);
    EXPECT_TRUE(store.Saved.empty()); // the page saves once, explicitly

    // The Thunderbird store maps the two names crosswise.
    ApplyProviderSettings(account, Anna(false), /*aThunderbird=*/true);
    EXPECT_EQ(account.AccountName(), "Anna Muster");
    EXPECT_EQ(account.DisplayName(), "anna@quenlix.example");
}

TEST(ProviderSettingsTest, TheOnlyAccountIsDefaultOtherwiseTheWishDecides) {
    TStandInStore store("Outlook Express");
    TPOPMailAccount& only = store.AddPop("Only", "only@quenlix.example");
    ApplyProviderSettings(only, Anna(false), false);
    EXPECT_TRUE(only.IsDefault());

    TPOPMailAccount& second = store.AddPop("Second", "second@quenlix.example");
    ApplyProviderSettings(second, Anna(true), false);
    EXPECT_TRUE(second.IsDefault());
    EXPECT_FALSE(only.IsDefault()); // one default per profile

    // An adapted default account loses the flag when the box is unchecked.
    ApplyProviderSettings(second, Anna(false), false);
    EXPECT_FALSE(second.IsDefault());
}

// A store whose client has no profile yet: it cannot make an account.
class TProfilelessStore : public TMailAccounts {
public:
    TProfilelessStore() : TMailAccounts(false) {
        SetClientName("Outlook Express");
        SetInstalled(true);
    }
    bool IsClientRunning() const override { return false; }
    void StartAccountMonitor(TMailAccount&) override {}
    void ReloadPOPAccount(TMailAccount&) override {}
    void ReloadIMAPAccount(TMailAccount&) override {}
    std::string NewAccountKey(TMailProfile*) override { return "account1"; }
    bool IsRegistryBased() const override { return false; }
    void SaveClientSettings() override {}
    void SaveAccount(TMailAccount&) override { ++Saves; }
    void Hook(int) override {}
    int Saves = 0;
};

// The pages with a stand-in Outlook Express store on Windows 2000, where no login is made.
class SetupPageTest : public TSetupFixture {
protected:
    void LaunchWithOutlookExpress(std::function<void(TStandInStore&)> aFill = {}) {
        UseSystem("[Windows]\nPlatform=NT\nMajor=5\nMinor=0\n");
        Launch([this, aFill](T_dm& dm) {
            auto store = std::make_unique<TStandInStore>("Outlook Express");
            Store = store.get();
            if (aFill) {
                aFill(*store);
            }
            dm.OutlookExpressAccounts = std::move(store);
        });
    }

    TStandInStore* Store = nullptr;
};

TEST_F(SetupPageTest, AnAdaptedAccountIsSavedOnceWithTheAddressAsItsName) {
    LaunchWithOutlookExpress([](TStandInStore& store) {
        store.AddPop("Old label", "anna@quenlix.example", true);
        store.AddPop("Private", "anna@example.org");
    });
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("AccountsList"));
    ClickRow(1);
    ASSERT_TRUE(ClickNext());
    FillUserData(QStringLiteral("  Anna Muster\t"), QStringLiteral("anna"),
                 QStringLiteral("Geheim"));
    UserData().chkStandard->setChecked(false);
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    ASSERT_EQ(Store->Saved, std::vector<std::string>{"anna@quenlix.example"});
    TMailAccount* adapted = Store->AccountByIndex(0);
    EXPECT_EQ(adapted->DisplayName(), "Anna Muster");
    EXPECT_EQ(adapted->Password(), "Geheim");
    EXPECT_FALSE(adapted->IsDefault()); // two accounts: the unchecked box clears the flag
    EXPECT_EQ(Store->AccountCount(), 2);
}

TEST_F(SetupPageTest, ANewAccountGoesToTheCheckedClientsStore) {
    LaunchWithOutlookExpress();
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("AccountType"));
    QTest::mouseClick(AccountType().rbOutlookExpress, Qt::LeftButton);
    ASSERT_TRUE(ClickNext());
    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna"), QStringLiteral("Geheim"));
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    ASSERT_EQ(Store->AccountCount(), 1);
    TMailAccount* added = Store->AccountByIndex(0);
    EXPECT_EQ(added->Kind(), AccountKindPOP);
    EXPECT_EQ(added->AccountName(), "anna@quenlix.example");
    EXPECT_TRUE(added->IsDefault());
    EXPECT_EQ(Store->Saved.size(), 1u);
}

TEST_F(SetupPageTest, WithoutATargetNothingIsWrittenAndThePageSaysWhatToDo) {
    LaunchWithOutlookExpress(
        [](TStandInStore& store) { store.AddPop("Old label", "anna@quenlix.example"); });
    ASSERT_TRUE(ClickNext());
    ClickRow(1);
    ASSERT_TRUE(ClickNext());
    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna"), QStringLiteral("Geheim"));
    // Back on the list, the selection is removed; the client choice stays skipped.
    ASSERT_TRUE(ClickPrevious());
    AccountsList().lvAccounts->clearSelection();
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("UserData"));
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_TRUE(Store->Saved.empty());
    EXPECT_EQ(Setup().State(), TSetupState::Failed);
    EXPECT_TRUE(Setup().lblVerify->isVisible());
    EXPECT_TRUE(Setup().lblVerify->text().startsWith(
        QStringLiteral("Es ist kein Konto und kein E-Mail-Programm ausgewählt.")));
    EXPECT_FALSE(Main().btnNext->isEnabled());
    EXPECT_TRUE(Main().btnPrevious->isEnabled());
    Main().lblLanguageITClick();
    EXPECT_TRUE(Setup().lblVerify->text().startsWith(QStringLiteral("Non è stato selezionato")));
}

TEST_F(SetupPageTest, AStoreWithoutProfileGivesNoAccountAndATextInstead) {
    UseSystem("[Windows]\nPlatform=NT\nMajor=5\nMinor=0\n");
    TProfilelessStore* store = nullptr;
    Launch([&store](T_dm& dm) {
        auto profileless = std::make_unique<TProfilelessStore>();
        store = profileless.get();
        dm.OutlookExpressAccounts = std::move(profileless);
    });
    ASSERT_TRUE(ClickNext());
    QTest::mouseClick(AccountType().rbOutlookExpress, Qt::LeftButton);
    ASSERT_TRUE(ClickNext());
    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna"), QStringLiteral("Geheim"));
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_EQ(store->Saves, 0);
    EXPECT_EQ(Setup().VerifyTextKey(), QString::fromLatin1(T_setup::NoProfileKey));
    EXPECT_TRUE(Setup().lblVerify->text().startsWith(
        QStringLiteral("Das E-Mail-Programm hat noch kein Benutzerprofil.")));
    EXPECT_FALSE(Main().btnNext->isEnabled());
}

TEST_F(SetupPageTest, TheLoginKeepsBlanksAroundTheMailboxTheStoredAddressLosesTheOuterOnes) {
    TPop3Script script;
    script.User = " anna @quenlix.example";
    script.Password = "Geheim";
    UseHostedService(script); // Windows XP: the login is made
    TStandInStore* store = nullptr;
    Launch([&store](T_dm& dm) {
        auto standIn = std::make_unique<TStandInStore>("Outlook Express");
        store = standIn.get();
        dm.OutlookExpressAccounts = std::move(standIn);
    });
    ASSERT_TRUE(ClickNext());
    QTest::mouseClick(AccountType().rbOutlookExpress, Qt::LeftButton);
    ASSERT_TRUE(ClickNext());
    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral(" anna "), QStringLiteral("Geheim"));
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    ASSERT_FALSE(Server().Received().isEmpty());
    EXPECT_EQ(Server().Received().first(), QByteArray("USER  anna @quenlix.example"));
    ASSERT_EQ(store->AccountCount(), 1);
    EXPECT_EQ(store->AccountByIndex(0)->EmailAddress(), "anna @quenlix.example");
    EXPECT_EQ(store->AccountByIndex(0)->UserName(), "anna @quenlix.example");
}

TEST(SetupProgressTest, OneBlockWalksClockwiseWhileEnabled) {
    app::TSetupProgress progress;
    EXPECT_EQ(progress.BlockColor(), QColor(0, 0xCF, 0xEE));
    const QPoint ring[] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(app::TSetupProgress::CellOf(i), ring[i]) << i;
    }
    progress.resize(50, 50);
    progress.show();
    EXPECT_EQ(progress.ActiveBlock(), 0);
    EXPECT_TRUE(progress.Animating());
    QTest::qWait(3 * app::TSetupProgress::StepMilliseconds + 60);
    const int moved = progress.ActiveBlock();
    EXPECT_GE(moved, 2);
    progress.setEnabled(false);
    EXPECT_FALSE(progress.Animating());
    QTest::qWait(2 * app::TSetupProgress::StepMilliseconds + 60);
    EXPECT_EQ(progress.ActiveBlock(), moved);
    progress.hide();
    progress.setEnabled(true);
    EXPECT_FALSE(progress.Animating()); // hidden: nothing to animate
}

} // namespace
