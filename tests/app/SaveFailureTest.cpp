// A client configuration that cannot be written: the setup page says so in the user's language,
// stays where it is with Previous enabled, never shows the finished page, and a retry once the
// cause is gone writes the one account.
#include "SetupFixture.h"
#include "lang/LanguageDispatcher.h"
#include "lang/LanguageTable.h"

#include <QLabel>
#include <QPushButton>

#include <filesystem>
#include <stdexcept>

using namespace app_testing;

namespace {

namespace fs = std::filesystem;

struct TSaveCase {
    const char* Name;
    // A profile without accounts, where making the new account already writes (the
    // local-folders scaffolding); otherwise the account's save is what fails.
    bool EmptyProfile;
};

void PrintTo(const TSaveCase& aCase, std::ostream* aOut) {
    *aOut << aCase.Name;
}

class SaveFailureTest : public TSetupFixture, public ::testing::WithParamInterface<TSaveCase> {
protected:
    // The write path refuses a file without its owner's write bit (as Windows refuses a
    // read-only file), also for root.
    void SetPrefsWritable(bool aWritable) {
        const fs::perms read =
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
        fs::permissions(System().Host(ThunderbirdProfileDir() + "\\prefs.js"),
                        aWritable ? read | fs::perms::owner_write : read);
    }
    TMailAccounts& Thunderbird() const { return *Dm().ThunderbirdAccounts; }
};

TEST_P(SaveFailureTest, ThePageStaysAndSaysTheAccountWasNotWritten) {
    UseSystem("[Windows]\nPlatform=NT\nMajor=5\nMinor=0\n"); // no login check on Windows 2000
    InstallThunderbird(GetParam().EmptyProfile ? ""
                                               : ThunderbirdPrefs({{"Private", "anna@example.org",
                                                                    false, "pop.example.org"}}));
    Launch();
    const int accountsBefore = Thunderbird().AccountCount();
    WalkToUserDataWithThunderbird(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                                  QStringLiteral("Geheim-42"));
    const std::string untouched = System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js");
    SetPrefsWritable(false);
    ASSERT_TRUE(ClickNext());

    ASSERT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_FALSE(App().FinishedPageReached);
    EXPECT_EQ(Setup().State(), TSetupState::Failed);
    EXPECT_EQ(Setup().VerifyTextKey(), QString::fromLatin1(T_setup::NotSavedKey));
    EXPECT_TRUE(Setup().lblVerify->isVisible());
    EXPECT_TRUE(Setup().imgCheckFailed->isVisible());
    EXPECT_TRUE(Main().btnPrevious->isEnabled());
    EXPECT_FALSE(Main().btnNext->isEnabled());
    EXPECT_EQ(System().ReadFile(ThunderbirdProfileDir() + "\\prefs.js"), untouched);
    EXPECT_EQ(Thunderbird().AccountCount(), accountsBefore) << "no half-made account is kept";
    for (int language : {lang::lgGerman, lang::lgEnglish, lang::lgItalian, lang::lgFrench}) {
        const lang::TLanguageRow* row = Setup().langMain->Content().FindRow(
            lang::stStrings, QString::fromLatin1(T_setup::NotSavedKey));
        ASSERT_NE(row, nullptr);
        ASSERT_FALSE(row->Cell(language).isEmpty()) << language;
        Dm().langDispMain->SetActiveLanguage(language);
        EXPECT_EQ(Setup().lblVerify->text(), row->Cell(language)) << language;
    }
    Dm().langDispMain->SetActiveLanguage(lang::lgGerman);

    // The cause is gone: back and forward again writes exactly one new account.
    SetPrefsWritable(true);
    ASSERT_TRUE(ClickPrevious());
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    ASSERT_EQ(Thunderbird().AccountCount(), accountsBefore + 1);
    TMailAccount* added = Thunderbird().AccountByIndex(accountsBefore);
    EXPECT_EQ(added->EmailAddress(), "anna.muster@quenlix.example");
    // The only account of a profile is its default; a kept half-made one would have taken that.
    EXPECT_EQ(added->IsDefault(), GetParam().EmptyProfile);
}

INSTANTIATE_TEST_SUITE_P(ReadOnlyPrefs, SaveFailureTest,
                         ::testing::Values(TSaveCase{"EmptyProfile", true},
                                           TSaveCase{"ProfileWithAnAccount", false}),
                         [](const ::testing::TestParamInfo<TSaveCase>& info) {
                             return std::string(info.param.Name);
                         });

// A store whose save fails in its own way while an existing account is adapted.
class TFailingStore : public TStandInStore {
public:
    using TStandInStore::TStandInStore;
    void SaveAccount(TMailAccount&) override { throw std::runtime_error("hive cannot be saved"); }
};

class AdaptedSaveFailureTest : public TSetupFixture {};

TEST_F(AdaptedSaveFailureTest, AStoreErrorIsCaughtOnThePage) {
    UseSystem("[Windows]\nPlatform=NT\nMajor=5\nMinor=0\n");
    Launch([](T_dm& dm) {
        auto store = std::make_unique<TFailingStore>("Outlook Express");
        store->AddPop("Old label", "anna@quenlix.example", true);
        dm.OutlookExpressAccounts = std::move(store);
    });
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("AccountsList"));
    ClickRow(1);
    ASSERT_TRUE(ClickNext());
    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna"), QStringLiteral("Geheim"));
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_FALSE(App().FinishedPageReached);
    EXPECT_EQ(Setup().VerifyTextKey(), QString::fromLatin1(T_setup::NotSavedKey));
    EXPECT_TRUE(Main().btnPrevious->isEnabled());
    EXPECT_EQ(Dm().OutlookExpressAccounts->AccountCount(), 1); // the adapted account stays
}

} // namespace
