#include "ProviderAccount.h"

#include "accounts/MailAccount.h"
#include "clients/ProviderAccountSettings.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/System.h"

#include <cstdio>
#include <stdexcept>

namespace kill_test {

void SaveProviderAccount(TMailAccount* added, const std::string& password, bool thunderbird) {
    auto* account = dynamic_cast<TPOPMailAccount*>(added);
    if (account == nullptr) {
        throw std::runtime_error("the store has no profile to add the account to");
    }
    const TProviderAccountValues values{"Anna Muster", "anna.muster@quenlix.example",
                                        "anna.muster@quenlix.example", password, true};
    ApplyProviderSettings(*account, values, thunderbird);
    account->SetRememberPassword(!password.empty());
    account->Save();
}

void InstallProgram(const std::string& program, const std::string& image) {
    platform::ForceDirectories(platform::ExtractFilePath(program));
    platform::WriteFileAtomic(program, image);
    platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
    registry.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" +
                         platform::ExtractFileName(program),
                     true);
    registry.WriteString("", program);
    registry.CloseKey();
}

std::filesystem::path UserHive() {
    return platform::SystemRoot() / "registry" / "HKEY_CURRENT_USER.reg";
}

std::string KeyName(int number) {
    char key[16];
    std::snprintf(key, sizeof key, "%08X", number);
    return key;
}

std::string OtherAccountKey(const std::string& accounts, int n) {
    const std::string i = std::to_string(n);
    return "\r\n[" + accounts + "\\" + KeyName(n) + "]\r\n\"Account Name\"=\"Account " + i +
           "\"\r\n\"Connection Type\"=dword:00000003\r\n\"POP3 Server\"=\"pop" + i +
           ".example.org\"\r\n\"POP3 User Name\"=\"user" + i +
           "\"\r\n\"SMTP Server\"=\"smtp.example.org\"\r\n\"SMTP Display Name\"=\"User " + i +
           "\"\r\n\"SMTP Email Address\"=\"user" + i + "@example.org\"\r\n";
}

} // namespace kill_test
