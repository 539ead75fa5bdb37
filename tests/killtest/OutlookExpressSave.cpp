// The Outlook Express store's whole account save: a new account (its key with every value, the
// key counter, the default mark and the association of the top-level tree) written into the
// current user's hive of an identity with 300 accounts.
//
// The account has no password: a password item is sealed with a fresh random nonce at every
// save, so the new bytes would differ from run to run, and the test compares exact bytes.

#include "KillScenario.h"
#include "ProviderAccount.h"

#include "clients/outlook/OutlookExpress.h"

namespace kill_test {

namespace {

const std::string Identity = "{8E4B3F2A-1C5D-4E6F-9A7B-2C3D4E5F6A7B}";
const std::string Tree = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager";

std::string OldHive() {
    std::string text = RegHeader + "[HKEY_CURRENT_USER\\Identities]\r\n\"Default User ID\"=\"" +
                       Identity + "\"\r\n\r\n[HKEY_CURRENT_USER\\Identities\\" + Identity +
                       "]\r\n\"Username\"=\"Main Identity\"\r\n\r\n[" + Tree +
                       "]\r\n\"Account Name\"=dword:0000012c\r\n\"Default Mail Account\"="
                       "\"00000000\"\r\n\r\n[" +
                       Tree + "\\Accounts]\r\n";
    for (int i = 0; i < 300; ++i) {
        text += OtherAccountKey(Tree + "\\Accounts", i);
    }
    return text;
}

class TOutlookExpressAccountSave : public TOneFileSave {
public:
    std::string Name() const override { return "Outlook Express account"; }

    void Prepare() override {
        File_ = UserHive();
        OldBytes_ = OldHive();
    }
    void Save() override {
        TOutlookExpressMailAccounts store(false);
        SaveProviderAccount(store.AddAccount(AccountKindPOP, "anna.muster@quenlix.example",
                                             "anna.muster@quenlix.example", ""),
                            "");
    }
};

const TKillRegistration Registered{std::make_unique<TOutlookExpressAccountSave>()};

} // namespace

} // namespace kill_test
