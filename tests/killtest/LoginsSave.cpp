// A large logins.json with one login's password changed and one login added, written as the
// Thunderbird store writes its login store: the new text through platform::WriteFileAtomic.

#include "KillScenario.h"

#include "clients/mozilla/Base64.h"
#include "clients/mozilla/MozillaLogins.h"
#include "platform/Files.h"

namespace kill_test {

namespace {

const std::string LoginsPath = "C:\\Logins\\logins.json";

// Stands in for the key database: "K:" and Base64.
class TBase64Crypto : public TLoginCrypto {
public:
    std::string Encrypt(const std::string& plain) override { return "K:" + Base64Encode(plain); }
    std::optional<std::string> Decrypt(const std::string& encrypted) override {
        if (encrypted.rfind("K:", 0) != 0) {
            return std::nullopt;
        }
        return Base64Decode(encrypted.substr(2));
    }
};

// A login as the application writes it.
std::string Login(int id, TLoginCrypto& crypto) {
    const std::string origin = "mailbox://pop" + std::to_string(id) + ".example";
    return "{\"id\":" + std::to_string(id) + ",\"hostname\":\"" + origin + "\",\"httpRealm\":\"" +
           origin + "\",\"formSubmitURL\":null,\"usernameField\":\"\",\"passwordField\":\"\"," +
           "\"encryptedUsername\":\"" + crypto.Encrypt("user" + std::to_string(id)) +
           "\",\"encryptedPassword\":\"" + crypto.Encrypt("secret-" + std::to_string(id)) +
           "\",\"guid\":\"{00000000-0000-4000-8000-" + std::to_string(100000000000 + id) +
           "}\",\"encType\":1,\"timeCreated\":1690000000000,\"timeLastUsed\":1690000000000,"
           "\"timePasswordChanged\":1690000000000,\"timesUsed\":1,\"syncCounter\":1,"
           "\"everSynced\":false,\"encryptedUnknownFields\":null}";
}

class TLoginsSave : public TOneFileSave {
public:
    std::string Name() const override { return "logins.json"; }

    void Prepare() override {
        TBase64Crypto crypto;
        constexpr int Count = 3000;
        OldBytes_ = "{\"nextId\":" + std::to_string(Count + 1) + ",\"logins\":[";
        for (int id = 1; id <= Count; ++id) {
            OldBytes_ += (id > 1 ? "," : "") + Login(id, crypto);
        }
        OldBytes_ += "],\"potentiallyVulnerablePasswords\":[],"
                     "\"dismissedBreachAlertsByLoginGUID\":{},\"version\":3}";
        platform::ForceDirectories("C:\\Logins");
        platform::WriteFileAtomic(LoginsPath, OldBytes_);
        File_ = platform::HostPath(LoginsPath);
        Logins_ = std::make_unique<TMozillaLoginsFile>(
            TMozillaLoginsFile::FromText(*platform::ReadFileBytes(LoginsPath)));
        const TLoginStamp stamp{1700000000000, "{0a1b2c3d-0000-4000-8000-00000000abcd}"};
        Logins_->SetLogin({"mailbox://pop1500.example", "user1500", "changed"}, crypto, stamp);
        Logins_->SetLogin({"smtp://smtp.quenlix.example", "anna", "added"}, crypto, stamp);
    }
    void Save() override { platform::WriteFileAtomic(LoginsPath, Logins_->ToText()); }

private:
    std::unique_ptr<TMozillaLoginsFile> Logins_;
};

const TKillRegistration Registered{std::make_unique<TLoginsSave>()};

} // namespace

} // namespace kill_test
