// The whole wizard, through its windows, against a local POP3S server standing in for the hosted
// service, writing into Windows Mail on a simulated Vista and Windows Live Mail on Windows 7.

#include "SetupFixture.h"

#include "app/Pictures.h"
#include "app/SetupProgress.h"
#include "clients/oeaccount/OeAccountTestSupport.h"

#include <accounts/HexText.h>
#include <accounts/RegistryHelpers.h>
#include <platform/Files.h>
#include <platform/Registry.h>

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using namespace app_testing;
using oeaccount_test::ClientFile;
using oeaccount_test::ClientPopAccount;
using oeaccount_test::FixtureSalt;
using oeaccount_test::FixtureSaltHex;

namespace {

const char* const Address = "anna.muster@quenlix.example";

std::string IamDefault() {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    return registry.OpenKeyReadOnly("\\Software\\Microsoft\\IAM")
               ? ReadRegStringChecked(registry, "Default Mail Account")
               : std::string();
}

// The account files below a store folder, one folder level down.
std::vector<std::string> AccountFiles(const std::string& storeDir) {
    std::vector<std::string> files;
    for (const platform::TFindEntry& folder : platform::FindFiles(storeDir + "*")) {
        if (folder.Name == "." || folder.Name == "..") {
            continue;
        }
        for (const platform::TFindEntry& file :
             platform::FindFiles(storeDir + folder.Name + "\\*.oeaccount")) {
            files.push_back(storeDir + folder.Name + "\\" + file.Name);
        }
    }
    return files;
}

class OeAccountEndToEndTest : public TSetupFixture {
protected:
    // Windows Mail as Vista has it: App Paths with a variable, the client key without a salt
    // yet (the store makes one).
    std::string InstallWindowsMail() {
        System().WritePe(oeaccount_test::WindowsMailExe, 6, 0, 6002, 18005);
        platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
        EXPECT_TRUE(registry.OpenKey(
            "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WinMail.exe", true));
        registry.WriteExpandString("", "%ProgramFiles%\\Windows Mail\\WinMail.exe");
        registry.WriteExpandString("Path", "%ProgramFiles%\\Windows Mail");
        registry.CloseKey();
        registry.SetRootKey(platform::HKEY_CURRENT_USER);
        EXPECT_TRUE(registry.OpenKey("\\Software\\Microsoft\\Windows Mail", true));
        registry.CloseKey();
        return platform::MachineFacts().LocalAppData + "\\Microsoft\\Windows Mail\\";
    }

    // Windows Live Mail with the fixture salt.
    std::string InstallWindowsLiveMail() {
        System().WritePe(oeaccount_test::LiveMailExe, 15, 4, 3555, 308);
        platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
        EXPECT_TRUE(registry.OpenKey(
            "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe", true));
        registry.WriteString("", oeaccount_test::LiveMailExe);
        registry.CloseKey();
        registry.SetRootKey(platform::HKEY_CURRENT_USER);
        EXPECT_TRUE(registry.OpenKey("\\Software\\Microsoft\\Windows Live Mail", true));
        registry.WriteBinaryData("Salt", FixtureSalt);
        registry.CloseKey();
        return platform::MachineFacts().LocalAppData + "\\Microsoft\\Windows Live Mail\\";
    }

    void WalkToUserData(QRadioButton* aClient) {
        ASSERT_EQ(CurrentPage(), QStringLiteral("Welcome"));
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("AccountType"));
        ASSERT_TRUE(aClient->isVisible());
        QTest::mouseClick(aClient, Qt::LeftButton);
        ASSERT_TRUE(ClickNext());
        ASSERT_EQ(CurrentPage(), QStringLiteral("UserData"));
        FillUserData(QStringLiteral("Anna Müller"), QStringLiteral("anna.muster"),
                     QStringLiteral("Geheim-42"));
    }
};

// A new account in either client, the only one on the machine: one file in the client's folder
// for it, holding every value of the worked example, and the default account.
struct TNewAccountCase {
    const char* Name;
    bool LiveMail;
    int Major;
    int Minor;
    std::string Folder; // below the store folder
};

void PrintTo(const TNewAccountCase& aCase, std::ostream* aOut) {
    *aOut << aCase.Name;
}

class OeAccountNewTest : public OeAccountEndToEndTest,
                         public ::testing::WithParamInterface<TNewAccountCase> {};

TEST_P(OeAccountNewTest, ANewAccountIsTheWorkedExample) {
    const TNewAccountCase& row = GetParam();
    UseHostedService(AnnasMailbox(), row.Major, row.Minor);
    const std::string storeDir = row.LiveMail ? InstallWindowsLiveMail() : InstallWindowsMail();
    Launch();
    QRadioButton* client =
        row.LiveMail ? AccountType().rbWindowsLiveMail : AccountType().rbWindowsMail;
    ASSERT_NO_FATAL_FAILURE(WalkToUserData(client));
    EXPECT_EQ(client->x(), 12 + 40); // the only client
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    EXPECT_EQ(Server().ConnectionAttempts(), 1);

    const std::vector<std::string> files = AccountFiles(storeDir);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(platform::ExtractFilePath(files[0]), storeDir + row.Folder);
    EXPECT_EQ(IamDefault(), platform::ExtractFileName(files[0]));
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly(row.LiveMail ? "\\Software\\Microsoft\\Windows Live Mail"
                                                      : "\\Software\\Microsoft\\Windows Mail"));
    const std::string salt = BytesToHex(registry.ReadBinaryData("Salt"));
    EXPECT_EQ(salt.size(), 32u);
    EXPECT_EQ(oeaccount_test::MaskSealed(
                  System().ReadFile(files[0]),
                  {{"POP3_Password2", "Geheim-42"}, {"SMTP_Password2", "Geheim-42"}}, salt),
              oeaccount_test::Golden("worked-example.oeaccount"));
}

INSTANTIATE_TEST_SUITE_P(Clients, OeAccountNewTest,
                         ::testing::Values(TNewAccountCase{"WindowsMailOnVista", false, 6, 0,
                                                           "Local Folders\\"},
                                           TNewAccountCase{"WindowsLiveMailOnWindows7", true, 6, 1,
                                                           std::string(Address) + "\\"}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A save the store cannot make (a file where "Local Folders" belongs) writes nothing and keeps
// the user on the setup page with the failure; once the obstacle is gone, the retry succeeds.
TEST_F(OeAccountEndToEndTest, AWindowsMailSaveThatFailsIsToldAndCanBeRetried) {
    UseHostedService(AnnasMailbox(), 6, 0);
    const std::string storeDir = InstallWindowsMail();
    System().WriteFile(storeDir + "Local Folders", "in the way");
    Launch();
    WalkToUserData(AccountType().rbWindowsMail);
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Setup"));
    EXPECT_EQ(Setup().State(), TSetupState::Failed);
    EXPECT_TRUE(Setup().lblVerify->text().contains(QStringLiteral("nicht gespeichert")));
    EXPECT_EQ(Dm().WindowsMailAccounts->AccountCount(), 0);
    EXPECT_EQ(IamDefault(), "");
    EXPECT_EQ(System().ReadFile(storeDir + "Local Folders"), "in the way");

    ASSERT_TRUE(platform::DeleteFile(storeDir + "Local Folders"));
    ASSERT_TRUE(ClickPrevious());
    ASSERT_EQ(CurrentPage(), QStringLiteral("UserData"));
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));
    const std::vector<std::string> files = AccountFiles(storeDir);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(IamDefault(), platform::ExtractFileName(files[0]));
}

TEST_F(OeAccountEndToEndTest, AnExistingWindowsLiveMailAccountIsAdaptedInPlace) {
    UseHostedService(AnnasMailbox(), 6, 1);
    const std::string storeDir = InstallWindowsLiveMail();
    const std::string path = storeDir + "pop.quenlix.example\\account{5D1E}.oeaccount";
    System().WriteFile(path, ClientFile(ClientPopAccount(ProtectPassword("old", FixtureSaltHex))));
    Launch();
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("AccountsList"));
    const QTreeWidget* list = AccountsList().lvAccounts;
    ASSERT_GE(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Windows Live Mail"));
    EXPECT_EQ(list->topLevelItem(0)->icon(0).pixmap(16).toImage(),
              app::ClientIcon(app::ciWindowsMail).pixmap(16).toImage());
    EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("Quenlix"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QString::fromLatin1(Address));
    EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("POP"));
    ClickRow(1);
    ASSERT_TRUE(ClickNext());
    ASSERT_EQ(CurrentPage(), QStringLiteral("UserData"));
    FillUserData(QStringLiteral("Anna Müller"), QStringLiteral("anna.muster"),
                 QStringLiteral("Geheim-42"));
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));

    EXPECT_EQ(AccountFiles(storeDir), std::vector<std::string>{path});
    const auto document = TOeAccountDocument::Parse(System().ReadFile(path));
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(ReadStringValue(*document, "Account_Name", ""), Address);
    EXPECT_EQ(ReadStringValue(*document, "SMTP_Display_Name", ""), "Anna Müller");
    EXPECT_EQ(UnprotectPassword(ReadBinaryValue(*document, "POP3_Password2", ""), FixtureSaltHex),
              "Geheim-42");
    // The account's own settings the wizard does not touch stay.
    EXPECT_EQ(ReadDwordValue(*document, "Expire_Days", 0), 14u);
    EXPECT_EQ(ReadDwordValue(*document, "Remove_When_Deleted", 0), 1u);
    EXPECT_EQ(IamDefault(), "account{5D1E}.oeaccount"); // the profile's only account
}

// An older provider account of the customer's own, with settings the wizard must not touch.
std::string OldProviderAccount() {
    return "<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
           "<MessageAccount>\n"
           "\t<Account_Name type=\"SZ\">Quenlix (old)</Account_Name>\n"
           "\t<Connection_Type type=\"DWORD\">00000002</Connection_Type>\n"
           "\t<Connectoid type=\"SZ\">Home Dial-up</Connectoid>\n"
           "\t<SMTP_Display_Name type=\"SZ\">A. Muster</SMTP_Display_Name>\n"
           "\t<SMTP_Organization_Name type=\"SZ\">Muster &amp; Söhne</SMTP_Organization_Name>\n"
           "\t<SMTP_Email_Address type=\"SZ\">anna.muster@quenlix.example</SMTP_Email_Address>\n"
           "\t<SMTP_Reply_To_Email_Address "
           "type=\"SZ\">office@muster.example</SMTP_Reply_To_Email_Address>\n"
           "\t<POP3_Server type=\"SZ\">mail.quenlix.example</POP3_Server>\n"
           "\t<POP3_User_Name type=\"SZ\">anna</POP3_User_Name>\n"
           "\t<POP3_Password2 type=\"BINARY\">" +
           ProtectPassword("old", FixtureSaltHex) +
           "</POP3_Password2>\n"
           "\t<POP3_Use_Sicily type=\"DWORD\">00000001</POP3_Use_Sicily>\n"
           "\t<POP3_Timeout type=\"DWORD\">5a</POP3_Timeout>\n"
           "\t<Remove_When_Expired type=\"DWORD\">00000001</Remove_When_Expired>\n"
           "\t<Expire_Days type=\"DWORD\">00000007</Expire_Days>\n"
           "\t<SMTP_Server type=\"SZ\">mail.quenlix.example</SMTP_Server>\n"
           "\t<SMTP_User_Name type=\"SZ\">anna-out</SMTP_User_Name>\n"
           "\t<SMTP_Password2 type=\"BINARY\">" +
           ProtectPassword("old-out", FixtureSaltHex) +
           "</SMTP_Password2>\n"
           "\t<SMTP_Use_Sicily type=\"DWORD\">00000003</SMTP_Use_Sicily>\n"
           "\t<SMTP_Timeout type=\"DWORD\">0000005A</SMTP_Timeout>\n"
           "</MessageAccount>\n";
}

const char* const OtherAccount =
    "<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
    "<MessageAccount>\n"
    "\t<Account_Name type=\"SZ\">Work</Account_Name>\n"
    "\t<SMTP_Email_Address type=\"SZ\">anna@work.example</SMTP_Email_Address>\n"
    "\t<POP3_Server type=\"SZ\">pop.work.example</POP3_Server>\n"
    "</MessageAccount>\n";

// Adapting an account of a profile that holds two, in either client: every provider value
// replaces the old one, the customer's own settings stay, and the "default" box alone decides
// the default account.
struct TAdaptCase {
    bool LiveMail;
    bool MakeDefault;
};

void PrintTo(const TAdaptCase& row, std::ostream* out) {
    *out << (row.LiveMail ? "Windows Live Mail" : "Windows Mail")
         << (row.MakeDefault ? ", box ticked" : ", box unticked");
}

class OeAccountAdaptTest : public OeAccountEndToEndTest,
                           public ::testing::WithParamInterface<TAdaptCase> {
protected:
    // The client installed with the fixture salt; its store folder.
    std::string Install(bool liveMail) {
        if (liveMail) {
            UseHostedService(AnnasMailbox(), 6, 1);
            return InstallWindowsLiveMail();
        }
        UseHostedService(AnnasMailbox(), 6, 0);
        const std::string storeDir = InstallWindowsMail();
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        EXPECT_TRUE(registry.OpenKey("\\Software\\Microsoft\\Windows Mail", false));
        registry.WriteBinaryData("Salt", FixtureSalt);
        registry.CloseKey();
        return storeDir;
    }
};

TEST_P(OeAccountAdaptTest, AnOlderAccountGetsEveryProviderValueAndKeepsItsOwn) {
    const TAdaptCase& row = GetParam();
    const std::string storeDir = Install(row.LiveMail);
    {
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey("\\Software\\Microsoft\\IAM", true));
        registry.WriteString("Default Mail Account", "account{07}.oeaccount");
        registry.CloseKey();
    }
    // Windows Mail keeps POP accounts in "Local Folders", Windows Live Mail in their own.
    const std::string path =
        storeDir + (row.LiveMail ? "Quenlix (old)" : "Local Folders") + "\\account{0D}.oeaccount";
    const std::string other =
        storeDir + (row.LiveMail ? "Work" : "Local Folders") + "\\account{07}.oeaccount";
    System().WriteFile(path, ClientFile(OldProviderAccount()));
    System().WriteFile(other, ClientFile(OtherAccount));
    const std::string otherBytes = System().ReadFile(other);
    ASSERT_NO_FATAL_FAILURE(WalkToUserDataThroughListedAccount(
        0, row.LiveMail ? QStringLiteral("Windows Live Mail") : QStringLiteral("Windows Mail"), 1,
        QString::fromLatin1(Address)));
    FillUserData(QStringLiteral("Anna Müller"), QStringLiteral("anna.muster"),
                 QStringLiteral("Geheim-42"));
    UserData().chkStandard->setChecked(row.MakeDefault);
    ASSERT_TRUE(ClickNext());
    EXPECT_EQ(CurrentPage(), QStringLiteral("Finished"));

    EXPECT_EQ(
        oeaccount_test::MaskSealed(System().ReadFile(path), {{"POP3_Password2", "Geheim-42"},
                                                             {"SMTP_Password2", "Geheim-42"}}),
        oeaccount_test::Golden("adapted-dial-up-account.oeaccount"));
    EXPECT_EQ(System().ReadFile(other), otherBytes);
    EXPECT_EQ(AccountFiles(storeDir).size(), 2u);
    EXPECT_EQ(IamDefault(), row.MakeDefault ? "account{0D}.oeaccount" : "account{07}.oeaccount");
}

INSTANTIATE_TEST_SUITE_P(Clients, OeAccountAdaptTest,
                         ::testing::Values(TAdaptCase{false, false}, TAdaptCase{false, true},
                                           TAdaptCase{true, false}, TAdaptCase{true, true}),
                         [](const ::testing::TestParamInfo<TAdaptCase>& info) {
                             return std::string(info.param.LiveMail ? "WindowsLiveMail"
                                                                    : "WindowsMail") +
                                    (info.param.MakeDefault ? "DefaultBoxTicked"
                                                            : "DefaultBoxUnticked");
                         });

} // namespace
