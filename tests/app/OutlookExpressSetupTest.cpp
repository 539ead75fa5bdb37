// The whole wizard writing into Outlook Express: a new account on a Windows XP machine that has
// only Outlook Express, and the Quenlix account of the demo machine adapted in place.
#include "SetupFixture.h"
#include "TestCertificate.h"
#include "app/SystemRoot.h"

#include <clients/outlook/StoredPasswords.h>
#include <platform/RegHive.h>
#include <platform/Registry.h>
#include <platform/System.h>
#include <platform/SystemTemplate.h>

#include <QCheckBox>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <optional>

using namespace app_testing;
using testing_support::TPop3Script;

namespace {

namespace fs = std::filesystem;

const char* const Address = "anna.muster@quenlix.example";
const std::string AccountManager = "Software\\Microsoft\\Internet Account Manager";
const std::string Accounts = AccountManager + "\\Accounts";
const std::string Identity = "{8E4B3F2A-1C5D-4E6F-9A7B-2C3D4E5F6A7B}";

TPop3Script AnnasMailbox() {
    TPop3Script script;
    script.User = Address;
    script.Password = "Geheim-42";
    return script;
}

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

std::optional<std::string> StringAt(const std::string& key, const std::string& name) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + key) || !registry.ValueExists(name)) {
        return std::nullopt;
    }
    return registry.ReadString(name);
}

std::optional<std::int32_t> IntegerAt(const std::string& key, const std::string& name) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + key) || !registry.ValueExists(name)) {
        return std::nullopt;
    }
    return registry.ReadInteger(name);
}

platform::TRegDataType TypeAt(const std::string& key, const std::string& name) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + key)) {
        return platform::TRegDataType::rdUnknown;
    }
    return registry.GetDataType(name);
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
    EXPECT_EQ(StringAt(key, "Account Name"), Address);
    EXPECT_EQ(StringAt(key, "SMTP Display Name"), "Anna Muster");
    EXPECT_EQ(StringAt(key, "SMTP Email Address"), Address);
    EXPECT_EQ(StringAt(key, "POP3 User Name"), Address);
    EXPECT_EQ(StringAt(key, "POP3 Server"), "pop.quenlix.example");
    EXPECT_EQ(IntegerAt(key, "POP3 Port"), 995);
    EXPECT_EQ(IntegerAt(key, "POP3 Secure Connection"), 1);
    EXPECT_EQ(IntegerAt(key, "POP3 Prompt for Password"), 0);
    EXPECT_EQ(IntegerAt(key, "Leave Mail On Server"), 1);
    EXPECT_EQ(StringAt(key, "SMTP Server"), "smtp.quenlix.example");
    EXPECT_EQ(IntegerAt(key, "SMTP Port"), 465);
    EXPECT_EQ(IntegerAt(key, "SMTP Secure Connection"), 1);
    EXPECT_EQ(IntegerAt(key, "SMTP Use Sicily"), 2);
    EXPECT_EQ(IntegerAt(key, "Connection Type"), 3);
    EXPECT_EQ(StoredPasswordOf(key), "Geheim-42");
    using platform::TRegDataType;
    const std::pair<const char*, TRegDataType> types[] = {
        {"Account Name", TRegDataType::rdString},
        {"SMTP Display Name", TRegDataType::rdString},
        {"SMTP Email Address", TRegDataType::rdString},
        {"POP3 User Name", TRegDataType::rdString},
        {"POP3 Password2", TRegDataType::rdBinary},
        {"POP3 Prompt for Password", TRegDataType::rdInteger},
        {"POP3 Server", TRegDataType::rdString},
        {"POP3 Port", TRegDataType::rdInteger},
        {"POP3 Timeout", TRegDataType::rdInteger},
        {"POP3 Secure Connection", TRegDataType::rdInteger},
        {"Leave Mail On Server", TRegDataType::rdInteger},
        {"SMTP Server", TRegDataType::rdString},
        {"SMTP Port", TRegDataType::rdInteger},
        {"SMTP Timeout", TRegDataType::rdInteger},
        {"SMTP Secure Connection", TRegDataType::rdInteger},
        {"SMTP Use Sicily", TRegDataType::rdInteger},
        {"Connection Type", TRegDataType::rdInteger},
    };
    for (const auto& [name, type] : types) {
        EXPECT_EQ(TypeAt(key, name), type) << name;
    }
}

// What an account gets that held no settings of its own before: the default time-outs, and none
// of the values the save deletes when they are unset.
void ExpectNoOtherSettings(const std::string& key) {
    EXPECT_EQ(IntegerAt(key, "POP3 Timeout"), 60);
    EXPECT_EQ(IntegerAt(key, "SMTP Timeout"), 60);
    for (const char* name :
         {"Connectoid", "SMTP Organization Name", "SMTP Reply To Email Address", "POP3 Use Sicily",
          "Remove When Expired", "Expire Days", "Remove When Deleted", "SMTP User Name",
          "SMTP Password2", "SMTP Prompt for Password"}) {
        EXPECT_EQ(TypeAt(key, name), platform::TRegDataType::rdUnknown) << name;
    }
}

class OutlookExpressSetupTest : public TSetupFixture {};

} // namespace

TEST_F(OutlookExpressSetupTest, ANewAccountIsWrittenIntoOutlookExpress) {
    UseHostedService(AnnasMailbox());
    System().WritePe("C:\\Program Files\\Outlook Express\\msimn.exe", 6, 0, 2900, 5512);
    // The hive file changed on disk is read at the next registry access.
    std::ofstream(System().Root() / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary)
        << OutlookExpressHive();
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
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    const std::string key = Accounts + "\\00000002";
    ExpectProviderValues(key);
    ExpectNoOtherSettings(key);
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 3);
    // Two accounts now: the unticked box leaves the other one the default.
    EXPECT_EQ(StringAt(AccountManager, "Default Mail Account"), "00000001");
    EXPECT_EQ(StringAt(Accounts + "\\00000001", "Account Name"), "pop.example.org");
}

TEST_F(OutlookExpressSetupTest, TheOnlyAccountOfTheIdentityBecomesItsDefault) {
    UseHostedService(AnnasMailbox());
    System().WritePe("C:\\Program Files\\Outlook Express\\msimn.exe", 6, 0, 2900, 5512);
    std::ofstream(System().Root() / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary)
        << OutlookExpressHive(false);
    Launch();
    ASSERT_TRUE(ClickNext());
    QTest::mouseClick(AccountType().rbOutlookExpress, Qt::LeftButton);
    ASSERT_TRUE(ClickNext());
    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                 QStringLiteral("Geheim-42"));
    ASSERT_TRUE(ClickNext());

    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    ExpectProviderValues(Accounts + "\\00000002");
    ExpectNoOtherSettings(Accounts + "\\00000002");
    EXPECT_EQ(StringAt(AccountManager, "Default Mail Account"), "00000002");
    EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 3);
}

TEST_F(OutlookExpressSetupTest, AHiveThatCannotBeWrittenIsReportedAndARetryWritesOneAccount) {
    UseHostedService(AnnasMailbox());
    System().WritePe("C:\\Program Files\\Outlook Express\\msimn.exe", 6, 0, 2900, 5512);
    std::ofstream(System().Root() / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary)
        << OutlookExpressHive();
    Launch();
    ASSERT_TRUE(ClickNext());
    QTest::mouseClick(AccountType().rbOutlookExpress, Qt::LeftButton);
    ASSERT_TRUE(ClickNext());
    FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                 QStringLiteral("Geheim-42"));
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
        Launch();
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("AccountsList"));
        const QTreeWidget* list = AccountsList().lvAccounts;
        ASSERT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Outlook Express"));
        ASSERT_EQ(list->topLevelItem(1)->text(1), QString::fromLatin1(Address));
        ClickRow(1);
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("UserData")) << "the picked account is the target";
        FillUserData(QStringLiteral("Anna Muster"), QStringLiteral("anna.muster"),
                     QStringLiteral("Geheim-42"));
        ASSERT_TRUE(ClickNext());

        EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
        ExpectProviderValues(key);
        ExpectNoOtherSettings(key); // the demo account had none
        EXPECT_EQ(IntegerAt(AccountManager, "Account Name"), 4) << "the account kept its key";
        EXPECT_EQ(StringAt(AccountManager, "Default Mail Account"), "00000001");
        ResetApplication();
    }
    UninstallDemoMachine();
}
