// Sealing and unsealing a 64-byte password with data protection, key derivation included, for
// the user's and the machine's scope.

#include <platform/DataProtection.h>
#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

namespace {

const std::vector<std::uint8_t> Password(64, 0x5A);
const std::vector<std::uint8_t> Entropy(16, 0xA5);

testing_support::TTestSystem& System() {
    static testing_support::TTestSystem system;
    return system;
}

// Argument: the seal flags (1 user scope, 5 machine scope); with entropy, as Windows Mail seals.
void BM_Seal(benchmark::State& state) {
    System();
    const auto flags = static_cast<std::uint32_t>(state.range(0));
    for (auto _ : state) {
        auto blob = platform::CryptProtectData(Password, "POP3 Password", Entropy, flags);
        if (!blob) {
            state.SkipWithError("sealing failed");
            break;
        }
        benchmark::DoNotOptimize(blob->data());
    }
}

void BM_Unseal(benchmark::State& state) {
    System();
    const auto flags = static_cast<std::uint32_t>(state.range(0));
    const auto blob = platform::CryptProtectData(Password, "POP3 Password", Entropy, flags);
    if (!blob) {
        state.SkipWithError("sealing failed");
        return;
    }
    for (auto _ : state) {
        auto opened = platform::CryptUnprotectData(*blob, Entropy, flags);
        if (!opened) {
            state.SkipWithError("unsealing failed");
            break;
        }
        benchmark::DoNotOptimize(opened->Data.data());
    }
}

} // namespace

BENCHMARK(BM_Seal)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Unseal)->Arg(1)->Arg(5)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
