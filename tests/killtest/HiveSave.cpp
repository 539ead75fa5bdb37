// A large user hive saved over its file.

#include "KillScenario.h"

#include "platform/RegFile.h"
#include "platform/RegHive.h"
#include "platform/RegText.h"
#include "platform/System.h"

namespace kill_test {

namespace {

class THiveSave : public TOneFileSave {
public:
    std::string Name() const override { return "hive"; }

    void Prepare() override {
        std::filesystem::create_directories(platform::SystemRoot() / "hive");
        File_ = platform::SystemRoot() / "hive" / "HKEY_CURRENT_USER.reg";
        Fill(Old_, 0);
        OldBytes_ = platform::reg::FormatRegFile(Old_.Root(), Old_.RootName());
        Fill(New_, 1);
    }
    void Save() override { New_.Save(File_); }

private:
    // 10,000 values of the usual types, ten to a key (about 1.5 MB of UTF-16).
    static void Fill(platform::reg::THive& hive, int generation) {
        for (int k = 0; k < 1000; ++k) {
            platform::reg::TRegKey* key = hive.Create("Software\\Vendor" + std::to_string(k / 50) +
                                                      "\\Product" + std::to_string(k));
            for (int v = 0; v < 10; ++v) {
                const std::string text = "C:\\Program Files\\App " + std::to_string(k) +
                                         " generation " + std::to_string(generation);
                if (v % 2 == 0) {
                    hive.SetValue(*key, "Value" + std::to_string(v), 1,
                                  platform::reg::StringToRegData(text));
                } else {
                    hive.SetValue(
                        *key, "Value" + std::to_string(v), 3,
                        std::vector<std::uint8_t>(40, static_cast<std::uint8_t>(v + generation)));
                }
            }
        }
    }

    platform::reg::THive Old_{"HKEY_CURRENT_USER"};
    platform::reg::THive New_{"HKEY_CURRENT_USER"};
};

const TKillRegistration Registered{std::make_unique<THiveSave>()};

} // namespace

} // namespace kill_test
