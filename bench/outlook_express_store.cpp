// The Outlook Express store with 1, 10 and 100 identities of 10 POP3 accounts each: loading
// (with and without a stored password per account), and saving one new account into the
// 100-identity system (with and without the stored passwords).

#include "fixtures/OutlookExpressIdentities.h"

#include <clients/ProviderAccountSettings.h>
#include <clients/outlook/OutlookExpress.h>

#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace bench_fixtures;

const TProviderAccountValues Values{"Anna Muster", "anna@quenlix.example", "anna@quenlix.example",
                                    "Geheim-42", false};

std::unique_ptr<testing_support::TTestSystem> MakeSystem(int identities, bool passwords) {
    auto system = std::make_unique<testing_support::TTestSystem>(
        "", "", OutlookExpressHive(identities, passwords));
    InstallOutlookExpress(*system, identities, passwords);
    return system;
}

void Construct(benchmark::State& state, bool passwords) {
    const int identities = static_cast<int>(state.range(0));
    auto system = MakeSystem(identities, passwords);
    for (auto _ : state) {
        TOutlookExpressMailAccounts store(false);
        benchmark::DoNotOptimize(store.ProfileCount());
    }
    const int accounts = identities * OutlookExpressAccountsPerIdentity;
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
        ApplyProviderSettings(*account, Values, false);
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
