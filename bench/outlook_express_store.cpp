// The Outlook Express store with 1, 10 and 100 identities of 10 POP3 accounts each: loading
// (with and without a stored password per account), and saving one new account into the
// 100-identity system (with and without the stored passwords).

#include <clients/outlook/OutlookExpress.h>
#include <clients/outlook/OutlookWindowsVersion.h>
#include <clients/outlook/StoredPasswords.h>

#include <platform/System.h>
#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int AccountsPerIdentity = 10;

std::string Identity(int i) {
    char text[48];
    std::snprintf(text, sizeof text, "{%08X-1C5D-4E6F-9A7B-2C3D4E5F6A7B}", i + 1);
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

// 01 02, the reference as UTF-16LE, 00 00.
std::string Reference(const std::string& reference) {
    std::string line = "\"POP3 Password2\"=hex:01,02";
    for (const char c : reference) {
        char digits[8];
        std::snprintf(digits, sizeof digits, ",%02x,00", static_cast<unsigned char>(c));
        line += digits;
    }
    return line + ",00,00\r\n";
}

std::string ReferenceName(int identity, int account) {
    char text[24];
    std::snprintf(text, sizeof text, "account%04d%04d", identity, account);
    return text;
}

// HKEY_CURRENT_USER of Outlook Express with n identities; the first owns the top-level tree.
std::string MakeHive(int identities, bool passwords) {
    std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Identities]\r\n" +
        Str("Default User ID", Identity(0));
    for (int i = 0; i < identities; ++i) {
        const std::string id = "HKEY_CURRENT_USER\\Identities\\" + Identity(i);
        text += "\r\n[" + id + "]\r\n" + Str("Username", "Identity " + std::to_string(i)) +
                Str("User ID", Identity(i));
        const std::string tree = (i == 0 ? std::string("HKEY_CURRENT_USER") : id) +
                                 "\\Software\\Microsoft\\Internet Account Manager";
        text += "\r\n[" + tree + "]\r\n" + Dword("Account Name", AccountsPerIdentity) +
                Str("Default Mail Account", "00000000");
        text += "\r\n[" + tree + "\\Accounts]\r\n";
        if (i == 0) {
            text += "\"AssociatedID\"=hex:01,00,00,00,5d,1c,6f,4e,9a,7b,2c,3d,4e,5f,6a,7b\r\n";
        }
        for (int a = 0; a < AccountsPerIdentity; ++a) {
            char key[16];
            std::snprintf(key, sizeof key, "%08X", a);
            const std::string host = "pop" + std::to_string(a) + ".example.org";
            text += "\r\n[" + tree + "\\Accounts\\" + key + "]\r\n" +
                    Str("Account Name", "Account " + std::to_string(a)) +
                    Dword("Connection Type", 3) + Str("POP3 Server", host) +
                    Str("POP3 User Name", "user" + std::to_string(a)) +
                    (passwords ? Reference(ReferenceName(i, a)) : std::string()) +
                    Dword("POP3 Prompt for Password", 0) + Dword("POP3 Port", 995) +
                    Dword("POP3 Secure Connection", 1) + Dword("Leave Mail On Server", 1) +
                    Str("SMTP Server", "smtp.example.org") + Dword("SMTP Port", 465) +
                    Dword("SMTP Secure Connection", 1) + Dword("SMTP Use Sicily", 2) +
                    Str("SMTP Display Name", "User " + std::to_string(a)) +
                    Str("SMTP Email Address", "user" + std::to_string(a) + "@example.org");
        }
    }
    return text;
}

std::unique_ptr<testing_support::TTestSystem> MakeSystem(int identities, bool passwords) {
    auto system =
        std::make_unique<testing_support::TTestSystem>("", "", MakeHive(identities, passwords));
    system->WritePe("C:\\Program Files\\Outlook Express\\msimn.exe", 6, 0, 2900, 5512);
    InitOutlookWindowsVersion();
    if (passwords) {
        TStoredPasswords items(TOutlookPasswordStore::OutlookExpress);
        items.ObtainProvider();
        for (int i = 0; i < identities; ++i) {
            for (int a = 0; a < AccountsPerIdentity; ++a) {
                items.WriteStoredPassword(ReferenceName(i, a), "Password-" + std::to_string(a));
            }
        }
    }
    return system;
}

void Construct(benchmark::State& state, bool passwords) {
    const int identities = static_cast<int>(state.range(0));
    auto system = MakeSystem(identities, passwords);
    for (auto _ : state) {
        TOutlookExpressMailAccounts store(false);
        benchmark::DoNotOptimize(store.ProfileCount());
    }
    const int accounts = identities * AccountsPerIdentity;
    state.SetItemsProcessed(state.iterations() * accounts);
    state.counters["accounts"] = accounts;
}

void BM_Construct(benchmark::State& state) {
    Construct(state, false);
}
void BM_ConstructWithPasswords(benchmark::State& state) {
    Construct(state, true);
}

// With a stored password per account (1,000 Protected Storage items) or without any.
void BM_SaveNewAccountInto100Identities(benchmark::State& state) {
    auto system = MakeSystem(100, state.range(0) != 0);
    TOutlookExpressMailAccounts store(false);
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

} // namespace

BENCHMARK(BM_Construct)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConstructWithPasswords)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveNewAccountInto100Identities)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

BENCHMARK_MAIN();
