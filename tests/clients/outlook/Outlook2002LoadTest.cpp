// Outlook 2002/2003/2007: finding the client, the MAPI profiles and their accounts, and the
// passwords of each version.

#include "OutlookTestSupport.h"

#include "clients/outlook/Outlook2002.h"
#include "clients/outlook/StoredPasswords.h"

using namespace outlook_test;
using testing_support::TTestMachine;
using testing_support::TTestWindows;

namespace {

const std::string Manager = ProfilesNT + "\\Outlook\\9375CFF0413111d3B88A00104B2A6676";

std::string Fixture2003() {
    return TestFile("fixtures/outlook2003_profile.reg");
}

// The fixture as the given version keeps it (only the Office key differs).
std::string FixtureOf(int major) {
    return Replaced(Fixture2003(), "Office\\11.0", "Office\\" + std::to_string(major) + ".0");
}

void SealInto(const std::string& key, const std::string& value, const std::string& password) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey("\\" + key, false));
    SealPassword(registry, value, password);
}

class Outlook2002Load : public OutlookFixture {
protected:
    std::unique_ptr<TOutlookMailAccounts> Load2002() {
        return std::make_unique<TOutlookMailAccounts>(false);
    }
};

} // namespace

TEST_F(Outlook2002Load, FindsTheClientByVersionProfilesAndOfficeKey) {
    struct TRow {
        int Major;
        std::string Hkcu;
        const char* Name; // nullptr: not installed
    };
    const TRow rows[] = {
        {10, FixtureOf(10), "Outlook 2002"},
        {11, Fixture2003(), "Outlook 2003"},
        {12, FixtureOf(12), "Outlook 2007"},
        {12, Fixture2003(), "Outlook 2007"}, // any of the three Office keys will do
        {9, Fixture2003(), nullptr},
        {13, FixtureOf(13), nullptr},
        {11, FixtureOf(9), nullptr},
        {11, Replaced(Fixture2003(), "Messaging Subsystem", "Messaging Nothing"), nullptr},
    };
    for (const TRow& row : rows) {
        InstallOutlook(row.Hkcu, row.Major);
        auto store = Load2002();
        EXPECT_EQ(store->Installed(), row.Name != nullptr) << row.Major;
        if (row.Name == nullptr) {
            EXPECT_EQ(store->ProfileCount(), 0);
            continue;
        }
        EXPECT_EQ(store->ClientName(), row.Name);
        EXPECT_EQ(store->ClientMajorVersion(), row.Major);
        EXPECT_TRUE(store->AccountPasswordsAvailable());
        EXPECT_EQ(store->AccountCount(), 3) << row.Name;
    }
}

TEST_F(Outlook2002Load, AProfilesAccountsAreReadWithTheirValues) {
    InstallOutlook(Fixture2003(), 11);
    auto store = Load2002();
    EXPECT_TRUE(store->HangUpAfterSpool());
    ASSERT_EQ(store->ProfileCount(), 1) << "the profile without its own section is left out";
    const TMailProfile& profile = *store->ProfileByIndex(0);
    EXPECT_EQ(profile.Name(), "Outlook");
    EXPECT_TRUE(profile.IsDefaultProfile());
    EXPECT_EQ(profile.AccountsLocation(), Manager);
    ASSERT_EQ(profile.AccountCount(), 3);

    auto& pop = dynamic_cast<TPOPMailAccount&>(*profile.AccountByIndex(0));
    EXPECT_TRUE(pop.IsDefault()) << "first in the list";
    EXPECT_EQ(pop.AccountName(), "pop.example.org");
    EXPECT_EQ(pop.DisplayName(), "Anna Muster");
    EXPECT_EQ(pop.EmailAddress(), "anna@example.org");
    EXPECT_EQ(pop.UserName(), "anna");
    EXPECT_EQ(pop.IncomingServer(), "pop.example.org");
    EXPECT_EQ(pop.IncomingPort(), 110);
    EXPECT_TRUE(pop.RememberPassword());
    EXPECT_TRUE(pop.LeaveOnServer());
    EXPECT_FALSE(pop.RemoveWhenExpired());
    EXPECT_EQ(pop.ExpireDays(), 10);
    EXPECT_EQ(pop.ConnectionType(), 3);
    EXPECT_EQ(pop.ConnectionName(), "T-Online");
    EXPECT_EQ(pop.SmtpAuthMode(), 0);
    EXPECT_EQ(pop.AccountKey(), "00000001");
    EXPECT_EQ(pop.StoreLocation(), Manager + "\\00000001");

    auto& imap = dynamic_cast<TIMAPMailAccount&>(*profile.AccountByIndex(1));
    EXPECT_FALSE(imap.IsDefault());
    EXPECT_EQ(imap.IncomingServer(), "imap.example.org");
    EXPECT_EQ(imap.IncomingPort(), 993);
    EXPECT_TRUE(imap.UseSSL());
    EXPECT_EQ(imap.RootFolder(), "INBOX");
    EXPECT_EQ(imap.SmtpAuthMode(), 2) << "an IMAP account reads every method as its own login";

    auto& quenlix = dynamic_cast<TPOPMailAccount&>(*profile.AccountByIndex(2));
    EXPECT_FALSE(quenlix.RememberPassword());
    EXPECT_EQ(quenlix.SmtpAuthMode(), 1);
    EXPECT_TRUE(quenlix.LeaveOnServer());
    EXPECT_TRUE(quenlix.RemoveWhenExpired());
    EXPECT_TRUE(quenlix.RemoveWhenDeleted());
    EXPECT_EQ(quenlix.ExpireDays(), 5);
    EXPECT_EQ(quenlix.ConnectionType(), 0);
}

TEST_F(Outlook2002Load, AccountsOfOtherClassesAndWithoutNameAreNotListed) {
    InstallOutlook(Fixture2003() + Key(Manager + "\\00000004") + Wide("Account Name", "Hotmail") +
                       Str("clsid", "{ED475414-B0D6-11D2-8C3B-00104B2A6676}") +
                       Key(Manager + "\\00000005") +
                       Str("clsid", "{ED475411-B0D6-11D2-8C3B-00104B2A6676}") +
                       Wide("POP3 Server", "pop.example.net") + Key(Manager + "\\00000006") +
                       Str("Account Name", "not UTF-16") +
                       Str("clsid", "{ED475411-B0D6-11D2-8C3B-00104B2A6676}"),
                   11);
    EXPECT_EQ(Load2002()->AccountCount(), 3);
}

TEST_F(Outlook2002Load, WithoutDefaultProfileTheProfileNamedOutlookIsTheDefault) {
    for (const char* name : {"Outlook", "Zweites"}) {
        std::string hkcu = Replaced(Fixture2003(), "\"DefaultProfile\"=\"Outlook\"\r\n", "");
        hkcu = Replaced(hkcu, ProfilesNT + "\\Outlook", ProfilesNT + "\\" + name);
        InstallOutlook(hkcu, 11);
        auto store = Load2002();
        ASSERT_EQ(store->ProfileCount(), 1);
        EXPECT_EQ(store->ProfileByIndex(0)->IsDefaultProfile(), std::string(name) == "Outlook");
        EXPECT_EQ(store->AccountCount(), 3) << "the first profile stands in for the default";
    }
}

TEST_F(Outlook2002Load, Outlook2003And2007PasswordsUnsealThroughTheStore) {
    for (const int major : {11, 12}) {
        InstallOutlook(FixtureOf(major), major);
        SealInto(Manager + "\\00000003", "POP3 Password", "Geheim-42");
        SealInto(Manager + "\\00000002", "SMTP Password", "Senden-7");
        {
            platform::TRegistry registry(platform::HKEY_CURRENT_USER);
            ASSERT_TRUE(registry.OpenKey("\\" + Manager + "\\00000001", false));
            registry.WriteBinaryData("POP3 Password", {0x02, 0x01, 0x02, 0x03}); // does not unseal
        }
        auto store = Load2002();
        EXPECT_EQ(store->AccountByIndex(2)->Password(), "Geheim-42") << major;
        EXPECT_EQ(store->AccountByIndex(1)->SmtpPassword(), "Senden-7") << major;
        EXPECT_EQ(store->AccountByIndex(0)->Password(), "") << major;
    }
}

TEST_F(Outlook2002Load, AnOutlook2002ReferenceResolvesThroughProtectedStorage) {
    InstallOutlook(FixtureOf(10), 10);
    {
        TStoredPasswords passwords(TOutlookPasswordStore::Outlook2002);
        ASSERT_TRUE(passwords.ObtainProvider());
        passwords.WriteStoredPassword("000000001A2B3C4D", "Geheim-42");
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey("\\" + Manager + "\\00000003", false));
        passwords.WriteReferenceValue(registry, "POP3 Password", "000000001A2B3C4D");
        EXPECT_EQ(registry.GetDataSize("POP3 Password"), 35);
    }
    EXPECT_EQ(Load2002()->AccountByIndex(2)->Password(), "Geheim-42");

    InstallOutlook(FixtureOf(10), 10, TTestMachine().ProtectedStorage(false).Ini());
    auto without = Load2002();
    EXPECT_TRUE(without->Installed());
    EXPECT_EQ(without->AccountByIndex(2)->Password(), "");
}

TEST_F(Outlook2002Load, TheProfilesKeyFollowsTheWindowsVersion) {
    const std::string on9x = Replaced(Fixture2003(), ProfilesNT, Profiles9x);
    InstallOutlook(on9x, 11, TTestMachine().Windows(TTestWindows::WinMe).Ini());
    EXPECT_EQ(Load2002()->AccountCount(), 3);
    InstallOutlook(on9x, 11);
    EXPECT_FALSE(Load2002()->Installed()) << "Windows XP looks for the NT key only";
    InstallOutlook(Fixture2003(), 12, TTestMachine().Windows(TTestWindows::Win8).Ini());
    EXPECT_EQ(Load2002()->AccountCount(), 3);
}

TEST_F(Outlook2002Load, TheClientRunsWhenItsAutomationObjectOrItsProcessDoes) {
    InstallOutlook(Fixture2003(), 11);
    auto store = Load2002();
    EXPECT_FALSE(store->IsClientRunning());
    testing_support::TTestProcess outlook = System().StartProcess(OutlookExe);
    EXPECT_TRUE(store->IsClientRunning());
    outlook.End();
    testing_support::TTestProcess elsewhere = System().StartProcess("C:\\Temp\\OUTLOOK.EXE");
    EXPECT_TRUE(store->IsClientRunning()) << "by its process name";
}
