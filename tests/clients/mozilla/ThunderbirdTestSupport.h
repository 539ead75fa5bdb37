#pragma once
// Simulated systems with Thunderbird installed: App Paths entry, versioned executable,
// profiles.ini and profiles with prefs.js and signons.txt.

#include <clients/mozilla/MozillaPrefs.h>
#include <clients/mozilla/Thunderbird.h>

#include <platform/System.h>
#include <support/TestSystem.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace thunderbird_test {

inline const std::string kExe = "C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe";
inline const std::string kNss = "C:\\Program Files\\Mozilla Thunderbird\\nss3.dll";

// The provider's POP account the setup page writes.
inline const std::string kPopHost = "pop.quenlix.example";
inline const std::string kSmtpHost = "smtp.quenlix.example";
inline const std::string kAddress = "anna.beispiel@quenlix.example";

// The fields the setup page sets on a Thunderbird account, in its order.
inline void SetProviderFields(TMailAccount& account, const std::string& password,
                              const std::string& name = "Anna Beispiel", bool isDefault = true) {
    account.SetAccountName(name);
    account.SetDisplayName(kAddress);
    account.SetEmailAddress(kAddress);
    account.SetUserName(kAddress);
    account.SetPassword(password);
    account.SetRememberPassword(true);
    auto& pop = dynamic_cast<TPOPMailAccount&>(account);
    pop.SetIncomingServer(kPopHost);
    pop.SetUseSPA(false);
    pop.SetUseSSL(true);
    pop.SetIncomingPort(995);
    pop.SetLeaveOnServer(true);
    account.SetSmtpServer(kSmtpHost);
    account.SetSmtpAuthMode(1);
    account.SetSmtpUseSSL(true);
    account.SetSmtpUseSPA(false);
    account.SetSmtpPort(465);
    account.SetIsDefault(isDefault);
}

inline std::string AppPathsReg(const std::string& exe = kExe) {
    std::string escaped;
    for (char c : exe) {
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
           "Paths\\thunderbird.exe]\r\n@=\"" +
           escaped + "\"\r\n";
}

// One statement of prefs.js; the string form takes the value as it stands in the file.
inline std::string Str(const std::string& name, const std::string& raw) {
    return "user_pref(\"" + name + "\", \"" + raw + "\");\r\n";
}
inline std::string Int(const std::string& name, long long value) {
    return "user_pref(\"" + name + "\", " + std::to_string(value) + ");\r\n";
}
inline std::string Bool(const std::string& name, bool value) {
    return "user_pref(\"" + name + "\", " + (value ? "true" : "false") + ");\r\n";
}
// text with the first from replaced by to; from must be in it.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}
// A Windows path as prefs.js holds it: every backslash doubled.
inline std::string Doubled(const std::string& path) {
    std::string out;
    for (char c : path) {
        out += c;
        if (c == '\\') {
            out += c;
        }
    }
    return out;
}

// prefs.js of a profile a current Thunderbird made: a POP account set to an encrypted password
// (authMethod 4) for the given login and host, then Local Folders, counted in lastKey.
inline std::string CurrentPrefs(const std::string& dir, const std::string& user = "erika",
                                const std::string& host = "pop.example.com",
                                const std::string& smtpHost = "smtp.example.com") {
    return Str("mail.account.account1.identities", "id1") +
           Str("mail.account.account1.server", "server1") +
           Str("mail.account.account2.server", "server2") + Int("mail.account.lastKey", 2) +
           Str("mail.accountmanager.accounts", "account1,account2") +
           Str("mail.accountmanager.defaultaccount", "account1") +
           Str("mail.accountmanager.localfoldersserver", "server2") +
           Str("mail.identity.id1.fullName", "Erika Muster") +
           Int("mail.identity.id1.reply_on_top", 1) + Str("mail.identity.id1.smtpServer", "smtp1") +
           Str("mail.identity.id1.useremail", "erika@example.com") +
           Bool("mail.identity.id1.valid", true) + Int("mail.server.server1.authMethod", 4) +
           Bool("mail.server.server1.check_new_mail", true) +
           Str("mail.server.server1.directory", Doubled(dir + "\\Mail\\" + host)) +
           Str("mail.server.server1.directory-rel", "[ProfD]Mail/" + host) +
           Str("mail.server.server1.hostname", host) +
           Bool("mail.server.server1.login_at_startup", true) +
           Str("mail.server.server1.name", "erika@example.com") +
           Int("mail.server.server1.port", 110) + Int("mail.server.server1.socketType", 2) +
           Str("mail.server.server1.storeContractID", "@mozilla.org/msgstore/berkeleystore;1") +
           Str("mail.server.server1.type", "pop3") + Str("mail.server.server1.userName", user) +
           Str("mail.server.server2.directory", Doubled(dir + "\\Mail\\Local Folders")) +
           Str("mail.server.server2.directory-rel", "[ProfD]Mail/Local Folders") +
           Str("mail.server.server2.hostname", "Local Folders") +
           Str("mail.server.server2.name", "Local Folders") +
           Str("mail.server.server2.type", "none") + Str("mail.server.server2.userName", "nobody") +
           Str("mail.smtp.defaultserver", "smtp1") + Int("mail.smtpserver.smtp1.authMethod", 4) +
           Str("mail.smtpserver.smtp1.hostname", smtpHost) +
           Int("mail.smtpserver.smtp1.port", 587) + Int("mail.smtpserver.smtp1.try_ssl", 2) +
           Str("mail.smtpserver.smtp1.type", "smtp") + Str("mail.smtpserver.smtp1.username", user) +
           Str("mail.smtpservers", "smtp1");
}

inline const std::string kHeader = "# Mozilla User Preferences\r\n"
                                   "\r\n"
                                   "/* Do not edit this file.\r\n"
                                   " *\r\n"
                                   " * If you make changes to this file while the application is "
                                   "running,\r\n"
                                   " * the changes will be overwritten when the application "
                                   "exits.\r\n"
                                   " */\r\n"
                                   "\r\n";

class ThunderbirdFixture : public ::testing::Test {
protected:
    explicit ThunderbirdFixture(const std::string& hklm = AppPathsReg(),
                                const std::string& hkcu = "")
        : System("", hklm, hkcu) {
        AppData = platform::MachineFacts().AppData;
        ThunderbirdDir = AppData + "\\Thunderbird";
    }

    void InstallExe(int major = 2, int minor = 0, int release = 0, int build = 24) {
        System.WritePe(kExe, major, minor, release, build);
    }
    std::string ProfileDir(const std::string& name) const {
        return ThunderbirdDir + "\\Profiles\\" + name;
    }
    // profiles.ini with one relative default profile Profiles/<name>.
    void WriteSingleProfile(const std::string& name) const {
        System.WriteFile(ThunderbirdDir + "\\profiles.ini",
                         "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\n"
                         "IsRelative=1\r\nPath=Profiles/" +
                             name + "\r\nDefault=1\r\n");
    }
    void WritePrefs(const std::string& dir, const std::string& statements) const {
        System.WriteFile(dir + "\\prefs.js", kHeader + statements);
    }
    TMozillaPrefsFile& ReadPrefs(const std::string& dir) {
        Prefs = std::make_unique<TMozillaPrefsFile>();
        Prefs->Load(dir + "\\prefs.js");
        return *Prefs;
    }
    std::unique_ptr<TThunderbirdMailAccounts> Open() const {
        return std::make_unique<TThunderbirdMailAccounts>(false);
    }

    testing_support::TTestSystem System;
    std::string AppData;
    std::string ThunderbirdDir;
    std::unique_ptr<TMozillaPrefsFile> Prefs;
};

} // namespace thunderbird_test
