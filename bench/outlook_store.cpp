// The Outlook 98/2000 store (Outlook 2000) and the Outlook 2002/2003/2007 store (Outlook 2003)
// with one MAPI profile of 10, 100 and 1,000 POP3 accounts: loading (Outlook 2003 also with a
// sealed password per account), and saving one new account with its password into the
// 100-account system.

#include "fixtures/OutlookProfiles.h"

#include <clients/ProviderAccountSettings.h>
#include <clients/outlook/Outlook2002.h>
#include <clients/outlook/Outlook98.h>

#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace bench_fixtures;

const TProviderAccountValues Values{"Anna Muster", "anna@quenlix.example", "anna@quenlix.example",
                                    "Geheim-42", false};

std::unique_ptr<testing_support::TTestSystem> MakeSystem(int major, const std::string& hive) {
    auto system = std::make_unique<testing_support::TTestSystem>("", OutlookMachineKeys(), hive);
    InstallOutlook(*system, major);
    return system;
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
    SealOutlook2003Passwords(accounts);
    Construct<TOutlookMailAccounts>(state);
}

template <typename TStore> void SaveNewAccount(benchmark::State& state) {
    TStore store(false);
    for (auto _ : state) {
        auto* account = dynamic_cast<TPOPMailAccount*>(store.AddAccount(
            AccountKindPOP, "anna@quenlix.example", "anna@quenlix.example", "Geheim-42"));
        ApplyProviderSettings(*account, Values, false);
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
