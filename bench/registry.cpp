// Registry speed at growing hive sizes: loading and saving a hive file, and opening a key to
// read one value through the accessor.

#include "platform/Registry.h"
#include "platform/RegFile.h"
#include "platform/RegHive.h"
#include "platform/RegText.h"
#include "support/TestSystem.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::reg::THive;

namespace {

constexpr int ValuesPerKey = 10;

std::string KeyPath(int key) {
    return "Software\\Vendor" + std::to_string(key / 50) + "\\Product" + std::to_string(key);
}

// A hive of `values` values of the usual types, ten to a key.
void Fill(THive& hive, int values) {
    for (int k = 0; k < values / ValuesPerKey; ++k) {
        platform::reg::TRegKey* key = hive.Create(KeyPath(k));
        for (int v = 0; v < ValuesPerKey; ++v) {
            const std::string name = "Value" + std::to_string(v);
            switch (v % 4) {
            case 0:
                hive.SetValue(
                    *key, name, 1,
                    platform::reg::StringToRegData("C:\\Program Files\\App " + std::to_string(k)));
                break;
            case 1:
                hive.SetValue(*key, name, 4, {static_cast<std::uint8_t>(k), 0, 0, 0});
                break;
            case 2:
                hive.SetValue(*key, name, 3, std::vector<std::uint8_t>(60, 0x5A));
                break;
            default:
                hive.SetValue(*key, name, 2, platform::reg::StringToRegData("%APPDATA%\\App"));
            }
        }
    }
}

struct TTempDir {
    fs::path Path;
    TTempDir() {
        std::string pattern = (fs::temp_directory_path() / "quenlix-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        Path = pattern;
    }
    ~TTempDir() { fs::remove_all(Path); }
};

void BM_HiveLoad(benchmark::State& state) {
    TTempDir dir;
    const fs::path file = dir.Path / "HKEY_CURRENT_USER.reg";
    THive source("HKEY_CURRENT_USER");
    Fill(source, static_cast<int>(state.range(0)));
    source.Save(file);
    state.counters["file KiB"] = static_cast<double>(fs::file_size(file)) / 1024.0;
    for (auto _ : state) {
        THive hive("HKEY_CURRENT_USER");
        hive.Load(file);
        benchmark::DoNotOptimize(hive.Root().SubKeys().size());
    }
    state.SetComplexityN(state.range(0));
}

// Save as it happens on closing a key: format, temporary file, fsync, rename.
void BM_HiveSave(benchmark::State& state) {
    TTempDir dir;
    const fs::path file = dir.Path / "HKEY_CURRENT_USER.reg";
    THive hive("HKEY_CURRENT_USER");
    Fill(hive, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        hive.Save(file);
    }
    state.SetComplexityN(state.range(0));
}

void BM_HiveFormat(benchmark::State& state) {
    THive hive("HKEY_CURRENT_USER");
    Fill(hive, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::reg::FormatRegFile(hive.Root(), hive.RootName()));
    }
    state.SetComplexityN(state.range(0));
}

// OpenKeyReadOnly + ReadString + CloseKey on an installed system holding the hive.
void BM_OpenKeyReadValue(benchmark::State& state) {
    const int values = static_cast<int>(state.range(0));
    THive hive("HKEY_CURRENT_USER");
    Fill(hive, values);
    const std::string text = platform::reg::FormatRegFile(hive.Root(), hive.RootName());
    const std::u16string wide = platform::reg::BytesToUtf16(
        reinterpret_cast<const std::uint8_t*>(text.data()) + 2, text.size() - 2);
    testing_support::TTestSystem system("", "", platform::reg::Utf16ToUtf8(wide));
    const int keys = values / ValuesPerKey;
    int k = 0;
    for (auto _ : state) {
        platform::TRegistry reg;
        if (!reg.OpenKeyReadOnly("\\" + KeyPath(k))) {
            state.SkipWithError("key missing");
            break;
        }
        benchmark::DoNotOptimize(reg.ReadString("Value0"));
        k = (k + 7919) % keys;
    }
    state.SetComplexityN(state.range(0));
}

// Writing one value and saving the hive on close, as a store does for each changed key.
void BM_WriteValueAndClose(benchmark::State& state) {
    THive hive("HKEY_CURRENT_USER");
    Fill(hive, static_cast<int>(state.range(0)));
    const std::string text = platform::reg::FormatRegFile(hive.Root(), hive.RootName());
    const std::u16string wide = platform::reg::BytesToUtf16(
        reinterpret_cast<const std::uint8_t*>(text.data()) + 2, text.size() - 2);
    testing_support::TTestSystem system("", "", platform::reg::Utf16ToUtf8(wide));
    int i = 0;
    for (auto _ : state) {
        platform::TRegistry reg;
        reg.OpenKey("\\Software\\Bench", true);
        reg.WriteInteger("Counter", ++i);
        reg.CloseKey();
    }
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_HiveLoad)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_HiveFormat)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_HiveSave)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_OpenKeyReadValue)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();
BENCHMARK(BM_WriteValueAndClose)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
