// The Windows Mail store on a Vista machine with 10 to 1,000 account files (each with two sealed
// passwords): construction, which reads and unseals every file, and saving one new account.

#include <clients/oeaccount/OeAccountPasswords.h>
#include <clients/oeaccount/WindowsMail.h>

#include <platform/Files.h>
#include <platform/RegText.h>
#include <platform/System.h>
#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string Exe = "C:\\Program Files\\Windows Mail\\WinMail.exe";
const std::string SaltHex = "5A0C913ED247881BF0662DA9137EC405";

testing_support::TTestSystem& System() {
    static testing_support::TTestSystem system(
        testing_support::TTestMachine().Windows(testing_support::TTestWindows::Vista).Ini(),
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
        "Paths\\WinMail.exe]\r\n@=\"C:\\\\Program Files\\\\Windows Mail\\\\WinMail.exe\"\r\n",
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Mail]\r\n"
        "\"Salt\"=hex:5a,0c,91,3e,d2,47,88,1b,f0,66,2d,a9,13,7e,c4,05\r\n");
    return system;
}

std::string LocalFolders() {
    return platform::MachineFacts().LocalAppData + "\\Microsoft\\Windows Mail\\Local Folders\\";
}

std::string Utf16File(const std::string& text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    platform::reg::AppendUtf16Bytes(bytes, platform::Utf8ToUtf16(text));
    return std::string(bytes.begin(), bytes.end());
}

// An account file as the client writes it (indented, CRLF), with its own sealed passwords.
std::string AccountFile(int i) {
    const std::string k = std::to_string(i);
    const auto value = [](const std::string& name, const char* type, const std::string& text) {
        return "\t<" + name + " type=\"" + type + "\">" + text + "</" + name + ">\r\n";
    };
    return Utf16File("<?xml version=\"1.0\" encoding=\"utf-16\" ?>\r\n<MessageAccount>\r\n" +
                     value("Account_Name", "SZ", "Account " + k) +
                     value("Connection_Type", "DWORD", "00000003") +
                     value("POP3_Server", "SZ", "pop" + k + ".x.example") +
                     value("POP3_User_Name", "SZ", "u" + k) +
                     value("POP3_Password2", "BINARY", ProtectPassword("password " + k, SaltHex)) +
                     value("POP3_Port", "DWORD", "000003e3") +
                     value("POP3_Secure_Connection", "DWORD", "00000001") +
                     value("SMTP_Server", "SZ", "smtp" + k + ".x.example") +
                     value("SMTP_Display_Name", "SZ", "User " + k) +
                     value("SMTP_Email_Address", "SZ", "u" + k + "@x.example") +
                     value("SMTP_Port", "DWORD", "000001d1") +
                     value("SMTP_Use_Sicily", "DWORD", "00000003") +
                     value("SMTP_User_Name", "SZ", "u" + k) +
                     value("SMTP_Password2", "BINARY", ProtectPassword("smtp " + k, SaltHex)) +
                     value("Leave_Mail_On_Server", "DWORD", "00000001") + "</MessageAccount>\r\n");
}

// Exactly n account files in Local Folders.
void Prepare(int n) {
    static bool installed = false;
    if (!installed) {
        System().WritePe(Exe, 6, 0, 6002, 18005);
        installed = true;
    }
    for (const platform::TFindEntry& file : platform::FindFiles(LocalFolders() + "*.oeaccount")) {
        platform::DeleteFile(LocalFolders() + file.Name);
    }
    for (int i = 0; i < n; ++i) {
        System().WriteFile(LocalFolders() + "account{" + std::to_string(i) + "}.oeaccount",
                           AccountFile(i));
    }
}

void BM_StoreConstruction(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Prepare(n);
    for (auto _ : state) {
        TWindowsMailAccounts store(false);
        if (store.AccountCount() != n) {
            state.SkipWithError("not every account file was loaded");
            break;
        }
    }
    state.SetComplexityN(n);
}

void BM_SaveNewAccount(benchmark::State& state) {
    Prepare(static_cast<int>(state.range(0)));
    TWindowsMailAccounts store(false);
    for (auto _ : state) {
        TMailAccount* account = store.AddAccount(AccountKindPOP, "new@x.example", "new", "pw");
        auto& pop = dynamic_cast<TPOPMailAccount&>(*account);
        pop.SetIncomingServer("pop.x.example");
        pop.SetIncomingPort(995);
        pop.SetUseSSL(true);
        pop.SetLeaveOnServer(true);
        pop.SetSmtpServer("smtp.x.example");
        pop.SetSmtpPort(465);
        pop.SetSmtpUseSSL(true);
        pop.SetSmtpAuthMode(1);
        pop.SetIsDefault(true);
        pop.Save();
        state.PauseTiming();
        store.DeleteDefaultProfileAccount(store.AccountCount() - 1);
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_StoreConstruction)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SaveNewAccount)->Arg(10)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
