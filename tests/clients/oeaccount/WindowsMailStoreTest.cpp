// What only the Windows Mail store does: "Local Folders" for a new POP account.

#include "OeAccountTestSupport.h"

#include "accounts/RegistryHelpers.h"
#include "platform/Files.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

using namespace oeaccount_test;

namespace {

class WindowsMailStoreTest : public OeAccountFixture {
protected:
    void Install(const TInstall& install = {}) {
        OeAccountFixture::Install(TClient::WindowsMail, install);
    }
};

TEST_F(WindowsMailStoreTest, ANewPopAccountWhoseFolderCannotBeMadeStaysUnsaved) {
    Install();
    TWindowsMailAccounts store(false);
    TMailAccount* account = store.AddAccount(AccountKindPOP, "a@b", "a@b", "pw");
    const std::string key = account->AccountKey();
    System->WriteFile(StoreDir + "Local Folders", "a file where the folder belongs");
    EXPECT_NE(ErrorOf<platform::EFileError>([&] { account->Save(); }).find("Local Folders"),
              std::string::npos);
    EXPECT_EQ(account->AccountKey(), key);
    EXPECT_EQ(DefaultMailAccount(), "<no IAM key>");
}

} // namespace
