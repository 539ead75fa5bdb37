// Outlook 98/2000: finding the client, the MAPI profiles that qualify and the accounts that
// belong to each.

#include "OutlookTestSupport.h"

#include "clients/outlook/Outlook98.h"
#include "clients/outlook/StoredPasswords.h"

#include <vector>

using namespace outlook_test;
using testing_support::TTestMachine;
using testing_support::TTestWindows;

namespace {

const std::string Omi = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
const std::string Omi80 = "Software\\Microsoft\\Office\\8.0\\Outlook\\OMI Account Manager";

std::string Tree(const std::string& manager) {
    return Key(manager) + Key(manager + "\\Accounts") + Key(manager + "\\Accounts\\00000001") +
           Str("Account Name", "pop.example.org") + Str("POP3 Server", "pop.example.org");
}

std::vector<std::string> AccountNames(const TMailProfile& profile) {
    std::vector<std::string> names;
    for (const auto& account : profile.Accounts()) {
        names.push_back(account->AccountName());
    }
    return names;
}

class Outlook98Load : public OutlookFixture {
protected:
    std::unique_ptr<TOutlook98MailAccounts> Load98() {
        return std::make_unique<TOutlook98MailAccounts>(false);
    }
};

struct TDetectionRow {
    const char* Case;
    int Major;
    std::string Hkcu;
    bool Installed;
    const char* ClientName;
    const char* AccountManager;
};

void PrintTo(const TDetectionRow& row, std::ostream* out) {
    *out << row.Case;
}

class Outlook98Detection : public Outlook98Load,
                           public ::testing::WithParamInterface<TDetectionRow> {};

} // namespace

TEST_P(Outlook98Detection, FindsTheClientByVersionAndAccountTree) {
    const TDetectionRow& row = GetParam();
    InstallOutlook(row.Hkcu, row.Major);
    auto store = Load98();
    EXPECT_EQ(store->Installed(), row.Installed);
    if (row.Installed) {
        EXPECT_EQ(store->ClientName(), row.ClientName);
        EXPECT_EQ(store->ClientMajorVersion(), row.Major);
        EXPECT_EQ(store->AccountManagerKey(), row.AccountManager);
        ASSERT_EQ(store->ProfileCount(), 1);
        EXPECT_EQ(store->AccountCount(), 1);
    } else {
        EXPECT_EQ(store->ProfileCount(), 0);
        EXPECT_EQ(store->AddAccount(AccountKindPOP, WizardAddress, WizardAddress, "x"), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Outlook98Detection,
    ::testing::Values(TDetectionRow{"Outlook98", 8, Tree(Omi80), true, "Outlook 98", Omi80.c_str()},
                      TDetectionRow{"Outlook2000", 9, Tree(Omi), true, "Outlook 2000", Omi.c_str()},
                      TDetectionRow{"BothTreesWithoutOffice9", 9, Tree(Omi80) + Tree(Omi), true,
                                    "Outlook 2000", Omi80.c_str()},
                      TDetectionRow{"BothTreesWithOffice9", 9,
                                    Tree(Omi80) + Tree(Omi) +
                                        Key("Software\\Microsoft\\Office\\9.0"),
                                    true, "Office Outlook 2000", Omi.c_str()},
                      TDetectionRow{"NoAccountTree", 9, Key(Omi), false, "", ""},
                      TDetectionRow{"Outlook2003", 11, Tree(Omi), false, "", ""},
                      TDetectionRow{"ProfilesKeyWithoutDefaultProfile", 9,
                                    Tree(Omi) + Key(ProfilesNT), false, "", ""}),
    [](const auto& info) { return std::string(info.param.Case); });

TEST_F(Outlook98Load, NoProgramMeansNotInstalled) {
    Install(Tree(Omi), TTestMachine().Ini(), OutlookMachineKeys()); // App Paths, but no file
    EXPECT_FALSE(Load98()->Installed());
    Install(Tree(Omi)); // no App Paths
    System().WritePe(OutlookExe, 9, 0, 2627, 0);
    EXPECT_FALSE(Load98()->Installed());
}

TEST_F(Outlook98Load, AQualifyingMapiProfileHoldsTheAccountsItHasServicesFor) {
    InstallOutlook(Outlook2000Profiles(), 9);
    auto store = Load98();
    ASSERT_TRUE(store->Installed());
    EXPECT_TRUE(store->MapiProfileMode());
    EXPECT_EQ(store->ProfilesKey(), ProfilesNT);
    ASSERT_EQ(store->ProfileCount(), 1) << "the fax profile was never set up";
    const TMailProfile& profile = *store->ProfileByIndex(0);
    EXPECT_EQ(profile.Name(), "Outlook");
    EXPECT_EQ(profile.Location(), "Outlook");
    EXPECT_TRUE(profile.IsDefaultProfile());
    EXPECT_FALSE(profile.PasswordProtected());
    EXPECT_EQ(profile.AccountFilePattern(), ProfilesNT + "\\Outlook");
    EXPECT_EQ(profile.AccountsLocation(), Omi + "\\Accounts");
    // old.example.org has a service only in the fax profile; the directory account is no mail.
    EXPECT_EQ(AccountNames(profile), (std::vector<std::string>{"pop.example.org", "Quenlix mail"}));
    const TMailAccount& pop = *profile.AccountByIndex(0);
    EXPECT_TRUE(pop.IsDefault());
    EXPECT_EQ(pop.StoreData().Lines(),
              (std::vector<std::string>{"01023d0e=2a3d5e8c1b4f4d7a9e6c0b1a2f3e4d5c",
                                        "01023d02=4B5C6D7E8F9041A2B3C4D5E6F7081920",
                                        "01023d01=6D7E8F90A1B24C3D8E9F0A1B2C3D4E5F"}))
        << "read from Outlook's own binary values";
    EXPECT_EQ(profile.AccountByIndex(1)->StoreData().Value("01023d0e"),
              "a1b2c3d4e5f647188a9b0c1d2e3f4051")
        << "read from string values";
}

TEST_F(Outlook98Load, WithoutAQualifyingProfileEveryAccountOfTheTreeIsInNoProfile) {
    for (const std::string& hkcu : {Outlook2000WithoutQualifyingProfile(),
                                    Replaced(Outlook2000Profiles(), "Windows Messaging Subsystem",
                                             "No Messaging Subsystem")}) {
        InstallOutlook(hkcu, 9);
        auto store = Load98();
        EXPECT_FALSE(store->MapiProfileMode());
        ASSERT_EQ(store->ProfileCount(), 1);
        const TMailProfile& profile = *store->ProfileByIndex(0);
        EXPECT_EQ(profile.Name(), "[no profile]");
        EXPECT_EQ(profile.Location(), "[no profile]");
        EXPECT_TRUE(profile.IsDefaultProfile());
        EXPECT_EQ(AccountNames(profile),
                  (std::vector<std::string>{"pop.example.org", "Quenlix mail", "old.example.org"}));
        EXPECT_EQ(profile.AccountByIndex(0)->StoreData().Count(), 0);
    }
}

TEST_F(Outlook98Load, TheProfilesKeyFollowsTheWindowsVersion) {
    const std::string fixture = Outlook2000Profiles();
    const std::string on9x = Replaced(fixture, ProfilesNT, Profiles9x);
    struct TRow {
        TTestWindows Windows;
        std::string Hkcu;
        bool Mapi;
    };
    const TRow rows[] = {
        {TTestWindows::Win98, on9x, true},
        {TTestWindows::Win98, fixture, false}, // Windows 98 never looks at the NT key
        {TTestWindows::XP, on9x, false},
        {TTestWindows::Win2000, fixture, true},
        {TTestWindows::Win7, fixture, true},
        {TTestWindows::Win8, fixture, true}, // unknown to the classification: the key there
        {TTestWindows::Win8, on9x, true},
    };
    for (const TRow& row : rows) {
        InstallOutlook(row.Hkcu, 9, TTestMachine().Windows(row.Windows).Ini());
        auto store = Load98();
        EXPECT_EQ(store->MapiProfileMode(), row.Mapi) << static_cast<int>(row.Windows);
        EXPECT_EQ(store->AccountCount(), row.Mapi ? 2 : 3) << static_cast<int>(row.Windows);
    }
}

TEST_F(Outlook98Load, AccountValuesAndPasswordsAreRead) {
    InstallOutlook(Outlook2000Profiles(), 9);
    {
        TStoredPasswords passwords(TOutlookPasswordStore::Outlook98);
        ASSERT_TRUE(passwords.ObtainProvider());
        passwords.WriteStoredPassword("account20000001", "Alt-1");
    }
    auto store = Load98();
    EXPECT_TRUE(store->AccountPasswordsAvailable());
    auto& pop = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(0));
    EXPECT_EQ(pop.Password(), "Alt-1");
    EXPECT_TRUE(pop.RememberPassword());
    EXPECT_EQ(pop.UserName(), "anna");
    EXPECT_EQ(pop.IncomingPort(), 110);
    EXPECT_FALSE(pop.UseSSL());
    EXPECT_TRUE(pop.LeaveOnServer());
    EXPECT_TRUE(pop.RemoveWhenDeleted());
    EXPECT_EQ(pop.SmtpTimeout(), 60);
    EXPECT_EQ(pop.SmtpAuthMode(), 0);
    EXPECT_EQ(pop.ConnectionType(), 0);
    EXPECT_EQ(pop.StoreLocation(), Omi + "\\Accounts\\00000001");

    auto& quenlix = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(1));
    EXPECT_FALSE(quenlix.IsDefault());
    EXPECT_FALSE(quenlix.RememberPassword());
    EXPECT_EQ(quenlix.IncomingPort(), 995);
    EXPECT_TRUE(quenlix.UseSSL());
    EXPECT_EQ(quenlix.SmtpPort(), 587);
    EXPECT_EQ(quenlix.SmtpTimeout(), 90);
    EXPECT_EQ(quenlix.SmtpAuthMode(), 1);
    EXPECT_EQ(quenlix.Organization(), "Muster AG");
    EXPECT_EQ(quenlix.DisplayName(), "Anna Muster");
}

TEST_F(Outlook98Load, OutgoingAuthenticationIsReadByItsOwnTable) {
    struct TRow {
        std::uint32_t Sicily;
        std::uint8_t Mode;
        bool Spa;
    };
    for (const TRow row : {TRow{0, 0, false}, TRow{1, 2, true}, TRow{2, 1, false},
                           TRow{3, 2, false}, TRow{7, 0, false}}) {
        InstallOutlook(Tree(Omi) + Dword("SMTP Use Sicily", row.Sicily) +
                           Str("SMTP User Name", "smtp-anna"),
                       9);
        auto store = Load98();
        ASSERT_EQ(store->AccountCount(), 1);
        const TMailAccount& account = *store->AccountByIndex(0);
        EXPECT_EQ(account.SmtpAuthMode(), row.Mode) << row.Sicily;
        EXPECT_EQ(account.SmtpUseSPA(), row.Spa) << row.Sicily;
        EXPECT_EQ(account.SmtpUserName(), "smtp-anna") << "read whatever the mode";
    }
}

TEST_F(Outlook98Load, AnAccountWithAValueOfTheWrongTypeIsLeftOutAlone) {
    InstallOutlook(Tree(Omi) + Str("POP3 Port", "995") + Key(Omi + "\\Accounts\\00000002") +
                       Str("Account Name", "imap.example.org") +
                       Str("IMAP Server", "imap.example.org"),
                   9);
    auto store = Load98();
    ASSERT_EQ(store->AccountCount(), 1);
    EXPECT_EQ(store->AccountByIndex(0)->AccountName(), "imap.example.org");
    EXPECT_EQ(store->AccountByIndex(0)->Kind(), AccountKindIMAP);
}

TEST_F(Outlook98Load, TheClientRunsWhenItsAutomationObjectDoes) {
    InstallOutlook(Tree(Omi), 9);
    auto store = Load98();
    EXPECT_FALSE(store->IsClientRunning());
    testing_support::TTestProcess outlook = System().StartProcess(OutlookExe);
    EXPECT_TRUE(store->IsClientRunning());
}

TEST_F(Outlook98Load, ValuesRemovedFromTheKeyEmptyTheirFieldsWhenReadAgain) {
    struct TRow {
        int Index;
        const char* Key;
        const char* Value;
        const std::string& (TMailAccount::*Field)() const;
    };
    const TRow rows[] = {
        {0, "00000001", "POP3 User Name", &TMailAccount::UserName},
        {1, "00000002", "SMTP Server", &TMailAccount::SmtpServer},
        {2, "00000003", "IMAP User Name", &TMailAccount::UserName},
        {2, "00000003", "SMTP Server", &TMailAccount::SmtpServer},
    };
    for (const TRow& row : rows) {
        // Without a qualifying profile every account of the tree is listed.
        InstallOutlook(Outlook2000WithoutQualifyingProfile(), 9);
        auto store = Load98();
        ASSERT_EQ(store->AccountCount(), 3);
        TMailAccount& account = *store->AccountByIndex(row.Index);
        ASSERT_FALSE((account.*row.Field)().empty()) << row.Value;
        {
            platform::TRegistry registry(platform::HKEY_CURRENT_USER);
            ASSERT_TRUE(registry.OpenKey("\\" + Omi + "\\Accounts\\" + row.Key, false));
            ASSERT_TRUE(registry.DeleteValue(row.Value));
        }
        if (account.Kind() == AccountKindPOP) {
            store->ReloadPOPAccount(account);
        } else {
            store->ReloadIMAPAccount(account);
        }
        EXPECT_EQ((account.*row.Field)(), "") << row.Key << " " << row.Value;
    }
}
