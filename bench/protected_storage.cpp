// Reading one password from a Protected Storage of 1,000 items: through the provider, and as a
// store reads it (reference name to ANSI text).

#include <clients/outlook/StoredPasswords.h>
#include <platform/DataProtection.h>
#include <platform/ProtectedStorage.h>
#include <platform/Registry.h>
#include <platform/System.h>
#include <platform/TextCodec.h>
#include <support/TestSystem.h>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int Items = 1000;
constexpr int ReadItems = 10; // written through the provider, spread among the others

std::string ItemName(int i) {
    char name[24];
    std::snprintf(name, sizeof name, "account%.8d", i);
    return name;
}

// The 1,000 items. The ones read go through the provider; the others are sealed values of the
// same size written in one go, which spares a thousand hive saves while filling.
void Fill(TStoredPasswords& passwords) {
    for (int r = 0; r < ReadItems; ++r) {
        passwords.WriteStoredPassword(ItemName(r * (Items / ReadItems)),
                                      "password " + std::to_string(r));
    }
    const auto filler = platform::CryptProtectData(std::vector<std::uint8_t>(12, 'x'), "",
                                                   std::vector<std::uint8_t>(48, 1), 1);
    platform::TRegistry reg(platform::HKEY_CURRENT_USER);
    reg.OpenKey("\\Software\\Microsoft\\Protected Storage System Provider\\" +
                    platform::MachineFacts().UserSid +
                    "\\Data\\{220d5cc1-853a-11d0-84bc-00c04fd43f8f}\\"
                    "{417e2d75-84bd-11d0-84bb-00c04fd43f8f}",
                false);
    for (int i = 0; i < Items; ++i) {
        if (i % (Items / ReadItems) != 0) {
            reg.WriteBinaryData(ItemName(i), filler.value_or(std::vector<std::uint8_t>()));
        }
    }
    reg.CloseKey();
}

TStoredPasswords& Store() {
    static testing_support::TTestSystem system;
    static TStoredPasswords passwords(TOutlookPasswordStore::OutlookExpress,
                                      TOutlookWindowsVersion::WinXP);
    static const bool filled = [] {
        passwords.ObtainProvider();
        Fill(passwords);
        return true;
    }();
    (void)filled;
    return passwords;
}

void BM_ReadItemOf1000(benchmark::State& state) {
    Store();
    std::unique_ptr<platform::IPStore> provider;
    platform::PStoreCreateInstance(provider);
    std::vector<std::u16string> names;
    provider->EnumItems(platform::PST_KEY_CURRENT_USER, AnsiPasswordType, AnsiPasswordSubtype, 0,
                        names);
    state.counters["items"] = static_cast<double>(names.size());
    int r = 0;
    for (auto _ : state) {
        std::vector<std::uint8_t> data;
        const std::string name = ItemName(r * (Items / ReadItems));
        if (provider->ReadItem(platform::PST_KEY_CURRENT_USER, AnsiPasswordType,
                               AnsiPasswordSubtype, platform::Utf8ToUtf16(name), data,
                               0x10) != platform::PST_E_OK) {
            state.SkipWithError("item missing");
            break;
        }
        benchmark::DoNotOptimize(data.data());
        r = (r + 1) % ReadItems;
    }
}

void BM_ReadStoredPasswordOf1000(benchmark::State& state) {
    TStoredPasswords& store = Store();
    int r = 0;
    for (auto _ : state) {
        const std::string password = store.ReadStoredPassword(ItemName(r * (Items / ReadItems)));
        if (password.empty()) {
            state.SkipWithError("password missing");
            break;
        }
        benchmark::DoNotOptimize(password.data());
        r = (r + 1) % ReadItems;
    }
}

} // namespace

BENCHMARK(BM_ReadItemOf1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadStoredPasswordOf1000)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
