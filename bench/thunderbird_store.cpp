// The Thunderbird store with a profile of 1 to 500 accounts: loading, and creating and saving
// one new account.

#include "fixtures/ThunderbirdProfile.h"

#include <clients/mozilla/Thunderbird.h>

#include <platform/Files.h>
#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace bench_fixtures;

testing_support::TTestSystem& System() {
    static testing_support::TTestSystem system("", ThunderbirdAppPathsReg());
    return system;
}

std::string ProfileDir() {
    return ThunderbirdProfileDir("b");
}

void Prepare(int n) {
    static bool installed = false;
    if (!installed) {
        InstallThunderbird(System(), {"b"});
        installed = true;
    }
    System().WriteFile(ProfileDir() + "\\prefs.js", ThunderbirdPrefs(n));
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
