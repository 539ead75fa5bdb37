// The Thunderbird store on the machine (ThunderbirdFixture.h): detection, loading, the
// provider's new account written and read back, and a running Thunderbird seen.

#include "ProviderAccount.h"
#include "ThunderbirdFixture.h"

#include "clients/mozilla/MozillaPasswords.h"
#include "clients/mozilla/MozillaPrefs.h"
#include "clients/mozilla/Thunderbird.h"

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "platform/TextCodec.h"
#include "platform/VersionInfo.h"

#include <gtest/gtest.h>

namespace {

using win32_test::Doubled;

const std::string kAddress = "anna.beispiel@quenlix.example";
const std::string kPopHost = "pop.quenlix.example";

class ThunderbirdStoreTest : public win32_test::TThunderbirdFixture {};

TEST_F(ThunderbirdStoreTest, TheInstallationIsDetectedAndItsAccountLoaded) {
    TThunderbirdMailAccounts store(false);
    ASSERT_TRUE(store.Installed());
    EXPECT_EQ(store.ClientMajorVersion(), 2);
    EXPECT_EQ(store.AppDataDir(), ThunderbirdDir + "\\");
    EXPECT_FALSE(store.IsClientRunning());
    ASSERT_EQ(store.ProfileCount(), 1);
    ASSERT_EQ(store.AccountCount(), 1);
    const TMailAccount& account = *store.AccountByIndex(0);
    EXPECT_EQ(account.EmailAddress(), "erika@example.com");
    EXPECT_EQ(account.AccountName(), "Erika Muster");
    EXPECT_EQ(dynamic_cast<const TPOPMailAccount&>(account).IncomingServer(), "pop.example.com");
    EXPECT_EQ(account.SmtpServer(), "smtp.example.com");
}

TEST_F(ThunderbirdStoreTest, TheProvidersNewAccountIsWrittenAndReadBack) {
    {
        TThunderbirdMailAccounts store(false);
        TMailAccount* account = store.AddAccount(AccountKindPOP, kAddress, kAddress, "Geheim-42");
        ASSERT_NE(account, nullptr);
        win32_test::ApplyProviderValues(dynamic_cast<TPOPMailAccount&>(*account), kAddress,
                                        kAddress);
        account->SetAccountName("Anna Beispiel");
        account->SetIsDefault(true);
        account->Save();
    }
    // Thunderbird's own files, as it reads them.
    TMozillaPrefsFile prefs;
    prefs.Load(Profile + "\\prefs.js");
    EXPECT_EQ(prefs.GetString("mail.accountmanager.accounts"), "account1,account2,account3");
    EXPECT_EQ(prefs.GetString("mail.accountmanager.defaultaccount"), "account3");
    EXPECT_EQ(prefs.GetString("mail.server.server3.hostname"), kPopHost);
    // As prefs.js holds it: every backslash doubled.
    EXPECT_EQ(prefs.GetString("mail.server.server3.directory"),
              Doubled(Profile + "\\Mail\\" + kPopHost));
    EXPECT_TRUE(platform::DirectoryExists(Profile + "\\Mail\\" + kPopHost));
    const auto signons = platform::ReadFileBytes(Profile + "\\signons.txt");
    ASSERT_TRUE(signons);
    EXPECT_NE(signons->find("mailbox://anna.beispiel%40quenlix.example@" + kPopHost),
              std::string::npos);
    EXPECT_EQ(signons->find("Geheim-42"), std::string::npos); // encoded, as Thunderbird keeps it

    TThunderbirdMailAccounts reread(false);
    ASSERT_EQ(reread.AccountCount(), 2);
    const TMailAccount* account = win32_test::FindAccount(reread, kAddress);
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->AccountName(), "Anna Beispiel");
    EXPECT_EQ(account->Password(), "Geheim-42");
    EXPECT_TRUE(account->IsDefault());
    win32_test::ExpectProviderServers(*account);
}

TEST_F(ThunderbirdStoreTest, ARunningThunderbirdIsSeen) {
    TThunderbirdMailAccounts store(false);
    ASSERT_TRUE(platform::DeleteFile(Exe));
    ASSERT_TRUE(CopyFileW(platform::win32::Wide(platform::GetModuleFileName()).c_str(),
                          platform::win32::Wide(Exe).c_str(), TRUE));
    win32_test::TChildProcess child(Exe);
    ASSERT_TRUE(child.Started());
    EXPECT_TRUE(store.IsClientRunning());
    child.End();
    EXPECT_FALSE(store.IsClientRunning());
}

} // namespace
