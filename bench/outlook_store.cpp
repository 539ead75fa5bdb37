// The Outlook 98/2000 store (Outlook 2000) and the Outlook 2002/2003/2007 store (Outlook 2003)
// with one MAPI profile of 10, 100 and 1,000 POP3 accounts: loading (Outlook 2003 also with a
// sealed password per account), and saving one new account with its password into the
// 100-account system.

#include <clients/outlook/Outlook2002.h>
#include <clients/outlook/Outlook98.h>
#include <clients/outlook/OutlookWindowsVersion.h>
#include <clients/outlook/StoredPasswords.h>

#include <platform/Registry.h>
#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

const std::string OutlookExe = "C:\\Program Files\\Microsoft Office\\Office\\OUTLOOK.EXE";
const std::string Profiles = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
                             "Subsystem\\Profiles";
const std::string Manager = Profiles + "\\Outlook\\9375CFF0413111d3B88A00104B2A6676";

std::string KeyName(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", number);
    return text;
}

std::string Dword(const char* name, int value) {
    char text[64];
    std::snprintf(text, sizeof text, "\"%s\"=dword:%08x\r\n", name, value);
    return text;
}

std::string Str(const char* name, const std::string& value) {
    return "\"" + std::string(name) + "\"=\"" + value + "\"\r\n";
}

// UTF-16LE with its terminator, as Outlook 2002 and later keep text.
std::string Wide(const char* name, const std::string& ascii) {
    std::string text = "\"" + std::string(name) + "\"=hex:";
    for (const char c : ascii) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%02x,00,", static_cast<unsigned char>(c));
        text += byte;
    }
    return text + "00,00\r\n";
}

// The Internet E-Mail service that ties the shared tree's account of that name to the profile.
std::string ServiceKey(const std::string& profileKey, int number, const std::string& accountName) {
    char service[40];
    std::snprintf(service, sizeof service, "%08x1b4f4d7a9e6c0b1a2f3e4d5c", number);
    char entries[160];
    std::snprintf(entries, sizeof entries,
                  "\"01023d01\"=hex:%02x,%02x,00,00,a1,b2,4c,3d,8e,9f,0a,1b,2c,3d,4e,5f\r\n"
                  "\"01023d02\"=hex:%02x,%02x,00,00,8f,90,41,a2,b3,c4,d5,e6,f7,08,19,20\r\n",
                  number & 0xff, number >> 8, number & 0xff, number >> 8);
    return "\r\n[" + profileKey + "\\" + service + "]\r\n\"001e3001\"=\"Internet-E-Mail - " +
           accountName +
           "\"\r\n\"001e3d09\"=\"IMAIL\"\r\n\"001e3d0a\"=\"MINET.DLL\"\r\n"
           "\"001e661f\"=\"" +
           accountName + "\"\r\n" + entries;
}

std::string MachineKeys() {
    return "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
           "OUTLOOK.EXE]\r\n@=\"C:\\\\Program Files\\\\Microsoft Office\\\\Office\\\\OUTLOOK.EXE"
           "\"\r\n";
}

std::string ProfileKeys() {
    return "\r\n[HKEY_CURRENT_USER\\" + Profiles + "]\r\n" + Str("DefaultProfile", "Outlook") +
           "\r\n[HKEY_CURRENT_USER\\" + Profiles + "\\Outlook]\r\n\r\n[HKEY_CURRENT_USER\\" +
           Profiles + "\\Outlook\\0a0d020000000000c000000000000046]\r\n\"000b0340\"=hex:00,00\r\n";
}

std::string Outlook2000Hive(int accounts) {
    const std::string tree =
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[" + tree + "]\r\n" +
                       Dword("Account Name", accounts + 1) +
                       Str("Default Mail Account", "00000001");
    for (int a = 1; a <= accounts; ++a) {
        const std::string n = std::to_string(a);
        text += "\r\n[" + tree + "\\Accounts\\" + KeyName(a) + "]\r\n" +
                Str("Account Name", "Account " + n) + Dword("Connection Type", 3) +
                Str("POP3 Server", "pop" + n + ".example.org") + Str("POP3 User Name", "user" + n) +
                Dword("POP3 Port", 995) + Dword("POP3 Secure Connection", 1) +
                Str("SMTP Server", "smtp.example.org") + Dword("SMTP Port", 465) +
                Dword("SMTP Secure Connection", 1) + Dword("SMTP Use Sicily", 2) +
                Str("SMTP Display Name", "User " + n) +
                Str("SMTP Email Address", "user" + n + "@example.org");
    }
    text += ProfileKeys();
    for (int a = 1; a <= accounts; ++a) {
        text += ServiceKey("HKEY_CURRENT_USER\\" + Profiles + "\\Outlook", a,
                           "Account " + std::to_string(a));
    }
    return text;
}

std::string Outlook2003Hive(int accounts) {
    std::string list;
    for (int a = 1; a <= accounts; ++a) {
        char number[16];
        std::snprintf(number, sizeof number, "%02x,%02x,00,00", a & 0xff, a >> 8);
        list += std::string(a > 1 ? "," : "") + number;
    }
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\11.0\\Outlook]\r\n" +
                       ProfileKeys() + "\r\n[HKEY_CURRENT_USER\\" + Manager +
                       "]\r\n\"{ED475418-B0D6-11D2-8C3B-00104B2A6676}\"=hex:" + list + "\r\n" +
                       Dword("NextAccountID", accounts + 1);
    for (int a = 1; a <= accounts; ++a) {
        const std::string n = std::to_string(a);
        text += "\r\n[HKEY_CURRENT_USER\\" + Manager + "\\" + KeyName(a) + "]\r\n" +
                Str("clsid", "{ED475411-B0D6-11D2-8C3B-00104B2A6676}") +
                Wide("Account Name", "Account " + n) + Wide("Display Name", "User " + n) +
                Wide("Email", "user" + n + "@example.org") +
                Wide("POP3 Server", "pop" + n + ".example.org") + Wide("POP3 User", "user" + n) +
                Dword("POP3 Port", 995) + Dword("POP3 Use SSL", 1) +
                Wide("SMTP Server", "smtp.example.org") + Dword("SMTP Port", 465) +
                Dword("SMTP Use SSL", 1) + Dword("SMTP Use Auth", 1);
    }
    return text;
}

std::unique_ptr<testing_support::TTestSystem> MakeSystem(int major, const std::string& hive) {
    auto system = std::make_unique<testing_support::TTestSystem>("", MachineKeys(), hive);
    system->WritePe(OutlookExe, major, 0, major == 9 ? 2627 : 8217, 0);
    InitOutlookWindowsVersion();
    return system;
}

void SealEveryPassword(int accounts) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    for (int a = 1; a <= accounts; ++a) {
        registry.OpenKey("\\" + Manager + "\\" + KeyName(a), false);
        SealPassword(registry, "POP3 Password", "Password-" + std::to_string(a));
        registry.CloseKey();
    }
}

// Loads the store of the installed system over and over.
template <typename TStore> void Construct(benchmark::State& state) {
    for (auto _ : state) {
        TStore store(false);
        if (store.AccountCount() != state.range(0)) {
            state.SkipWithError("the store did not load every account");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["accounts"] = static_cast<double>(state.range(0));
}

void BM_Outlook2000Construct(benchmark::State& state) {
    const int accounts = static_cast<int>(state.range(0));
    const auto system = MakeSystem(9, Outlook2000Hive(accounts));
    Construct<TOutlook98MailAccounts>(state);
}

void BM_Outlook2003Construct(benchmark::State& state) {
    const int accounts = static_cast<int>(state.range(0));
    const auto system = MakeSystem(11, Outlook2003Hive(accounts));
    Construct<TOutlookMailAccounts>(state);
}

void BM_Outlook2003ConstructWithPasswords(benchmark::State& state) {
    const int accounts = static_cast<int>(state.range(0));
    const auto system = MakeSystem(11, Outlook2003Hive(accounts));
    SealEveryPassword(accounts);
    Construct<TOutlookMailAccounts>(state);
}

template <typename TStore> void SaveNewAccount(benchmark::State& state) {
    TStore store(false);
    for (auto _ : state) {
        auto* account = dynamic_cast<TPOPMailAccount*>(store.AddAccount(
            AccountKindPOP, "anna@quenlix.example", "anna@quenlix.example", "Geheim-42"));
        account->SetIncomingServer("pop.quenlix.example");
        account->SetIncomingPort(995);
        account->SetUseSSL(true);
        account->SetLeaveOnServer(true);
        account->SetSmtpServer("smtp.quenlix.example");
        account->SetSmtpAuthMode(1);
        account->SetSmtpUseSSL(true);
        account->SetSmtpPort(465);
        account->Save();
    }
}

void BM_Outlook2000SaveNewAccountInto100(benchmark::State& state) {
    auto system = MakeSystem(9, Outlook2000Hive(100));
    SaveNewAccount<TOutlook98MailAccounts>(state);
}

void BM_Outlook2003SaveNewAccountInto100(benchmark::State& state) {
    auto system = MakeSystem(11, Outlook2003Hive(100));
    SaveNewAccount<TOutlookMailAccounts>(state);
}

} // namespace

BENCHMARK(BM_Outlook2000Construct)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Outlook2003Construct)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Outlook2003ConstructWithPasswords)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Outlook2000SaveNewAccountInto100)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Outlook2003SaveNewAccountInto100)->Unit(benchmark::kMillisecond)->Iterations(20);

BENCHMARK_MAIN();
