// The Outlook stores on the machine (OutlookFixture.h). Outlook 2003: detection, loading, and the
// provider's new account written into the profile's account section, its password sealed by the
// system's own data protection, and read back. Outlook 2000: the MAPI profile that qualifies and
// its accounts, and the new account written into the shared account tree with its services in
// the profile (its password only where the system has Protected Storage).

#include "OutlookFixture.h"
#include "ProviderAccount.h"

#include "clients/ProviderConstants.h"
#include "clients/outlook/Outlook2002.h"
#include "clients/outlook/Outlook98.h"

#include "platform/Files.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/VersionInfo.h"

#include <gtest/gtest.h>

namespace {

using win32_test::kMapiProfilesKey;

const std::string kAddress = "anna.beispiel@quenlix.example";

class Outlook2003StoreTest : public win32_test::TOutlookOnMachine {
protected:
    void SetUp() override { Install(11, "outlook2003_profile.reg"); }
};

const std::string kManager =
    kMapiProfilesKey.substr(1) + "\\Outlook\\9375CFF0413111d3B88A00104B2A6676";

TEST_F(Outlook2003StoreTest, TheProfileAndItsAccountsAreLoaded) {
    const TOutlookMailAccounts store(false);
    ASSERT_TRUE(store.Installed());
    EXPECT_EQ(store.ClientName(), "Outlook 2003");
    EXPECT_EQ(store.ClientMajorVersion(), 11);
    EXPECT_TRUE(store.AccountPasswordsAvailable());
    ASSERT_EQ(store.ProfileCount(), 1);
    const TMailProfile& profile = *store.ProfileByIndex(0);
    EXPECT_EQ(profile.Name(), "Outlook");
    ASSERT_EQ(profile.AccountCount(), 3);
    const auto& pop = dynamic_cast<const TPOPMailAccount&>(*profile.AccountByIndex(0));
    EXPECT_TRUE(pop.IsDefault());
    EXPECT_EQ(pop.DisplayName(), "Anna Muster");
    EXPECT_EQ(pop.EmailAddress(), "anna@example.org");
    EXPECT_EQ(pop.IncomingServer(), "pop.example.org");
    EXPECT_EQ(pop.IncomingPort(), 110);
}

TEST_F(Outlook2003StoreTest, TheProvidersNewAccountIsWrittenWithASealedPasswordAndReadBack) {
    {
        TOutlookMailAccounts store(false);
        auto& account = win32_test::AddProviderAccount(store, kAddress, "Anna Beispiel");
        EXPECT_EQ(account.AccountKey(), "00000004");
        account.Save();
    }
    // The registry as Outlook reads it: UTF-16 text in binary values, the password sealed.
    const std::string key = kManager + "\\00000004";
    const auto server =
        win32_test::ReadRawValue(platform::win32::CurrentUserKey, key, "POP3 Server");
    ASSERT_TRUE(server.Exists) << key;
    EXPECT_EQ(server.Type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(server.Data, platform::reg::StringToRegData(std::string(provider::Pop3Host)));
    const auto sealed =
        win32_test::ReadRawValue(platform::win32::CurrentUserKey, key, "POP3 Password");
    ASSERT_TRUE(sealed.Exists);
    const std::string data(sealed.Data.begin(), sealed.Data.end());
    EXPECT_EQ(data.find("Geheim-42"), std::string::npos);
    EXPECT_EQ(platform::reg::RegDataToString(sealed.Data).find("Geheim-42"), std::string::npos);

    const TOutlookMailAccounts reread(false);
    const TMailProfile& profile = *reread.ProfileByIndex(0);
    ASSERT_EQ(profile.AccountCount(), 4);
    const auto& account = dynamic_cast<const TPOPMailAccount&>(*profile.AccountByIndex(3));
    EXPECT_EQ(account.EmailAddress(), kAddress);
    EXPECT_EQ(account.DisplayName(), "Anna Beispiel");
    EXPECT_EQ(account.Password(), "Geheim-42");
    win32_test::ExpectProviderServers(account);
}

class Outlook2000StoreTest : public win32_test::TOutlookOnMachine {
protected:
    void SetUp() override { Install(9, "outlook2000_profiles.reg"); }
};

const std::string kOmiAccounts =
    "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager\\Accounts";

TEST_F(Outlook2000StoreTest, TheQualifyingProfileAndItsAccountsAreLoaded) {
    const TOutlook98MailAccounts store(false);
    ASSERT_TRUE(store.Installed());
    EXPECT_EQ(store.ClientMajorVersion(), 9);
    EXPECT_TRUE(store.MapiProfileMode());
    // Wine has no Protected Storage, as no Windows after XP has.
    if (win32_test::RunningUnderWine()) {
        EXPECT_FALSE(store.AccountPasswordsAvailable());
    }
    ASSERT_EQ(store.ProfileCount(), 1) << "the fax profile was never set up";
    const TMailProfile& profile = *store.ProfileByIndex(0);
    EXPECT_EQ(profile.Name(), "Outlook");
    ASSERT_EQ(profile.AccountCount(), 2);
    EXPECT_EQ(profile.AccountByIndex(0)->AccountName(), "pop.example.org");
    EXPECT_TRUE(profile.AccountByIndex(0)->IsDefault());
    EXPECT_EQ(profile.AccountByIndex(1)->AccountName(), "Quenlix mail");
}

TEST_F(Outlook2000StoreTest, TheProvidersNewAccountIsWrittenWithItsServiceAndReadBack) {
    bool passwordsKept = false;
    {
        TOutlook98MailAccounts store(false);
        passwordsKept = store.AccountPasswordsAvailable();
        auto& account = win32_test::AddProviderAccount(store, kAddress, "Anna Beispiel");
        EXPECT_EQ(account.AccountKey(), "00000004");
        account.Save();
    }
    const std::string key = kOmiAccounts + "\\00000004";
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + key));
    EXPECT_EQ(registry.ReadString("POP3 Server"), provider::Pop3Host);
    EXPECT_EQ(registry.ReadString("SMTP Email Address"), kAddress);
    EXPECT_EQ(registry.ReadInteger("POP3 Port"), provider::Pop3Port);

    const TOutlook98MailAccounts reread(false);
    const TMailProfile& profile = *reread.ProfileByIndex(0);
    ASSERT_EQ(profile.AccountCount(), 3) << "the new account's service ties it to the profile";
    const auto& account = dynamic_cast<const TPOPMailAccount&>(*profile.AccountByIndex(2));
    EXPECT_EQ(account.EmailAddress(), kAddress);
    EXPECT_EQ(account.DisplayName(), "Anna Beispiel");
    EXPECT_EQ(account.Password(), passwordsKept ? "Geheim-42" : "");
    win32_test::ExpectProviderServers(account);
    EXPECT_EQ(account.StoreData().Count(), 3) << "service, transport and address book";
}

} // namespace
