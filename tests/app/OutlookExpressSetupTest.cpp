// The whole wizard writing into Outlook Express: a new account on a Windows XP machine that has
// only Outlook Express, and the Quenlix account of the demo machine adapted in place.
#include "RegistryValues.h"
#include "SetupFixture.h"

#include <clients/outlook/StoredPasswords.h>
#include <platform/RegHive.h>
#include <platform/Registry.h>
#include <platform/System.h>

#include <QRadioButton>
#include <QTest>

#include <fstream>

using namespace app_testing;

namespace {

const char* const Address = "anna.muster@quenlix.example";
const std::string AccountManager = "Software\\Microsoft\\Internet Account Manager";
const std::string Accounts = AccountManager + "\\Accounts";
const std::string Identity = "{8E4B3F2A-1C5D-4E6F-9A7B-2C3D4E5F6A7B}";

// The current user's hive of a machine where Outlook Express has its main identity with one
// account of another provider (or none), as Outlook Express lays it out.
std::string OutlookExpressHive(bool withOtherAccount = true) {
    const std::string otherAccount =
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\"
        "00000001]\r\n"
        "\"Account Name\"=\"pop.example.org\"\r\n"
        "\"Connection Type\"=dword:00000003\r\n"
        "\"POP3 Server\"=\"pop.example.org\"\r\n"
        "\"POP3 User Name\"=\"anna\"\r\n"
        "\"SMTP Server\"=\"smtp.example.org\"\r\n"
        "\"SMTP Email Address\"=\"anna@example.org\"\r\n";
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_CURRENT_USER\\Identities]\r\n"
           "\"Default User ID\"=\"" +
           Identity +
           "\"\r\n\r\n"
           "[HKEY_CURRENT_USER\\Identities\\" +
           Identity +
           "]\r\n"
           "\"Username\"=\"Main Identity\"\r\n"
           "\"User ID\"=\"" +
           Identity +
           "\"\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager]\r\n"
           "\"Account Name\"=dword:00000002\r\n"
           "\"Default Mail Account\"=\"00000001\"\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts]\r\n"
           "\"AssociatedID\"=hex:2a,3f,4b,8e,5d,1c,6f,4e,9a,7b,2c,3d,4e,5f,6a,7b\r\n\r\n" +
           (withOtherAccount ? otherAccount : std::string());
}

// The password the account key's reference names in Protected Storage.
std::string StoredPasswordOf(const std::string& key) {
    TStoredPasswords passwords(TOutlookPasswordStore::OutlookExpress);
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!passwords.ObtainProvider() || !registry.OpenKeyReadOnly("\\" + key)) {
        return {};
    }
    return passwords.ReadStoredPassword(passwords.ReadReferenceValue(registry, "POP3 Password2"));
}

// What the provider's account holds after the wizard, whatever it held before.
void ExpectProviderValues(const std::string& key) {
    using platform::TRegValueType;
    ExpectValues(key,
                 {Text("Account Name", Address), Text("SMTP Display Name", "Anna Muster"),
                  Text("SMTP Email Address", Address), Text("POP3 User Name", Address),
                  AnyOf("POP3 Password2", TRegValueType::Binary),
                  Number("POP3 Prompt for Password", 0), Text("POP3 Server", "pop.quenlix.example"),
                  Number("POP3 Port", 995), AnyOf("POP3 Timeout", TRegValueType::DWord),
                  Number("POP3 Secure Connection", 1), Number("Leave Mail On Server", 1),
                  Text("SMTP Server", "smtp.quenlix.example"), Number("SMTP Port", 465),
                  AnyOf("SMTP Timeout", TRegValueType::DWord), Number("SMTP Secure Connection", 1),
                  Number("SMTP Use Sicily", 2), Number("Connection Type", 3)});
    EXPECT_EQ(StoredPasswordOf(key), "Geheim-42");
}

// What an account gets that held no settings of its own before: the default time-outs, and none
// of the values the save deletes when they are unset.
void ExpectNoOtherSettings(const std::string& key) {
    std::vector<TExpectedValue> rows = {Number("POP3 Timeout", 60), Number("SMTP Timeout", 60)};
    for (const char* name :
         {"Connectoid", "SMTP Organization Name", "SMTP Reply To Email Address", "POP3 Use Sicily",
          "Remove When Expired", "Expire Days", "Remove When Deleted", "SMTP User Name",
          "SMTP Password2", "SMTP Prompt for Password"}) {
        rows.push_back(Absent(name));
    }
    ExpectValues(key, rows);
}

class OutlookExpressSetupTest : public TSetupFixture {
protected:
    // A Windows XP machine with Outlook Express whose main identity holds one account of another
    // provider (or none), and the wizard run up to the user data through the Outlook Express
    // button, Anna's data filled in.
    void CreateAccountThroughTheOutlookExpressButton(bool withOtherAccount = true) {
        UseHostedService(AnnasMailbox());
        System().WritePe("C:\\Program Files\\Outlook Express\\msimn.exe", 6, 0, 2900, 5512);
        // The hive file changed on disk is read at the next registry access.
        std::ofstream(System().Root() / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary)
            << OutlookExpressHive(withOtherAccount);
        Launch();
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("AccountType")) << "no Quenlix account to adapt";
        EXPECT_TRUE(AccountType().rbOutlookExpress->isVisible());
        EXPECT_EQ(AccountType().rbOutlookExpress->x(), 52);
        EXPECT_FALSE(AccountType().rbThunderbird->isVisible());
        QTest::mouseClick(AccountType().rbOutlookExpress, Qt::LeftButton);
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("UserData"));
        FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                     QStringLiteral("Geheim-42"));
    }
};

// A new account beside another one or alone: the unticked box leaves the other account the
// default, and makes the only account of the identity its default.
struct TNewAccountCase {
    const char* Name;
    bool WithOtherAccount;
    const char* DefaultAccount;
};

void PrintTo(const TNewAccountCase& aCase, std::ostream* aOut) {
    *aOut << aCase.Name;
}

class OutlookExpressNewAccountTest : public OutlookExpressSetupTest,
                                     public ::testing::WithParamInterface<TNewAccountCase> {};

} // namespace

TEST_P(OutlookExpressNewAccountTest, ANewAccountIsWrittenIntoOutlookExpress) {
    const TNewAccountCase& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(CreateAccountThroughTheOutlookExpressButton(row.WithOtherAccount));
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    const std::string key = Accounts + "\\00000002";
    ExpectProviderValues(key);
    ExpectNoOtherSettings(key);
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 3);
    EXPECT_EQ(StringAt(AccountManager, "Default Mail Account"), row.DefaultAccount);
    if (row.WithOtherAccount) {
        EXPECT_EQ(StringAt(Accounts + "\\00000001", "Account Name"), "pop.example.org");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, OutlookExpressNewAccountTest,
                         ::testing::Values(TNewAccountCase{"BesideAnother", true, "00000001"},
                                           TNewAccountCase{"TheOnlyOne", false, "00000002"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(OutlookExpressSetupTest, AHiveThatCannotBeWrittenIsReportedAndARetryWritesOneAccount) {
    ASSERT_NO_FATAL_FAILURE(CreateAccountThroughTheOutlookExpressButton());
    platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::Write); // a full disk
    ASSERT_TRUE(ClickNext());
    platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::None);

    EXPECT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_EQ(Setup().State(), TSetupState::Failed);
    EXPECT_EQ(Setup().VerifyTextKey(), QString::fromLatin1(T_setup::NotSavedKey));
    EXPECT_FALSE(StringAt(Accounts + "\\00000002", "Account Name"));
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 2) << "the counter did not move";

    ASSERT_TRUE(ClickPrevious());
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    ExpectProviderValues(Accounts + "\\00000002");
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 3);
    EXPECT_EQ(Dm().OutlookExpressAccounts->AccountCount(), 2);
}

TEST_F(OutlookExpressSetupTest, TheDemoMachinesOutlookExpressAccountIsAdapted) {
    InstallDemoMachine(AnnasMailbox());
    {
        const std::string key = Accounts + "\\00000003";
        ASSERT_EQ(StringAt(key, "Account Name"), "Quenlix mail");
        ASSERT_NO_FATAL_FAILURE(WalkToUserDataThroughListedAccount(
            0, QStringLiteral("Outlook Express"), 1, QString::fromLatin1(Address)));
        ASSERT_NO_FATAL_FAILURE(SubmitAnnasUserData());

        EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
        ExpectProviderValues(key);
        ExpectNoOtherSettings(key); // the demo account had none
        EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 4) << "the account kept its key";
        EXPECT_EQ(StringAt(AccountManager, "Default Mail Account"), "00000001");
        ResetApplication();
    }
    UninstallDemoMachine();
}
