// prefs.js and hive load and save beside the bare file work under them: a plain read and an
// atomic write (WriteFileAtomic: temporary file, flush, rename) of the same bytes on the same
// drive. Each iteration does both, in turn; the time reported is the format's, and the counter
// "x plain" is how many times the bare file work that takes (format time / file time).

#include "clients/mozilla/MozillaPrefs.h"
#include "platform/Files.h"
#include "platform/RegFile.h"
#include "platform/RegHive.h"
#include "platform/RegText.h"
#include "support/TestSystem.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

namespace {

using TClock = std::chrono::steady_clock;

// The simulated system with the folder of the benchmark files, made on first use.
void PrepareFolder() {
    static testing_support::TTestSystem system;
    platform::ForceDirectories("C:\\Bench");
}

// Times `format` and `bare` alternately; reports the format's time and the ratio.
void Compare(benchmark::State& state, const std::function<void()>& format,
             const std::function<void()>& bare) {
    double formatSeconds = 0, bareSeconds = 0;
    for (auto _ : state) {
        const auto t0 = TClock::now();
        bare();
        const auto t1 = TClock::now();
        format();
        const auto t2 = TClock::now();
        bareSeconds += std::chrono::duration<double>(t1 - t0).count();
        const double seconds = std::chrono::duration<double>(t2 - t1).count();
        formatSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["x plain"] = formatSeconds / bareSeconds;
    state.counters["plain ms"] =
        benchmark::Counter(bareSeconds * 1000, benchmark::Counter::kAvgIterations);
}

// A hive of `values` values of the usual types, ten to a key.
void FillHive(platform::reg::THive& hive, int values) {
    for (int k = 0; k < values / 10; ++k) {
        platform::reg::TRegKey* key = hive.Create("Software\\Vendor" + std::to_string(k / 50) +
                                                  "\\Product" + std::to_string(k));
        for (int v = 0; v < 10; ++v) {
            const std::string name = "Value" + std::to_string(v);
            if (v % 3 == 0) {
                hive.SetValue(*key, name, 4, {static_cast<std::uint8_t>(k), 0, 0, 0});
            } else if (v % 3 == 1) {
                hive.SetValue(*key, name, 3, std::vector<std::uint8_t>(60, 0x5A));
            } else {
                hive.SetValue(
                    *key, name, 1,
                    platform::reg::StringToRegData("C:\\Program Files\\App " + std::to_string(k)));
            }
        }
    }
}

const std::string HivePath = "C:\\Bench\\HKEY_CURRENT_USER.reg";
const std::string HiveCopy = "C:\\Bench\\copy.reg";

void BM_HiveLoad(benchmark::State& state) {
    PrepareFolder();
    platform::reg::THive source("HKEY_CURRENT_USER");
    FillHive(source, static_cast<int>(state.range(0)));
    source.Save(platform::HostPath(HivePath));
    const auto file = platform::HostPath(HivePath);
    Compare(
        state,
        [&] {
            platform::reg::THive hive("HKEY_CURRENT_USER");
            hive.Load(file);
            benchmark::DoNotOptimize(hive.Root().SubKeys().size());
        },
        [&] { benchmark::DoNotOptimize(platform::ReadFileBytes(HivePath)); });
}

void BM_HiveSave(benchmark::State& state) {
    PrepareFolder();
    platform::reg::THive hive("HKEY_CURRENT_USER");
    FillHive(hive, static_cast<int>(state.range(0)));
    const std::string bytes = platform::reg::FormatRegFile(hive.Root(), hive.RootName());
    const auto file = platform::HostPath(HivePath);
    Compare(
        state, [&] { hive.Save(file); }, [&] { platform::WriteFileAtomic(HiveCopy, bytes); });
    state.counters["file KiB"] = static_cast<double>(bytes.size()) / 1024.0;
}

const std::string PrefsPath = "C:\\Bench\\prefs.js";
const std::string PrefsCopy = "C:\\Bench\\copy.js";

// A prefs.js of n statements of the three kinds, as Thunderbird writes them.
std::string MakePrefs(int n) {
    std::string text = "# Mozilla User Preferences\r\n\r\n";
    for (int i = 0; i < n; ++i) {
        const std::string name =
            "mail.server.server" + std::to_string(i / 8) + ".key" + std::to_string(i % 8);
        if (i % 3 == 0) {
            text += "user_pref(\"" + name + "\", \"C:\\\\Documents and Settings\\\\User\\\\" +
                    std::to_string(i) + "\");\r\n";
        } else if (i % 3 == 1) {
            text += "user_pref(\"" + name + "\", " + std::to_string(i) + ");\r\n";
        } else {
            text += "user_pref(\"" + name + "\", true);\r\n";
        }
    }
    return text;
}

void BM_PrefsLoad(benchmark::State& state) {
    PrepareFolder();
    platform::WriteFileAtomic(PrefsPath, MakePrefs(static_cast<int>(state.range(0))));
    Compare(
        state,
        [&] {
            TMozillaPrefsFile prefs;
            prefs.Load(PrefsPath);
            benchmark::DoNotOptimize(prefs.Count());
        },
        [&] { benchmark::DoNotOptimize(platform::ReadFileBytes(PrefsPath)); });
}

void BM_PrefsSave(benchmark::State& state) {
    PrepareFolder();
    platform::WriteFileAtomic(PrefsPath, MakePrefs(static_cast<int>(state.range(0))));
    TMozillaPrefsFile prefs;
    prefs.Load(PrefsPath);
    prefs.SetInteger("mail.account.added", 1);
    prefs.SaveToFile(PrefsPath);
    const std::string bytes = *platform::ReadFileBytes(PrefsPath);
    Compare(
        state, [&] { prefs.SaveToFile(PrefsPath); },
        [&] { platform::WriteFileAtomic(PrefsCopy, bytes); });
    state.counters["file KiB"] = static_cast<double>(bytes.size()) / 1024.0;
}

} // namespace

BENCHMARK(BM_HiveLoad)->Arg(10000)->Arg(50000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HiveSave)->Arg(10000)->Arg(50000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrefsLoad)->Arg(10000)->Arg(50000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrefsSave)->Arg(10000)->Arg(50000)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
