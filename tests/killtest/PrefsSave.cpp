// A large prefs.js saved with one preference changed and one added.

#include "KillScenario.h"

#include "clients/mozilla/MozillaPrefs.h"
#include "platform/Files.h"

namespace kill_test {

namespace {

const std::string PrefsPath = "C:\\Prefs\\prefs.js";

class TPrefsSave : public TOneFileSave {
public:
    std::string Name() const override { return "prefs.js"; }

    void Prepare() override {
        OldBytes_ = "# Mozilla User Preferences\r\n\r\n";
        for (int i = 0; i < 20000; ++i) {
            const std::string name =
                "mail.server.server" + std::to_string(i / 8) + ".key" + std::to_string(i % 8);
            OldBytes_ += "user_pref(\"" + name + "\", \"C:\\\\Documents and Settings\\\\User\\\\" +
                         std::to_string(i) + "\");\r\n";
        }
        platform::ForceDirectories("C:\\Prefs");
        platform::WriteFileAtomic(PrefsPath, OldBytes_);
        File_ = platform::HostPath(PrefsPath);
        Prefs_.Load(PrefsPath);
        Prefs_.SetString("mail.server.server7.key3", "changed");
        Prefs_.SetInteger("mail.account.added", 42);
    }
    void Save() override { Prefs_.SaveToFile(PrefsPath); }

private:
    TMozillaPrefsFile Prefs_;
};

const TKillRegistration Registered{std::make_unique<TPrefsSave>()};

} // namespace

} // namespace kill_test
