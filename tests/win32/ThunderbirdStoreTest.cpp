// The Thunderbird store on the machine: its App Paths entry imported with the system's regedit,
// a versioned thunderbird.exe, profiles.ini and a profile in the user's application data, as a
// Thunderbird 2 installation leaves them. Detection, loading, and the provider's new account
// written and read back. A machine with a Thunderbird of its own is left alone.

#include "WinTestSupport.h"

#include "clients/mozilla/MozillaPasswords.h"
#include "clients/mozilla/MozillaPrefs.h"
#include "clients/mozilla/Thunderbird.h"

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "platform/TextCodec.h"
#include "platform/VersionInfo.h"

#include <gtest/gtest.h>

namespace {

using win32_test::TTestFolder;

const std::string kAppPathsKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\thunderbird.exe";
const std::string kAddress = "anna.beispiel@quenlix.example";
const std::string kPopHost = "pop.quenlix.example";
const std::string kSmtpHost = "smtp.quenlix.example";

std::string Doubled(const std::string& path) {
    std::string out;
    for (const char c : path) {
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return out;
}

std::string Pref(const std::string& name, const std::string& value) {
    return "user_pref(\"" + name + "\", " + value + ");\r\n";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

class ThunderbirdStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppData = platform::GetSpecialFolderPath(platform::CSIDL_APPDATA);
        ThunderbirdDir = AppData + "\\Thunderbird";
        if (platform::TRegistry(platform::HKEY_LOCAL_MACHINE).KeyExists(kAppPathsKey) ||
            platform::DirectoryExists(ThunderbirdDir)) {
            GTEST_SKIP() << "Thunderbird is installed on this machine; the store test runs only "
                            "where it is not";
        }
        Installed = true;
        Exe = Folder / "Mozilla Thunderbird\\thunderbird.exe";
        ASSERT_TRUE(platform::ForceDirectories(platform::ExtractFilePath(Exe)));
        platform::WriteFileAtomic(
            Exe, platform::MakeVersionedPeImage(platform::MakeVersion(2, 0, 0, 24)));
        ASSERT_TRUE(win32_test::ImportRegistry(
            "[HKEY_LOCAL_MACHINE" + kAppPathsKey + "]\r\n@=" + win32_test::RegString(Exe) +
                "\r\n\"Path\"=" + win32_test::RegString(platform::ExtractFilePath(Exe)) + "\r\n",
            Folder));
        ASSERT_TRUE(platform::TRegistry(platform::HKEY_LOCAL_MACHINE).KeyExists(kAppPathsKey));
        Profile = ThunderbirdDir + "\\Profiles\\k3x9q2mf.default";
        ASSERT_TRUE(platform::ForceDirectories(Profile + "\\Mail\\Local Folders"));
        platform::WriteFileAtomic(
            ThunderbirdDir + "\\profiles.ini",
            "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\n"
            "Name=default\r\nIsRelative=1\r\nPath=Profiles/k3x9q2mf.default\r\n"
            "Default=1\r\n");
        platform::WriteFileAtomic(Profile + "\\prefs.js",
                                  "# Mozilla User Preferences\r\n\r\n" + ExistingAccount());
    }

    void TearDown() override {
        if (!Installed) {
            return;
        }
        platform::TRegistry(platform::HKEY_LOCAL_MACHINE).DeleteKey(kAppPathsKey);
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(platform::win32::Wide(ThunderbirdDir)),
                                    error);
    }

    // A POP account of another provider, with the local folders.
    std::string ExistingAccount() const {
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

    TTestFolder Folder;
    bool Installed = false;
    std::string AppData, ThunderbirdDir, Exe, Profile;
};

TEST_F(ThunderbirdStoreTest, TheInstallationIsDetectedAndItsAccountLoaded) {
    TThunderbirdMailAccounts store(false);
    ASSERT_TRUE(store.Installed());
    EXPECT_EQ(store.ClientMajorVersion(), 2);
    EXPECT_EQ(store.AppDataDir(), ThunderbirdDir + "\\");
    EXPECT_FALSE(store.IsClientRunning());
    ASSERT_EQ(store.ProfileCount(), 1);
    ASSERT_EQ(store.AccountCount(), 1);
    const TMailAccount& account = *store.AccountByIndex(0);
    EXPECT_EQ(account.EmailAddress(), "erika@example.com");
    EXPECT_EQ(account.AccountName(), "Erika Muster");
    EXPECT_EQ(dynamic_cast<const TPOPMailAccount&>(account).IncomingServer(), "pop.example.com");
    EXPECT_EQ(account.SmtpServer(), "smtp.example.com");
}

TEST_F(ThunderbirdStoreTest, TheProvidersNewAccountIsWrittenAndReadBack) {
    {
        TThunderbirdMailAccounts store(false);
        TMailAccount* account = store.AddAccount(AccountKindPOP, kAddress, kAddress, "Geheim-42");
        ASSERT_NE(account, nullptr);
        account->SetAccountName("Anna Beispiel");
        account->SetDisplayName(kAddress);
        account->SetEmailAddress(kAddress);
        account->SetUserName(kAddress);
        account->SetPassword("Geheim-42");
        account->SetRememberPassword(true);
        auto& pop = dynamic_cast<TPOPMailAccount&>(*account);
        pop.SetIncomingServer(kPopHost);
        pop.SetUseSSL(true);
        pop.SetIncomingPort(995);
        pop.SetLeaveOnServer(true);
        account->SetSmtpServer(kSmtpHost);
        account->SetSmtpAuthMode(1);
        account->SetSmtpUseSSL(true);
        account->SetSmtpPort(465);
        account->SetIsDefault(true);
        account->Save();
    }
    // Thunderbird's own files, as it reads them.
    TMozillaPrefsFile prefs;
    prefs.Load(Profile + "\\prefs.js");
    EXPECT_EQ(prefs.GetString("mail.accountmanager.accounts"), "account1,account2,account3");
    EXPECT_EQ(prefs.GetString("mail.accountmanager.defaultaccount"), "account3");
    EXPECT_EQ(prefs.GetString("mail.server.server3.hostname"), kPopHost);
    // As prefs.js holds it: every backslash doubled.
    EXPECT_EQ(prefs.GetString("mail.server.server3.directory"),
              Doubled(Profile + "\\Mail\\" + kPopHost));
    EXPECT_TRUE(platform::DirectoryExists(Profile + "\\Mail\\" + kPopHost));
    const auto signons = platform::ReadFileBytes(Profile + "\\signons.txt");
    ASSERT_TRUE(signons);
    EXPECT_NE(signons->find("mailbox://anna.beispiel%40quenlix.example@" + kPopHost),
              std::string::npos);
    EXPECT_EQ(signons->find("Geheim-42"), std::string::npos); // encoded, as Thunderbird keeps it

    TThunderbirdMailAccounts reread(false);
    ASSERT_EQ(reread.AccountCount(), 2);
    const TMailAccount* account = nullptr;
    for (int i = 0; i < reread.AccountCount(); ++i) {
        if (reread.AccountByIndex(i)->EmailAddress() == kAddress) {
            account = reread.AccountByIndex(i);
        }
    }
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->AccountName(), "Anna Beispiel");
    EXPECT_EQ(account->Password(), "Geheim-42");
    EXPECT_TRUE(account->IsDefault());
    const auto& pop = dynamic_cast<const TPOPMailAccount&>(*account);
    EXPECT_EQ(pop.IncomingServer(), kPopHost);
    EXPECT_EQ(pop.IncomingPort(), 995);
    EXPECT_TRUE(pop.UseSSL());
    EXPECT_EQ(account->SmtpServer(), kSmtpHost);
    EXPECT_EQ(account->SmtpPort(), 465);
}

TEST_F(ThunderbirdStoreTest, ARunningThunderbirdIsSeen) {
    TThunderbirdMailAccounts store(false);
    ASSERT_TRUE(platform::DeleteFile(Exe));
    ASSERT_TRUE(CopyFileW(platform::win32::Wide(platform::GetModuleFileName()).c_str(),
                          platform::win32::Wide(Exe).c_str(), TRUE));
    std::wstring commandLine = L"\"" + platform::win32::Wide(Exe) + L"\" --wait-to-be-ended";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    ::CloseHandle(process.hThread);
    EXPECT_TRUE(store.IsClientRunning());
    TerminateProcess(process.hProcess, 0);
    ::WaitForSingleObject(process.hProcess, 10000);
    ::CloseHandle(process.hProcess);
    EXPECT_FALSE(store.IsClientRunning());
}

} // namespace
