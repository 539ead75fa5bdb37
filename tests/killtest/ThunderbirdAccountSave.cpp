// A new account saved into the profile of a current Thunderbird through the store: prefs.js,
// signons.txt and logins.json (with key4.db, when NSS's certutil can make one) rewritten and the
// account's mail folder created, all in one save.

#include "KillScenario.h"
#include "ProviderAccount.h"

#include "accounts/MailAccount.h"
#include "clients/mozilla/Json.h"
#include "clients/mozilla/Thunderbird.h"
#include "clients/mozilla/ThunderbirdTestSupport.h"
#include "platform/Files.h"
#include "support/KeyDatabase.h"

#include <cstdio>
#include <set>

namespace kill_test {

namespace {

namespace fs = std::filesystem;

const std::string kProgramDir = "C:\\Program Files\\Mozilla Thunderbird";
const std::string kThunderbirdDir =
    "C:\\Documents and Settings\\User\\Application Data\\Thunderbird";
const std::string kProfileDir = kThunderbirdDir + "\\Profiles\\k3x9q2mf.default-esr";
const std::string kNewFolder = kProfileDir + "\\Mail\\pop.quenlix.example";

// prefs.js as a current Thunderbird leaves it: one POP account and Local Folders.
std::string OldPrefs() {
    using namespace thunderbird_test;
    return "// Mozilla User Preferences\r\n\r\n" + Str("mail.account.account1.identities", "id1") +
           Str("mail.account.account1.server", "server1") +
           Str("mail.account.account2.server", "server2") + Int("mail.account.lastKey", 2) +
           Str("mail.accountmanager.accounts", "account1,account2") +
           Str("mail.accountmanager.defaultaccount", "account1") +
           Str("mail.accountmanager.localfoldersserver", "server2") +
           Str("mail.identity.id1.fullName", "Erika Muster") +
           Str("mail.identity.id1.smtpServer", "smtp1") +
           Str("mail.identity.id1.useremail", "erika@example.com") +
           Bool("mail.identity.id1.valid", true) + Int("mail.server.server1.authMethod", 4) +
           Str("mail.server.server1.directory", Doubled(kProfileDir + "\\Mail\\pop.example.com")) +
           Str("mail.server.server1.directory-rel", "[ProfD]Mail/pop.example.com") +
           Str("mail.server.server1.hostname", "pop.example.com") +
           Str("mail.server.server1.name", "erika@example.com") +
           Int("mail.server.server1.port", 110) + Int("mail.server.server1.socketType", 2) +
           Str("mail.server.server1.type", "pop3") + Str("mail.server.server1.userName", "erika") +
           Str("mail.server.server2.directory", Doubled(kProfileDir + "\\Mail\\Local Folders")) +
           Str("mail.server.server2.directory-rel", "[ProfD]Mail/Local Folders") +
           Str("mail.server.server2.hostname", "Local Folders") +
           Str("mail.server.server2.name", "Local Folders") +
           Str("mail.server.server2.type", "none") + Str("mail.server.server2.userName", "nobody") +
           Str("mail.smtp.defaultserver", "smtp1") + Int("mail.smtpserver.smtp1.authMethod", 4) +
           Str("mail.smtpserver.smtp1.hostname", "smtp.example.com") +
           Int("mail.smtpserver.smtp1.port", 587) + Int("mail.smtpserver.smtp1.try_ssl", 2) +
           Str("mail.smtpserver.smtp1.type", "smtp") +
           Str("mail.smtpserver.smtp1.username", "erika") + Str("mail.smtpservers", "smtp1");
}

const std::string kOldSignons = "#2c\r\n.\r\nmailbox://erika@pop.example.com\r\n\\=username=\\\r\n~"
                                "ZXJpa2E=\r\n*\\=password=\\\r\n~c2VjcmV0\r\n.\r\n";

// logins.json with a web login and the tombstone of a deleted one.
const std::string kOldLogins =
    "{\"nextId\":3,\"logins\":[{\"id\":1,\"hostname\":\"https://example.com\",\"httpRealm\":null,"
    "\"formSubmitURL\":\"https://example.com\",\"usernameField\":\"user\",\"passwordField\":"
    "\"pass\",\"encryptedUsername\":\"MDIEEPgAAAAAAAAAAAAAAAAAAAEwFAYIKoZIhvcNAwcECAbc\","
    "\"encryptedPassword\":\"MDIEEPgAAAAAAAAAAAAAAAAAAAEwFAYIKoZIhvcNAwcECAdef\",\"guid\":"
    "\"{aa8ad2a7-3c67-4d7e-8a35-3c8f7f2d1e01}\",\"encType\":1,\"timeCreated\":1690000000000,"
    "\"timeLastUsed\":1690000000000,\"timePasswordChanged\":1690000000000,\"timesUsed\":3,"
    "\"syncCounter\":1,\"everSynced\":false,\"encryptedUnknownFields\":null},{\"id\":2,\"guid\":"
    "\"{bb8ad2a7-3c67-4d7e-8a35-3c8f7f2d1e02}\",\"timePasswordChanged\":1690000000000,"
    "\"syncCounter\":2,\"everSynced\":true,\"deleted\":true}],"
    "\"potentiallyVulnerablePasswords\":[],\"dismissedBreachAlertsByLoginGUID\":{},\"version\":3}";

class TThunderbirdAccountSave : public TKillScenario {
public:
    std::string Name() const override { return "Thunderbird account"; }

    void Prepare() override {
        InstallProgram(kProgramDir + "\\thunderbird.exe", "MZ");
        platform::WriteFileAtomic(kProgramDir + "\\nss3.dll", "stands in for NSS");
        platform::ForceDirectories(kProfileDir + "\\Mail\\pop.example.com");
        platform::ForceDirectories(kProfileDir + "\\Mail\\Local Folders");
        platform::WriteFileAtomic(kThunderbirdDir + "\\profiles.ini",
                                  "[Profile0]\r\nName=default-esr\r\nIsRelative=1\r\n"
                                  "Path=Profiles/k3x9q2mf.default-esr\r\nDefault=1\r\n\r\n"
                                  "[General]\r\nStartWithLastProfile=1\r\nVersion=2\r\n");
        if (const std::string why = testing_support::KeyDatabaseUnavailableReason(); why.empty()) {
            testing_support::CreateKeyDatabase(platform::HostPath(kProfileDir));
        } else {
            std::printf("%s: logins.json stays as it is: %s\n", Name().c_str(), why.c_str());
        }
        OldPrefs_ = OldPrefs();
        WriteOldState();
        // The store of the running program; each save adds the account in its own child.
        Store_ = std::make_unique<TThunderbirdMailAccounts>(false);
        if (!Store_->Installed()) {
            throw std::runtime_error("the Thunderbird store finds no profile");
        }
    }
    std::vector<fs::path> Files() const override {
        return {platform::HostPath(kProfileDir + "\\prefs.js"),
                platform::HostPath(kProfileDir + "\\signons.txt"),
                platform::HostPath(kProfileDir + "\\logins.json"), platform::HostPath(kNewFolder)};
    }
    void WriteOldState() override {
        WriteHostFile(platform::HostPath(kProfileDir + "\\prefs.js"), OldPrefs_);
        WriteHostFile(platform::HostPath(kProfileDir + "\\signons.txt"), kOldSignons);
        WriteHostFile(platform::HostPath(kProfileDir + "\\logins.json"), kOldLogins);
        fs::remove_all(platform::HostPath(kNewFolder));
    }
    void Save() override {
        SaveProviderAccount(Store_->AddAccount(AccountKindPOP, "anna.muster@quenlix.example",
                                               "anna.muster@quenlix.example", ""),
                            "Geheim-42", true);
    }
    // Every save encrypts afresh and stamps its logins with a new GUID and the time.
    inline static const std::set<std::string> kVarying = {
        "encryptedUsername", "encryptedPassword", "guid",
        "timeCreated",       "timeLastUsed",      "timePasswordChanged"};
    std::string Comparable(const fs::path& file, std::string bytes) const override {
        if (file.filename() != "logins.json") {
            return bytes;
        }
        try {
            TJsonValue root = ParseJson(bytes);
            TJsonValue* logins = root.Find("logins");
            for (TJsonValue& login : logins != nullptr ? logins->Items() : root.Items()) {
                for (auto& [name, value] : login.Members()) {
                    if (kVarying.count(name) != 0) {
                        value = TJsonValue::String("(varies)");
                    }
                }
            }
            return WriteJson(root);
        } catch (const EJsonError&) {
            return bytes; // no JSON: torn, and so neither old nor new
        }
    }

private:
    std::string OldPrefs_;
    std::unique_ptr<TThunderbirdMailAccounts> Store_;
};

const TKillRegistration Registered{std::make_unique<TThunderbirdAccountSave>()};

} // namespace

} // namespace kill_test
