// A new account saved into the profile of a current Thunderbird through the store: prefs.js,
// signons.txt and logins.json (with key4.db, when NSS's certutil can make one) rewritten and the
// account's mail folder created, all in one save.

#include "KillScenario.h"
#include "ProviderAccount.h"

#include "accounts/MailAccount.h"
#include "clients/mozilla/Json.h"
#include "clients/mozilla/Thunderbird.h"
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

std::string Pref(const std::string& name, const std::string& value) {
    return "user_pref(\"" + name + "\", " + value + ");\r\n";
}
std::string Text(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return quoted + "\"";
}

// prefs.js as a current Thunderbird leaves it: one POP account and Local Folders.
std::string OldPrefs() {
    std::string prefs = "// Mozilla User Preferences\r\n\r\n";
    const std::pair<std::string, std::string> items[] = {
        {"mail.account.account1.identities", Text("id1")},
        {"mail.account.account1.server", Text("server1")},
        {"mail.account.account2.server", Text("server2")},
        {"mail.account.lastKey", "2"},
        {"mail.accountmanager.accounts", Text("account1,account2")},
        {"mail.accountmanager.defaultaccount", Text("account1")},
        {"mail.accountmanager.localfoldersserver", Text("server2")},
        {"mail.identity.id1.fullName", Text("Erika Muster")},
        {"mail.identity.id1.smtpServer", Text("smtp1")},
        {"mail.identity.id1.useremail", Text("erika@example.com")},
        {"mail.identity.id1.valid", "true"},
        {"mail.server.server1.authMethod", "4"},
        {"mail.server.server1.directory", Text(kProfileDir + "\\Mail\\pop.example.com")},
        {"mail.server.server1.directory-rel", Text("[ProfD]Mail/pop.example.com")},
        {"mail.server.server1.hostname", Text("pop.example.com")},
        {"mail.server.server1.name", Text("erika@example.com")},
        {"mail.server.server1.port", "110"},
        {"mail.server.server1.socketType", "2"},
        {"mail.server.server1.type", Text("pop3")},
        {"mail.server.server1.userName", Text("erika")},
        {"mail.server.server2.directory", Text(kProfileDir + "\\Mail\\Local Folders")},
        {"mail.server.server2.directory-rel", Text("[ProfD]Mail/Local Folders")},
        {"mail.server.server2.hostname", Text("Local Folders")},
        {"mail.server.server2.name", Text("Local Folders")},
        {"mail.server.server2.type", Text("none")},
        {"mail.server.server2.userName", Text("nobody")},
        {"mail.smtp.defaultserver", Text("smtp1")},
        {"mail.smtpserver.smtp1.authMethod", "4"},
        {"mail.smtpserver.smtp1.hostname", Text("smtp.example.com")},
        {"mail.smtpserver.smtp1.port", "587"},
        {"mail.smtpserver.smtp1.try_ssl", "2"},
        {"mail.smtpserver.smtp1.type", Text("smtp")},
        {"mail.smtpserver.smtp1.username", Text("erika")},
        {"mail.smtpservers", Text("smtp1")},
    };
    for (const auto& [name, value] : items) {
        prefs += Pref(name, value);
    }
    return prefs;
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
