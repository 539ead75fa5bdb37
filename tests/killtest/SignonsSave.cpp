// A large signons.txt rewritten with one password changed.

#include "KillScenario.h"

#include "clients/mozilla/Base64.h"
#include "clients/mozilla/MozillaPasswords.h"
#include "platform/Files.h"

namespace kill_test {

namespace {

const std::string SignonsPath = "C:\\Signons\\signons.txt";

class TSignonsSave : public TOneFileSave {
public:
    std::string Name() const override { return "signons.txt"; }

    void Prepare() override {
        OldBytes_ = "#2c\r\n.\r\n";
        for (int i = 0; i < 5000; ++i) {
            const std::string user = "user" + std::to_string(i);
            OldBytes_ += "mailbox://" + user + "@pop" + std::to_string(i) +
                         ".example\r\n\\=username=\\\r\n~" + Base64Encode(user) +
                         "\r\n*\\=password=\\\r\n~" + Base64Encode("secret-" + user) + "\r\n.\r\n";
        }
        platform::ForceDirectories("C:\\Signons");
        platform::WriteFileAtomic(SignonsPath, OldBytes_);
        File_ = platform::HostPath(SignonsPath);
        Passwords_ = std::make_unique<TMozillaPasswordsFile>(SignonsPath);
        Passwords_->ChangePassword("mailbox", "user2500", "changed", "pop2500.example");
    }
    void Save() override { Passwords_->WritePasswords(); }

private:
    std::unique_ptr<TMozillaPasswordsFile> Passwords_;
};

const TKillRegistration Registered{std::make_unique<TSignonsSave>()};

} // namespace

} // namespace kill_test
