#include "ThunderbirdFixture.h"

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "platform/VersionInfo.h"

#include <filesystem>
#include <system_error>

namespace win32_test {

namespace {

const std::string kAppPathsKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\thunderbird.exe";

std::string Pref(const std::string& name, const std::string& value) {
    return "user_pref(\"" + name + "\", " + value + ");\r\n";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

std::string Doubled(const std::string& path) {
    std::string out;
    for (const char c : path) {
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return out;
}

void TThunderbirdFixture::SetUp() {
    AppData = platform::GetSpecialFolderPath(platform::CSIDL_APPDATA);
    ThunderbirdDir = AppData + "\\Thunderbird";
    if (platform::TRegistry(platform::HKEY_LOCAL_MACHINE).KeyExists(kAppPathsKey) ||
        platform::DirectoryExists(ThunderbirdDir)) {
        GTEST_SKIP() << "Thunderbird is installed on this machine; the test runs only where it "
                        "is not";
    }
    Installed = true;
    Exe = Folder / "Mozilla Thunderbird\\thunderbird.exe";
    ASSERT_TRUE(platform::ForceDirectories(platform::ExtractFilePath(Exe)));
    platform::WriteFileAtomic(Exe,
                              platform::MakeVersionedPeImage(platform::MakeVersion(2, 0, 0, 24)));
    ASSERT_TRUE(ImportRegistry("[HKEY_LOCAL_MACHINE" + kAppPathsKey + "]\r\n@=" + RegString(Exe) +
                                   "\r\n\"Path\"=" + RegString(platform::ExtractFilePath(Exe)) +
                                   "\r\n",
                               Folder));
    ASSERT_TRUE(platform::TRegistry(platform::HKEY_LOCAL_MACHINE).KeyExists(kAppPathsKey));
    Profile = ThunderbirdDir + "\\Profiles\\k3x9q2mf.default";
    ASSERT_TRUE(platform::ForceDirectories(Profile + "\\Mail\\Local Folders"));
    platform::WriteFileAtomic(ThunderbirdDir + "\\profiles.ini",
                              "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\n"
                              "Name=default\r\nIsRelative=1\r\nPath=Profiles/k3x9q2mf.default\r\n"
                              "Default=1\r\n");
    platform::WriteFileAtomic(Profile + "\\prefs.js",
                              "# Mozilla User Preferences\r\n\r\n" + ExistingAccount());
}

void TThunderbirdFixture::TearDown() {
    if (!Installed) {
        return;
    }
    platform::TRegistry(platform::HKEY_LOCAL_MACHINE).DeleteKey(kAppPathsKey);
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(platform::win32::Wide(ThunderbirdDir)),
                                error);
}

std::string TThunderbirdFixture::ExistingAccount() const {
    return Pref("mail.account.account1.server", Quoted("server1")) +
           Pref("mail.account.account2.identities", Quoted("id1")) +
           Pref("mail.account.account2.server", Quoted("server2")) +
           Pref("mail.accountmanager.accounts", Quoted("account1,account2")) +
           Pref("mail.accountmanager.defaultaccount", Quoted("account2")) +
           Pref("mail.accountmanager.localfoldersserver", Quoted("server1")) +
           Pref("mail.identity.id1.fullName", Quoted("Erika Muster")) +
           Pref("mail.identity.id1.smtpServer", Quoted("smtp1")) +
           Pref("mail.identity.id1.useremail", Quoted("erika@example.com")) +
           Pref("mail.identity.id1.valid", "true") +
           Pref("mail.server.server1.directory",
                Quoted(Doubled(Profile + "\\Mail\\Local Folders"))) +
           Pref("mail.server.server1.hostname", Quoted("Local Folders")) +
           Pref("mail.server.server1.name", Quoted("Local Folders")) +
           Pref("mail.server.server1.type", Quoted("none")) +
           Pref("mail.server.server1.userName", Quoted("nobody")) +
           Pref("mail.server.server2.directory",
                Quoted(Doubled(Profile + "\\Mail\\pop.example.com"))) +
           Pref("mail.server.server2.hostname", Quoted("pop.example.com")) +
           Pref("mail.server.server2.name", Quoted("erika@example.com")) +
           Pref("mail.server.server2.port", "110") +
           Pref("mail.server.server2.type", Quoted("pop3")) +
           Pref("mail.server.server2.userName", Quoted("erika")) +
           Pref("mail.smtp.defaultserver", Quoted("smtp1")) +
           Pref("mail.smtpserver.smtp1.hostname", Quoted("smtp.example.com")) +
           Pref("mail.smtpserver.smtp1.username", Quoted("erika")) +
           Pref("mail.smtpservers", Quoted("smtp1"));
}

} // namespace win32_test
