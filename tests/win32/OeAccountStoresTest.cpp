// The stores of .oeaccount files on the machine, Windows Mail and Windows Live Mail: the App Paths
// entry (Windows Mail's expandable, as Vista writes it) and the salt imported with the system's
// regedit, a versioned program, and an account file of another provider in the user's local
// application data, its password sealed by the system's data protection. Detection, loading,
// and the provider's new account written and read back. A machine with the client of its own is
// left alone.

#include "ProviderAccount.h"
#include "WinTestSupport.h"

#include "accounts/HexText.h"
#include "clients/oeaccount/OeAccountPasswords.h"
#include "clients/oeaccount/WindowsMail.h"
#include "clients/oeaccount/windowslivemail.h"

#include "platform/Files.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "platform/TextCodec.h"
#include "platform/VersionInfo.h"

#include <gtest/gtest.h>

namespace {

using win32_test::TTestFolder;

const std::string kAppPaths = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::string kAddress = "anna.muster@quenlix.example";
const std::vector<std::uint8_t> kSalt = {0x5A, 0x0C, 0x91, 0x3E, 0xD2, 0x47, 0x88, 0x1B,
                                         0xF0, 0x66, 0x2D, 0xA9, 0x13, 0x7E, 0xC4, 0x05};

// As the client writes its files: CRLF, UTF-16LE behind a byte-order mark.
std::string ClientFile(const std::string& text) {
    std::string bytes = "\xff\xfe";
    for (const char c : text) {
        for (const char16_t unit :
             platform::Utf8ToUtf16(c == '\n' ? std::string("\r\n") : std::string(1, c))) {
            bytes += static_cast<char>(unit & 0xff);
            bytes += static_cast<char>(unit >> 8);
        }
    }
    return bytes;
}

std::string OtherProvidersAccount(const std::string& sealed) {
    return "<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
           "<MessageAccount>\n"
           "\t<Account_Name type=\"SZ\">Example</Account_Name>\n"
           "\t<Connection_Type type=\"DWORD\">00000003</Connection_Type>\n"
           "\t<POP3_Server type=\"SZ\">pop.example.org</POP3_Server>\n"
           "\t<POP3_User_Name type=\"SZ\">erika</POP3_User_Name>\n"
           "\t<POP3_Password2 type=\"BINARY\">" +
           sealed +
           "</POP3_Password2>\n"
           "\t<POP3_Port type=\"DWORD\">0000006e</POP3_Port>\n"
           "\t<SMTP_Server type=\"SZ\">smtp.example.org</SMTP_Server>\n"
           "\t<SMTP_Display_Name type=\"SZ\">Erika Muster</SMTP_Display_Name>\n"
           "\t<SMTP_Email_Address type=\"SZ\">erika@example.org</SMTP_Email_Address>\n"
           "</MessageAccount>\n";
}

struct TOeClientCase {
    const char* Name;
    const char* Program;     // below the test's folder
    bool ExpandableAppPath;  // the App Paths entry as REG_EXPAND_SZ with %TEMP%
    const char* ClientKey;   // below HKEY_CURRENT_USER
    const char* StoreFolder; // below "<local application data>\\Microsoft\\"
    int Major, Minor, Build, Revision;
    const char* NewPopFolder; // "" for a folder named by the address
    std::unique_ptr<TOeAccountStore> (*Open)();
};

void PrintTo(const TOeClientCase& row, std::ostream* out) {
    *out << row.Name;
}

// Bytes as .reg text lists them: two hex digits each, separated by commas.
std::string RegHexList(const std::vector<std::uint8_t>& data) {
    std::string out;
    for (const std::uint8_t byte : data) {
        out += (out.empty() ? "" : ",") + BytesToHex(&byte, 1);
    }
    return out;
}

// An expandable string as regedit writes it: hex(2), UTF-16LE with its terminator.
std::string ExpandableRegValue(const std::string& text) {
    return "hex(2):" + RegHexList(platform::reg::StringToRegData(text));
}

class OeAccountStoreTest : public ::testing::TestWithParam<TOeClientCase> {
protected:
    void SetUp() override {
        const TOeClientCase& client = GetParam();
        AppPathsKey = kAppPaths + platform::ExtractFileName(client.Program);
        StoreDir = platform::GetSpecialFolderPath(platform::CSIDL_LOCAL_APPDATA) + "\\Microsoft\\" +
                   client.StoreFolder + "\\";
        const platform::TRegistry machine(platform::HKEY_LOCAL_MACHINE);
        const platform::TRegistry user(platform::HKEY_CURRENT_USER);
        if (machine.KeyExists(AppPathsKey) || user.KeyExists(client.ClientKey) ||
            platform::DirectoryExists(StoreDir)) {
            GTEST_SKIP() << client.Name
                         << " is installed on this machine; the store test runs "
                            "only where it is not";
        }
        Installed = true;
        Exe = Folder / client.Program;
        ASSERT_TRUE(platform::ForceDirectories(platform::ExtractFilePath(Exe)));
        platform::WriteFileAtomic(Exe,
                                  platform::MakeVersionedPeImage(platform::MakeVersion(
                                      client.Major, client.Minor, client.Build, client.Revision)));
        const std::string temp = platform::GetTempPath();
        ASSERT_EQ(Exe.rfind(temp, 0), 0u);
        const std::string appPath = client.ExpandableAppPath
                                        ? ExpandableRegValue("%TEMP%\\" + Exe.substr(temp.size()))
                                        : win32_test::RegString(Exe);
        ASSERT_TRUE(
            win32_test::ImportRegistry("[HKEY_LOCAL_MACHINE" + AppPathsKey + "]\r\n@=" + appPath +
                                           "\r\n\r\n[HKEY_CURRENT_USER" + client.ClientKey +
                                           "]\r\n\"Salt\"=hex:" + RegHexList(kSalt) + "\r\n",
                                       Folder));
        ASSERT_TRUE(platform::ForceDirectories(StoreDir + "Example"));
        platform::WriteFileAtomic(
            StoreDir + "Example\\account{3C4F22A1-6B1D-4E1A-9C4B-2F2E1D0C9B8A}.oeaccount",
            ClientFile(OtherProvidersAccount(ProtectPassword("old secret", BytesToHex(kSalt)))));
    }

    void TearDown() override {
        if (!Installed) {
            return;
        }
        platform::TRegistry(platform::HKEY_LOCAL_MACHINE).DeleteKey(AppPathsKey);
        platform::TRegistry(platform::HKEY_CURRENT_USER).DeleteKey(GetParam().ClientKey);
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(platform::win32::Wide(StoreDir)), error);
    }

    TTestFolder Folder;
    bool Installed = false;
    std::string AppPathsKey, StoreDir, Exe;
};

TEST_P(OeAccountStoreTest, TheClientIsDetectedAndItsAccountLoadedWithItsPassword) {
    const auto opened = GetParam().Open();
    TOeAccountStore& store = *opened;
    ASSERT_TRUE(store.Installed());
    EXPECT_EQ(store.ClientName(), GetParam().Name);
    EXPECT_EQ(store.ClientVersion(),
              std::to_string(GetParam().Major) + "." + std::to_string(GetParam().Minor) + "." +
                  std::to_string(GetParam().Build) + "." + std::to_string(GetParam().Revision));
    EXPECT_EQ(store.StoreDirectory(), StoreDir);
    EXPECT_EQ(store.SaltHex(), BytesToHex(kSalt));
    const TMailAccount* account = win32_test::FindAccount(store, "erika@example.org");
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->Password(), "old secret"); // unsealed by the system's data protection
    EXPECT_EQ(dynamic_cast<const TPOPMailAccount&>(*account).IncomingServer(), "pop.example.org");
}

TEST_P(OeAccountStoreTest, TheProvidersNewAccountIsWrittenAndReadBack) {
    std::string file;
    {
        const auto store = GetParam().Open();
        auto& account = win32_test::AddProviderAccount(*store, kAddress, "Anna M\u00fcller");
        account.Save();
        file = account.AccountKey();
    }
    const std::string folder = *GetParam().NewPopFolder ? GetParam().NewPopFolder : kAddress;
    EXPECT_EQ(platform::ExtractFilePath(file), StoreDir + folder + "\\");
    const auto bytes = platform::ReadFileBytes(file);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->substr(0, 2), "\xff\xfe"); // UTF-16LE, as the client writes it
    EXPECT_EQ(bytes->find("Geheim-42"), std::string::npos);

    const auto reread = GetParam().Open();
    const TMailAccount* account = win32_test::FindAccount(*reread, kAddress);
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->Password(), "Geheim-42");
    EXPECT_EQ(account->DisplayName(), "Anna M\u00fcller");
    win32_test::ExpectProviderServers(*account);
    ASSERT_NE(win32_test::FindAccount(*reread, "erika@example.org"),
              nullptr); // the other account stays
}

INSTANTIATE_TEST_SUITE_P(
    Clients, OeAccountStoreTest,
    ::testing::Values(TOeClientCase{"Windows Mail", "Windows Mail\\WinMail.exe", true,
                                    "\\Software\\Microsoft\\Windows Mail", "Windows Mail", 6, 0,
                                    6002, 18005, "Local Folders",
                                    [] {
                                        return std::unique_ptr<TOeAccountStore>(
                                            std::make_unique<TWindowsMailAccounts>(false));
                                    }},
                      TOeClientCase{"Windows Live Mail", "Windows Live\\Mail\\wlmail.exe", false,
                                    "\\Software\\Microsoft\\Windows Live Mail", "Windows Live Mail",
                                    15, 4, 3555, 308, "",
                                    [] {
                                        return std::unique_ptr<TOeAccountStore>(
                                            std::make_unique<TWindowsLiveMailAccounts>(false));
                                    }}),
    [](const ::testing::TestParamInfo<TOeClientCase>& info) {
        std::string name;
        for (const char c : std::string(info.param.Name)) {
            if (c != ' ') {
                name += c;
            }
        }
        return name;
    });

} // namespace
