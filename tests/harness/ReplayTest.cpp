// Every fuzz corpus input and every past crash input, run through its format's fuzz entry as
// the fuzzer would: a crash fixed once stays fixed.

#include "HarnessFiles.h"

#include "FormatTarget.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using harness_test::FormatNames;
using harness_test::InputFiles;
using harness_test::SourceDir;

namespace {

const harness::TFormatTarget& Target(const std::string& name) {
    for (const harness::TFormatTarget& target : harness::FormatTargets()) {
        if (target.Name == name) {
            return target;
        }
    }
    throw std::logic_error("no format " + name);
}

class Replay : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(Replay, CorpusAndCrashInputsHoldTheProperties) {
    const harness::TFormatTarget& target = Target(GetParam());
    const auto corpus = InputFiles(SourceDir() / "fuzz" / "corpus" / target.Name);
    EXPECT_FALSE(corpus.empty()) << "no seed corpus for " << target.Name;
    auto inputs = corpus;
    const auto crashes = InputFiles(SourceDir() / "fuzz" / "crashes" / target.Name);
    inputs.insert(inputs.end(), crashes.begin(), crashes.end());
    for (const fs::path& file : inputs) {
        try {
            target.Fuzz(harness_test::ReadBytes(file));
        } catch (const std::exception& error) {
            ADD_FAILURE() << file.string() << ": " << error.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Replay, ::testing::ValuesIn(FormatNames()),
                         [](const auto& info) { return info.param; });

TEST(ReplayFolders, EveryFolderBelongsToAFormat) {
    const auto names = FormatNames();
    for (const char* kind : {"corpus", "crashes"}) {
        std::error_code ec;
        for (fs::directory_iterator it(SourceDir() / "fuzz" / kind, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (it->is_directory()) {
                const std::string name = it->path().filename().string();
                EXPECT_NE(std::find(names.begin(), names.end(), name), names.end())
                    << it->path() << " names no format of fuzz/CMakeLists.txt";
            }
        }
    }
}
