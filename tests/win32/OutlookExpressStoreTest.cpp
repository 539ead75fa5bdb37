// The Outlook Express store on the machine (OutlookExpressFixture.h): detection, loading, and
// the provider's new account written into the registry and read back. Where the system has no
// Protected Storage (Wine, every Windows after XP) the password cannot be kept and the account
// is written without it.

#include "OutlookExpressFixture.h"
#include "ProviderAccount.h"
#include "WinTestSupport.h"

#include "platform/Guid.h"
#include "platform/RegText.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

namespace {

using win32_test::kInternetAccountManager;
using win32_test::kOutlookExpressMainIdentity;

const std::string kAddress = "anna.beispiel@quenlix.example";

class OutlookExpressStoreTest : public win32_test::TOutlookExpressFixture {};

TEST_F(OutlookExpressStoreTest, TheIdentitiesAndTheirAccountsAreLoaded) {
    TOutlookExpressMailAccounts store(false);
    ASSERT_TRUE(store.Installed());
    EXPECT_EQ(store.ClientMajorVersion(), 6);
    EXPECT_EQ(platform::GuidToString(store.DefaultIdentity()), kOutlookExpressMainIdentity);
    // Wine has no Protected Storage, as no Windows after XP has.
    if (win32_test::RunningUnderWine()) {
        EXPECT_FALSE(store.AccountPasswordsAvailable());
    }
    ASSERT_EQ(store.ProfileCount(), 2);
    const TMailProfile& main = MainIdentity(store);
    ASSERT_EQ(main.AccountCount(), 2);
    EXPECT_EQ(main.AccountByIndex(1)->EmailAddress(), "anna.muster@quenlix.example");
    EXPECT_TRUE(main.AccountByIndex(1)->IsDefault());
    EXPECT_EQ(main.AccountByIndex(1)->StoreLocation(),
              kInternetAccountManager.substr(1) + "\\Accounts\\00000002");
}

TEST_F(OutlookExpressStoreTest, TheProvidersNewAccountIsWrittenAndReadBack) {
    std::string location;
    bool passwordsKept = false;
    {
        TOutlookExpressMailAccounts store(false);
        passwordsKept = store.AccountPasswordsAvailable();
        auto& account = win32_test::AddProviderAccount(store, kAddress, "Anna Beispiel");
        account.Save();
        location = account.StoreLocation();
    }
    // The registry as Outlook Express reads it.
    const auto raw =
        win32_test::ReadRawValue(platform::win32::CurrentUserKey, location, "POP3 Server");
    ASSERT_TRUE(raw.Exists) << location;
    EXPECT_EQ(raw.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(platform::reg::RegDataToString(raw.Data), "pop.quenlix.example");
    EXPECT_EQ(win32_test::ReadRawValue(platform::win32::CurrentUserKey, location, "POP3 Port").Data,
              (std::vector<std::uint8_t>{0xe3, 0x03, 0, 0}));

    TOutlookExpressMailAccounts reread(false);
    const TMailProfile& main = MainIdentity(reread);
    const TMailAccount* account = win32_test::FindAccount(main, kAddress);
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(main.AccountCount(), 3);
    EXPECT_EQ(account->DisplayName(), "Anna Beispiel");
    EXPECT_EQ(account->Password(), passwordsKept ? "Geheim-42" : "");
    win32_test::ExpectProviderServers(*account);
}

} // namespace
