// Key paths nested very deep: Windows stops at 512 levels, and nothing that walks a hive may
// recurse once per level (a 70 KB file used to crash the save).

#include "RegTestText.h"

#include "ThrowsWith.h"

#include "platform/RegFile.h"
#include "platform/RegHive.h"
#include "platform/RegKey.h"
#include "support/SmallStack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::reg::ERegFileError;
using platform::reg::FormatRegFile;
using platform::reg::MaxKeyDepth;
using platform::reg::ParseRegFile;
using platform::reg::THive;
using platform::reg::TRegKey;
using platform_test::ThrowsWith;
using testing_support::RunOnSmallStack;

namespace {

// "HKEY_CURRENT_USER\k\k\...\k" with `depth` names below the root.
std::string DeepPath(const std::string& rootName, std::size_t depth) {
    std::string path = rootName;
    for (std::size_t i = 0; i < depth; ++i) {
        path += "\\k";
    }
    return path;
}

std::string DeepFile(std::size_t depth, const std::string& rootName = "HKEY_CURRENT_USER") {
    return "Windows Registry Editor Version 5.00\n\n[" + DeepPath(rootName, depth) +
           "]\n\"Leaf\"=dword:00000001\n\n[HKEY_CURRENT_USER\\Other]\n\n";
}

std::size_t DepthOfDeepestKey(const TRegKey& root) {
    std::size_t depth = 0;
    for (const TRegKey* key = root.FindSubKey("k"); key != nullptr; key = key->FindSubKey("k")) {
        ++depth;
    }
    return depth;
}

// A chain of keys built straight in memory, where no depth limit applies; the keys on the way
// are implicit, so its export is one header line.
std::unique_ptr<TRegKey> DeepChain(std::size_t depth) {
    auto root = std::make_unique<TRegKey>("HKEY_CURRENT_USER", nullptr);
    root->Implicit = true;
    TRegKey* key = root.get();
    for (std::size_t i = 0; i < depth; ++i) {
        key = &key->SubKey("k");
        key->Implicit = i + 1 < depth;
    }
    return root;
}

} // namespace

TEST(RegDepth, KeysUpToTheWindowsLimitReadAndWriteBack) {
    auto root = std::make_unique<TRegKey>("HKEY_CURRENT_USER", nullptr);
    root->Implicit = true;
    const std::string file = reg_test::Utf16File(DeepFile(MaxKeyDepth));
    ParseRegFile(file, "deep.reg", "HKEY_CURRENT_USER", *root);
    EXPECT_EQ(DepthOfDeepestKey(*root), MaxKeyDepth);
    EXPECT_EQ(FormatRegFile(*root, "HKEY_CURRENT_USER"), file);
}

TEST(RegDepth, DeeperKeysAreRefusedNamingTheLine) {
    struct TCase {
        std::string Text;
        std::string RootName;
    };
    const std::vector<TCase> cases = {
        {DeepFile(MaxKeyDepth + 1), "HKEY_CURRENT_USER"},
        {DeepFile(200'000), "HKEY_CURRENT_USER"},
        // HKEY_CLASSES_ROOT lies two levels down in the machine's hive.
        {"[HKEY_LOCAL_MACHINE\\Other]\n\n[" + DeepPath("HKEY_CLASSES_ROOT", MaxKeyDepth - 1) +
             "]\n",
         "HKEY_LOCAL_MACHINE"},
        {"[HKEY_CURRENT_USER\\Other]\n\n[-" + DeepPath("HKEY_CURRENT_USER", MaxKeyDepth + 1) +
             "]\n",
         "HKEY_CURRENT_USER"},
    };
    for (const TCase& c : cases) {
        RunOnSmallStack([&] {
            auto root = std::make_unique<TRegKey>(c.RootName, nullptr);
            EXPECT_TRUE(ThrowsWith<ERegFileError>(
                [&] { ParseRegFile(c.Text, "deep.reg", c.RootName, *root); },
                "deep.reg, line 3: key path nested deeper than 512 levels"))
                << c.Text.substr(0, 80);
        });
    }
}

TEST(RegDepth, HiveRefusesToCreateKeysBeyondTheLimit) {
    THive hive("HKEY_CURRENT_USER");
    const std::string atLimit = DeepPath("", MaxKeyDepth).substr(1);
    EXPECT_NE(hive.Create(atLimit), nullptr);
    EXPECT_EQ(hive.Create(atLimit + "\\k"), nullptr);
    EXPECT_EQ(hive.Find(atLimit + "\\k"), nullptr);
}

TEST(RegDepth, DeepTreesAreWrittenAndDestroyedWithoutRecursion) {
    constexpr std::size_t depth = 100'000;
    RunOnSmallStack([] {
        auto root = DeepChain(depth);
        const std::string file = FormatRegFile(*root, "HKEY_CURRENT_USER");
        const std::string text = reg_test::TextOf(file);
        EXPECT_EQ(text, "Windows Registry Editor Version 5.00\n\n[" +
                            DeepPath("HKEY_CURRENT_USER", depth) + "]\n\n");
        TRegKey* leaf = root.get();
        while (!leaf->SubKeys().empty()) {
            leaf = leaf->SubKeys().begin()->second.get();
        }
        EXPECT_EQ(leaf->Path().size(), 2 * depth - 1);
        root->DeleteSubKey("k");
        EXPECT_TRUE(root->SubKeys().empty());
        root = DeepChain(depth); // and destroyed whole with its root
    });
}

TEST(RegDepth, LoadingADeepFileFailsAndKeepsTheHive) {
    std::string pattern = (fs::temp_directory_path() / "quenlix-deep-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const fs::path file = dir / "HKEY_CURRENT_USER.reg";
    std::ofstream(file, std::ios::binary) << DeepFile(200'000);
    THive hive("HKEY_CURRENT_USER");
    hive.Create("Software\\Kept");
    RunOnSmallStack([&] { EXPECT_THROW(hive.Load(file), ERegFileError); });
    EXPECT_NE(hive.Find("Software\\Kept"), nullptr);
    fs::remove_all(dir);
}
