// The Thunderbird store with a profile of 1 to 500 accounts: loading, and creating and saving
// one new account.

#include <clients/mozilla/Thunderbird.h>

#include <platform/Files.h>
#include <platform/System.h>
#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string kExe = "C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe";

testing_support::TTestSystem& System() {
    static testing_support::TTestSystem system(
        "", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
            "Paths\\thunderbird.exe]\r\n@=\"C:\\\\Program Files\\\\Mozilla "
            "Thunderbird\\\\thunderbird.exe\"\r\n");
    return system;
}

std::string ProfileDir() {
    return platform::MachineFacts().AppData + "\\Thunderbird\\Profiles\\b";
}

std::string Pref(const std::string& name, const std::string& value) {
    return "user_pref(\"" + name + "\", \"" + value + "\");\r\n";
}
std::string Pref(const std::string& name, int value) {
    return "user_pref(\"" + name + "\", " + std::to_string(value) + ");\r\n";
}

// prefs.js of a profile with local folders and n POP accounts, each with its own outgoing server.
std::string MakePrefs(int n) {
    std::string text = "# Mozilla User Preferences\r\n\r\n";
    std::string accounts = "account1";
    std::string smtps;
    text += Pref("mail.account.account1.server", "server1");
    text += Pref("mail.server.server1.type", "none");
    for (int i = 2; i <= n + 1; ++i) {
        const std::string k = std::to_string(i);
        const std::string id = "mail.identity.id" + k + ".";
        const std::string srv = "mail.server.server" + k + ".";
        const std::string smtp = "mail.smtpserver.smtp" + k + ".";
        accounts += ",account" + k;
        smtps += (smtps.empty() ? "smtp" : ",smtp") + k;
        text += Pref("mail.account.account" + k + ".identities", "id" + k);
        text += Pref("mail.account.account" + k + ".server", "server" + k);
        text += Pref(id + "fullName", "User " + k) + Pref(id + "useremail", "u" + k + "@x.example");
        text += Pref(id + "smtpServer", "smtp" + k) + Pref(id + "valid", "true");
        text += Pref(id + "draft_folder", "mailbox://u" + k + "@pop.x.example/Drafts");
        text += Pref(id + "fcc_folder", "mailbox://u" + k + "@pop.x.example/Sent");
        text += Pref(srv + "type", "pop3") + Pref(srv + "hostname", "pop" + k + ".x.example");
        text += Pref(srv + "userName", "u" + k) + Pref(srv + "name", "Account " + k);
        text += Pref(srv + "port", 995) + Pref(srv + "socketType", 3);
        text += Pref(srv + "directory", "C:\\\\Mail\\\\pop" + k);
        text += Pref(srv + "directory-rel", "[ProfD]Mail/pop" + k);
        text += Pref(smtp + "hostname", "smtp" + k + ".x.example") + Pref(smtp + "port", 465);
        text += Pref(smtp + "auth_method", 1) + Pref(smtp + "username", "u" + k);
    }
    text += Pref("mail.accountmanager.accounts", accounts);
    text += Pref("mail.smtpservers", smtps);
    return text;
}

void Prepare(int n) {
    static bool installed = false;
    if (!installed) {
        System().WritePe(kExe, 2, 0, 0, 24);
        System().WriteFile(platform::MachineFacts().AppData + "\\Thunderbird\\profiles.ini",
                           "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/b\r\n");
        installed = true;
    }
    System().WriteFile(ProfileDir() + "\\prefs.js", MakePrefs(n));
}

void BM_StoreLoad(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Prepare(n);
    for (auto _ : state) {
        TThunderbirdMailAccounts store(false);
        benchmark::DoNotOptimize(store.AccountCount());
    }
    state.SetComplexityN(n);
}

void BM_StoreCreateAndSave(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Prepare(n);
    const std::string prefs = System().ReadFile(ProfileDir() + "\\prefs.js");
    TThunderbirdMailAccounts store(false);
    for (auto _ : state) {
        state.PauseTiming();
        System().WriteFile(ProfileDir() + "\\prefs.js", prefs);
        state.ResumeTiming();
        TMailAccount* account = store.AddAccount(AccountKindPOP, "new@x.example", "new", "pw");
        auto& pop = dynamic_cast<TPOPMailAccount&>(*account);
        pop.SetAccountName("New User");
        pop.SetIncomingServer("pop.x.example");
        pop.SetIncomingPort(995);
        pop.SetUseSSL(true);
        pop.SetLeaveOnServer(true);
        pop.SetSmtpServer("smtp.x.example");
        pop.SetSmtpPort(465);
        pop.SetSmtpUseSSL(true);
        pop.SetSmtpAuthMode(1);
        pop.Save();
        state.PauseTiming();
        store.DeleteDefaultProfileAccount(store.AccountCount() - 1);
        platform::RemoveDirectory(ProfileDir() + "\\Mail\\pop.x.example");
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

} // namespace

BENCHMARK(BM_StoreLoad)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(500)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_StoreCreateAndSave)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(500)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK_MAIN();
