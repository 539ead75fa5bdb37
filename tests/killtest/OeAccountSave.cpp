// A Windows Live Mail account adapted and saved: its .oeaccount file rewritten in place.
//
// Sealing a password draws fresh random bytes at every save, so no two saves would write the same
// file; this client's "Salt" is therefore no binary value, which keeps passwords out of the file
// and makes every save write the same bytes. What is under test is the file's replacement.

#include "KillScenario.h"

#include "clients/oeaccount/windowslivemail.h"
#include "platform/Files.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/VersionInfo.h"

namespace kill_test {

namespace {

const std::string Program = "C:\\Program Files\\Windows Live\\Mail\\wlmail.exe";

std::string AccountPath() {
    return platform::MachineFacts().LocalAppData +
           "\\Microsoft\\Windows Live Mail\\pop.quenlix.example\\account{5D1E}.oeaccount";
}

// The account file as the client writes it, with many values the store does not keep.
std::string ClientAccountFile() {
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-16\" ?>\r\n<MessageAccount>\r\n"
                       "\t<Account_Name type=\"SZ\">Quenlix Mail</Account_Name>\r\n"
                       "\t<POP3_Server type=\"SZ\">pop.quenlix.example</POP3_Server>\r\n"
                       "\t<POP3_User_Name type=\"SZ\">anna.muster</POP3_User_Name>\r\n";
    for (int i = 0; i < 2000; ++i) {
        text += "\t<Client_Value_" + std::to_string(i) + " type=\"DWORD\">00000001</Client_Value_" +
                std::to_string(i) + ">\r\n";
    }
    text += "</MessageAccount>\r\n";
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    platform::reg::AppendUtf16Bytes(bytes, platform::Utf8ToUtf16(text));
    return std::string(bytes.begin(), bytes.end());
}

class TOeAccountSave : public TKillScenario {
public:
    std::string Name() const override { return "oeaccount"; }

    void Prepare() override {
        platform::ForceDirectories(platform::ExtractFilePath(Program));
        platform::WriteFileAtomic(
            Program, platform::MakeVersionedPeImage(platform::MakeVersion(14, 0, 8117, 416)));
        platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
        registry.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe",
                         true);
        registry.WriteString("", Program);
        registry.CloseKey();
        registry.SetRootKey(platform::HKEY_CURRENT_USER);
        registry.OpenKey("\\Software\\Microsoft\\Windows Live Mail", true);
        registry.WriteString("Salt", "not binary");
        registry.CloseKey();
        OldBytes_ = ClientAccountFile();
        platform::ForceDirectories(platform::ExtractFilePath(AccountPath()));
        platform::WriteFileAtomic(AccountPath(), OldBytes_);

        Store_ = std::make_unique<TWindowsLiveMailAccounts>(false);
        TMailAccount* account = Store_->AccountByIndex(0);
        if (account == nullptr) {
            throw std::runtime_error("the account file does not load");
        }
        account->SetAccountName("anna.muster@quenlix.example");
        account->SetDisplayName("Anna Muster");
        account->AssignIsDefault(false); // the file alone; the registry is not part of this save
    }
    std::vector<std::filesystem::path> Files() const override {
        return {platform::HostPath(AccountPath())};
    }
    void WriteOldState() override { WriteHostFile(platform::HostPath(AccountPath()), OldBytes_); }
    void Save() override { Store_->AccountByIndex(0)->Save(); }

private:
    std::unique_ptr<TWindowsLiveMailAccounts> Store_;
    std::string OldBytes_;
};

const TKillRegistration Registered{std::make_unique<TOeAccountSave>()};

} // namespace

} // namespace kill_test
