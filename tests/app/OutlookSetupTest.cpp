// The whole wizard writing into Outlook: a new account in Outlook 2000 (shared account tree and
// a MAPI profile) and in Outlook 2003 (the profile's own account section), the demo machine's
// Outlook 2003 account adapted in place, and the Outlook button leading to the newer store.
#include "RegistryValues.h"
#include "SetupFixture.h"

#include <clients/outlook/StoredPasswords.h>
#include <platform/Registry.h>

#include <QRadioButton>
#include <QTest>

#include <fstream>
#include <optional>

using namespace app_testing;

namespace {

const char* const Address = "anna.muster@quenlix.example";
const std::string OutlookExe = "C:\\Program Files\\Microsoft Office\\Office\\OUTLOOK.EXE";
const std::string Profiles =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
const std::string Omi = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
const std::string Manager = Profiles + "\\Outlook\\9375CFF0413111d3B88A00104B2A6676";
// The profile's accounts in order, the default first: after the wizard the other account 1 still
// leads, the new one (2) follows.
const std::string DefaultOrder = "{ED475418-B0D6-11D2-8C3B-00104B2A6676}";
const std::vector<std::uint8_t> TwoAccountsOtherFirst = {1, 0, 0, 0, 2, 0, 0, 0};

const std::string MachineKeys =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE]\r\n"
    "@=\"C:\\\\Program Files\\\\Microsoft Office\\\\Office\\\\OUTLOOK.EXE\"\r\n";

// Outlook 2000 with one account of another provider in the shared tree and its Internet E-Mail
// service in the profile "Outlook".
const std::string Outlook2000Hive =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\" +
    Omi +
    "]\r\n\"Account Name\"=dword:00000002\r\n"
    "\"Default Mail Account\"=\"00000001\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\" +
    Omi +
    "\\Accounts\\00000001]\r\n"
    "\"Account Name\"=\"pop.example.org\"\r\n\"POP3 Server\"=\"pop.example.org\"\r\n"
    "\"SMTP Email Address\"=\"anna@example.org\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\" +
    Profiles +
    "]\r\n\"DefaultProfile\"=\"Outlook\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\" +
    Profiles +
    "\\Outlook\\0a0d020000000000c000000000000046]\r\n"
    "\"000b0340\"=hex:00,00\r\n\r\n"
    "[HKEY_CURRENT_USER\\" +
    Profiles +
    "\\Outlook\\2a3d5e8c1b4f4d7a9e6c0b1a2f3e4d5c]\r\n"
    "\"001e661f\"=\"pop.example.org\"\r\n";

// Outlook 2003 with one account of another provider in the profile "Outlook".
const std::string Outlook2003Hive = "Windows Registry Editor Version 5.00\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\11.0]\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\" +
                                    Profiles +
                                    "]\r\n\"DefaultProfile\"=\"Outlook\"\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\" +
                                    Profiles +
                                    "\\Outlook\\0a0d020000000000c000000000000046]\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\" +
                                    Manager +
                                    "]\r\n"
                                    "\"{ED475418-B0D6-11D2-8C3B-00104B2A6676}\"=hex:01,00,00,00\r\n"
                                    "\"NextAccountID\"=dword:00000002\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\" +
                                    Manager +
                                    "\\00000001]\r\n"
                                    "\"clsid\"=\"{ED475411-B0D6-11D2-8C3B-00104B2A6676}\"\r\n"
                                    "\"Account Name\"=hex:70,00,6f,00,70,00,00,00\r\n"
                                    "\"POP3 Server\"=hex:70,00,6f,00,70,00,00,00\r\n";

// Part of the setup page's settings as Outlook 98/2000 keep them.
std::vector<TExpectedValue> Outlook2000WizardValues() {
    return {Text("Account Name", Address),
            Text("SMTP Display Name", "Anna Muster"),
            Text("SMTP Email Address", Address),
            Text("POP3 User Name", Address),
            Number("POP3 Prompt for Password", 0),
            Number("Connection Type", 3),
            Text("POP3 Server", "pop.quenlix.example"),
            Number("POP3 Port", 995),
            Absent("POP3 Use Sicily"),
            Number("POP3 Secure Connection", 1),
            Number("Leave Mail On Server", 1),
            Text("SMTP Server", "smtp.quenlix.example"),
            Number("SMTP Port", 465),
            Number("SMTP Secure Connection", 1),
            Number("SMTP Use Sicily", 2),
            Absent("SMTP User Name"),
            Absent("SMTP Password2"),
            Absent("SMTP Prompt for Password")};
}

// The same as Outlook 2002 to 2007 keep them.
std::vector<TExpectedValue> Outlook2003WizardValues() {
    return {Text("clsid", "{ED475411-B0D6-11D2-8C3B-00104B2A6676}"),
            Wide("Account Name", Address),
            Wide("Display Name", "Anna Muster"),
            Wide("Email", Address),
            Wide("POP3 User", Address),
            Absent("POP3 Remember Passwd"),
            Wide("POP3 Server", "pop.quenlix.example"),
            Number("POP3 Port", 995),
            Absent("POP3 Use SPA"),
            Number("POP3 Use SSL", 1),
            Wide("SMTP Server", "smtp.quenlix.example"),
            Number("SMTP Port", 465),
            Number("SMTP Use SSL", 1),
            Absent("SMTP Secure Connection"),
            Number("SMTP Use Auth", 1),
            Absent("SMTP Auth Method"),
            Absent("SMTP Use SPA"),
            Absent("SMTP User"),
            Absent("SMTP Password")};
}

// The POP3 password Outlook 2002 to 2007 keep sealed in the account's section.
std::optional<std::string> SealedPasswordAt(const std::string& key) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + key)) {
        return std::nullopt;
    }
    return UnsealPassword(registry, "POP3 Password");
}

std::vector<std::string> Subkeys(const std::string& key) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    return registry.OpenKeyReadOnly("\\" + key) ? registry.GetKeyNames()
                                                : std::vector<std::string>();
}

class OutlookSetupTest : public TSetupFixture {
protected:
    // Outlook of the major version on the Windows XP machine the hosted service needs.
    void InstallOutlook(int major, const std::string& hive) {
        UseHostedService(AnnasMailbox());
        System().WritePe(OutlookExe, major, 0, 2627, 0);
        // Hive files changed on disk are read at the next registry access.
        std::ofstream(System().Root() / "registry" / "HKEY_LOCAL_MACHINE.reg", std::ios::binary)
            << MachineKeys;
        std::ofstream(System().Root() / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary)
            << hive;
    }
    void CreateAccountThroughTheOutlookButton(const QString& caption) {
        Launch();
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("AccountType")) << "no Quenlix account to adapt";
        ASSERT_TRUE(AccountType().rbOfficeOutlook->isVisible());
        EXPECT_EQ(AccountType().rbOfficeOutlook->text(), caption);
        QTest::mouseClick(AccountType().rbOfficeOutlook, Qt::LeftButton);
        ASSERT_TRUE(ClickNext());
        ASSERT_NO_FATAL_FAILURE(SubmitAnnasUserData());
        ASSERT_EQ(CurrentPage(), QStringLiteral("Finished"));
    }
};

} // namespace

TEST_F(OutlookSetupTest, ANewAccountIsWrittenIntoOutlook2000AndItsProfile) {
    InstallOutlook(9, Outlook2000Hive);
    ASSERT_NO_FATAL_FAILURE(CreateAccountThroughTheOutlookButton(QStringLiteral("Outlook 2000")));

    const std::string key = Omi + "\\Accounts\\00000002";
    auto values = Outlook2000WizardValues();
    for (const char* gone :
         {"SMTP Organization Name", "SMTP Reply To Email Address", "Remove When Expired",
          "Expire Days", "Remove When Deleted", "Timeout", "Connection OID"}) {
        values.push_back(Absent(gone));
    }
    ExpectValues(key, values);
    EXPECT_EQ(IntegerAt(Omi, "Account Name"), 3);
    EXPECT_EQ(StringAt(Omi, "Default Mail Account"), "00000001") << "the box was not ticked";
    // The new service with its transport and address book joined the profile.
    int services = 0;
    for (const std::string& section : Subkeys(Profiles + "\\Outlook")) {
        services += StringAt(Profiles + "\\Outlook\\" + section, "001e661f") == Address ? 1 : 0;
    }
    EXPECT_EQ(services, 1);
    EXPECT_EQ(Subkeys(Profiles + "\\Outlook").size(), 5u);
    TStoredPasswords passwords(TOutlookPasswordStore::Outlook98);
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(passwords.ObtainProvider());
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + key));
    EXPECT_EQ(
        passwords.ReadStoredPassword(passwords.ReadReferenceValue(registry, "POP3 Password2")),
        "Geheim-42");
    EXPECT_EQ(Dm().Outlook98Accounts->AccountCount(), 2);
}

TEST_F(OutlookSetupTest, TheOnlyAccountOfOutlook2000BecomesTheDefaultWithoutTheBoxTicked) {
    const std::string emptyTree = "Windows Registry Editor Version 5.00\r\n\r\n"
                                  "[HKEY_CURRENT_USER\\" +
                                  Omi + "\\Accounts]\r\n\r\n[HKEY_CURRENT_USER\\" + Profiles +
                                  "]\r\n\"DefaultProfile\"=\"Outlook\"\r\n\r\n"
                                  "[HKEY_CURRENT_USER\\" +
                                  Profiles +
                                  "\\Outlook\\0a0d020000000000c000000000000046]\r\n"
                                  "\"000b0340\"=hex:00,00\r\n";
    InstallOutlook(9, emptyTree);
    ASSERT_NO_FATAL_FAILURE(CreateAccountThroughTheOutlookButton(QStringLiteral("Outlook 2000")));
    ExpectValues(Omi + "\\Accounts\\00000001", Outlook2000WizardValues());
    EXPECT_EQ(StringAt(Omi, "Default Mail Account"), "00000001");
    EXPECT_EQ(IntegerAt(Omi, "Account Name"), 2);
    EXPECT_EQ(Subkeys(Profiles + "\\Outlook").size(), 4u) << "its service, transport, address book";
}

TEST_F(OutlookSetupTest, ANewAccountIsWrittenIntoTheOutlook2003Profile) {
    InstallOutlook(11, Outlook2003Hive);
    ASSERT_NO_FATAL_FAILURE(CreateAccountThroughTheOutlookButton(QStringLiteral("Outlook 2003")));

    const std::string key = Manager + "\\00000002";
    auto values = Outlook2003WizardValues();
    for (const char* gone : {"Organization", "Reply Email", "Connection Type", "Connection OID"}) {
        values.push_back(Absent(gone));
    }
    ExpectValues(key, values);
    EXPECT_EQ(IntegerAt(key, "Leave on Server").value_or(0) & 1, 1);
    EXPECT_TRUE(IntegerAt(key, "Timeout"));
    EXPECT_EQ(Value(Manager, DefaultOrder), TwoAccountsOtherFirst);
    EXPECT_EQ(IntegerAt(Manager, "NextAccountID"), 3);
    EXPECT_EQ(SealedPasswordAt(key), "Geheim-42");
    EXPECT_EQ(Dm().OutlookAccounts->AccountCount(), 2);
}

TEST_F(OutlookSetupTest, TheDemoMachinesOutlook2003AccountIsAdapted) {
    InstallDemoMachine(AnnasMailbox());
    {
        const std::string key = Manager + "\\00000002";
        ASSERT_EQ(StringAt(key, "Account Name"), "Quenlix mail");
        ASSERT_NO_FATAL_FAILURE(WalkToUserDataThroughListedAccount(
            3, QStringLiteral("Outlook 2003"), 4, QString::fromLatin1(Address)));
        ASSERT_NO_FATAL_FAILURE(SubmitAnnasUserData());

        EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
        ExpectValues(key, Outlook2003WizardValues());
        EXPECT_EQ(IntegerAt(key, "Leave on Server"), 0x000a0001) << "its ten days stay";
        EXPECT_EQ(IntegerAt(key, "Mini UID"), 0x6c03f5a2) << "Outlook's own values stay";
        EXPECT_EQ(Value(Manager, DefaultOrder), TwoAccountsOtherFirst)
            << "two accounts and an unticked box: the other stays the default";
        EXPECT_EQ(SealedPasswordAt(key), "Geheim-42");
        ResetApplication();
    }
    UninstallDemoMachine();
}

TEST_F(OutlookSetupTest, TheOutlookButtonWritesToTheNewerStoreWhenBothAreThere) {
    UseSystem("[Windows]\nPlatform=NT\nMajor=5\nMinor=0\n"); // no login check on Windows 2000
    TStandInStore* older = nullptr;
    TStandInStore* newer = nullptr;
    Launch([&](T_dm& dm) {
        auto outlook98 = std::make_unique<TStandInStore>("Outlook 2000");
        auto outlook = std::make_unique<TStandInStore>("Outlook 2003");
        older = outlook98.get();
        newer = outlook.get();
        dm.Outlook98Accounts = std::move(outlook98);
        dm.OutlookAccounts = std::move(outlook);
    });
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(AccountType().rbOfficeOutlook->text(), QStringLiteral("Outlook 2003"));
    QTest::mouseClick(AccountType().rbOfficeOutlook, Qt::LeftButton);
    ASSERT_TRUE(ClickNext());
    ASSERT_NO_FATAL_FAILURE(SubmitAnnasUserData());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    EXPECT_EQ(newer->Saved, std::vector<std::string>{Address});
    EXPECT_TRUE(older->Saved.empty());
}
