// The Windows Mail store on a Vista machine with 10 to 1,000 account files (each with two sealed
// passwords): construction, which reads and unseals every file, and saving one new account.

#include "fixtures/OeAccountFiles.h"

#include <clients/oeaccount/WindowsMail.h>

#include <platform/Files.h>
#include <platform/System.h>
#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace bench_fixtures;

const std::string Exe = "C:\\Program Files\\Windows Mail\\WinMail.exe";

testing_support::TTestSystem& System() {
    static testing_support::TTestSystem system(
        testing_support::TTestMachine().Windows(testing_support::TTestWindows::Vista).Ini(),
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
        "Paths\\WinMail.exe]\r\n@=\"C:\\\\Program Files\\\\Windows Mail\\\\WinMail.exe\"\r\n",
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Mail]\r\n" + OeAccountSaltReg);
    return system;
}

std::string LocalFolders() {
    return platform::MachineFacts().LocalAppData + "\\Microsoft\\Windows Mail\\Local Folders\\";
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
                           OeAccountFile(i));
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
