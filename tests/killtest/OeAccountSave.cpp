// A new default account saved into Windows Mail through the store: its .oeaccount file in "Local
// Folders" and "Default Mail Account" in the user's hive, in one save. (Windows Live Mail would
// make the account a folder of its own, which the kill test cannot watch the inside of.)

#include "KillScenario.h"
#include "ProviderAccount.h"

#include "clients/oeaccount/OeAccountDocument.h"
#include "clients/oeaccount/OeAccountPasswords.h"
#include "clients/oeaccount/WindowsMail.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/VersionInfo.h"

namespace kill_test {

namespace {

namespace fs = std::filesystem;

const std::string Program = "C:\\Program Files\\Windows Mail\\WinMail.exe";
const std::string Address = "anna.muster@quenlix.example";
const std::string Key = "account{5D1E0B7A-2C4F-4E8D-9A61-3B7C5D9E0F12}.oeaccount";

std::string StoreDir() {
    return platform::MachineFacts().LocalAppData + "\\Microsoft\\Windows Mail\\";
}
std::string AccountFile() {
    return StoreDir() + "Local Folders\\" + Key;
}

class TOeAccountSave : public TKillScenario {
public:
    std::string Name() const override { return "Windows Mail account"; }

    void Prepare() override {
        InstallProgram(Program,
                       platform::MakeVersionedPeImage(platform::MakeVersion(6, 0, 6002, 18005)));
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        registry.OpenKey("\\Software\\Microsoft\\Windows Mail", true);
        registry.CloseKey();
        registry.OpenKey("\\Software\\Microsoft\\IAM", true);
        registry.WriteString("Default Mail Account", "account{OLD}.oeaccount");
        registry.CloseKey();
        // The client's other account; its seal also makes the user's master key, which the
        // save under test then only reads.
        Store_ = std::make_unique<TWindowsMailAccounts>(false); // makes the salt
        platform::ForceDirectories(StoreDir() + "Local Folders");
        TOeAccountDocument other;
        WriteStringValue(other, "POP3_Server", "pop.example.org");
        WriteBinaryValue(other, "POP3_Password2", ProtectPassword("old", Store_->SaltHex()));
        platform::WriteFileAtomic(StoreDir() + "Local Folders\\account{OLD}.oeaccount",
                                  other.Save());
        Store_ = std::make_unique<TWindowsMailAccounts>(false);
        OldHive_ = ReadHostFile(UserHive()).value();
    }
    std::vector<fs::path> Files() const override {
        return {platform::HostPath(AccountFile()), UserHive()};
    }
    void WriteOldState() override {
        fs::remove(platform::HostPath(AccountFile()));
        WriteHostFile(UserHive(), OldHive_);
    }
    void Save() override {
        TMailAccount* account = Store_->AddAccount(AccountKindPOP, Address, Address, "");
        account->SetAccountKey(Key); // the same file in every round
        SaveProviderAccount(account, "Geheim-42");
    }
    // Every save seals the passwords afresh.
    std::string Comparable(const fs::path& file, std::string bytes) const override {
        if (file.extension() != ".oeaccount") {
            return bytes;
        }
        auto document = TOeAccountDocument::Parse(bytes);
        if (!document) {
            return bytes; // torn, and so neither old nor new
        }
        for (const char* name : {"POP3_Password2", "SMTP_Password2"}) {
            if (document->HasValue(name)) {
                WriteBinaryValue(*document, name, "(sealed)");
            }
        }
        return document->Save();
    }

private:
    std::unique_ptr<TWindowsMailAccounts> Store_;
    std::string OldHive_;
};

const TKillRegistration Registered{std::make_unique<TOeAccountSave>()};

} // namespace

} // namespace kill_test
