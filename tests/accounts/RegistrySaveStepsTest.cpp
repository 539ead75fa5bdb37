// Save steps: a failure puts back every registry change made before it, and nothing else.

#include "accounts/RegistrySaveSteps.h"

#include "platform/RegHive.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using platform::TRegistry;
using testing_support::TTestSystem;

namespace {

const char* const Hive = "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
                         "\"Kept\"=\"old\"\r\n"
                         "\"Number\"=dword:00000007\r\n"
                         "[HKEY_CURRENT_USER\\Software\\Test\\Sub]\r\n"
                         "\"Inner\"=hex:01,02\r\n"
                         "[HKEY_CURRENT_USER\\Software\\Test\\Sub\\Deeper]\r\n"
                         "@=\"default\"\r\n";

std::string HiveFile(const TTestSystem& system) {
    std::ifstream in(system.Root() / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadString(const std::string& key, const std::string& name) {
    TRegistry reg(platform::HKEY_CURRENT_USER);
    return reg.OpenKeyReadOnly("\\" + key) && reg.ValueExists(name) ? reg.ReadString(name)
                                                                    : "<missing>";
}

// The whole hive in memory, as the .reg text the next save would write.
std::string HiveInMemory(TTestSystem& system) {
    TRegistry reg(platform::HKEY_CURRENT_USER);
    reg.OpenKey("\\Software", false);
    reg.WriteString("Touch", "");
    reg.DeleteValue("Touch");
    reg.CloseKey();
    return HiveFile(system);
}

void Fail(TSaveSteps& steps) {
    steps.Add("the thing that fails",
              []() -> TSaveSteps::TUndo { throw std::runtime_error("disk on fire"); });
}

} // namespace

TEST(RegistrySaveSteps, AllStepsRunAndTheSavedHiveHoldsThem) {
    TTestSystem system("", "", Hive);
    TSaveSteps steps;
    {
        TRegistrySaveSteps registry(steps);
        registry.WriteString("Software\\Test", "Kept", "new");
        registry.WriteInteger("Software\\New\\Key", "Number", 42);
        registry.DeleteValue("Software\\Test", "Number");
        registry.DeleteKey("Software\\Test\\Sub");
        const std::string before = HiveFile(system);
        registry.AddSave();
        EXPECT_EQ(steps.Descriptions(),
                  (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Test\\Kept",
                                            "HKEY_CURRENT_USER\\Software\\New\\Key\\Number",
                                            "HKEY_CURRENT_USER\\Software\\Test\\Number",
                                            "HKEY_CURRENT_USER\\Software\\Test\\Sub",
                                            "the registry hive HKEY_CURRENT_USER"}));
        steps.Run();
        EXPECT_NE(HiveFile(system), before);
    }
    system.Reinstall();
    EXPECT_EQ(ReadString("Software\\Test", "Kept"), "new");
    TRegistry reg(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\New\\Key"));
    EXPECT_EQ(reg.ReadInteger("Number"), 42);
    EXPECT_FALSE(reg.KeyExists("\\Software\\Test\\Sub"));
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Test"));
    EXPECT_FALSE(reg.ValueExists("Number"));
}

TEST(RegistrySaveSteps, AFailurePutsBackValuesKeysAndDeletedSubtrees) {
    TTestSystem system("", "", Hive);
    const std::string original = HiveInMemory(system);
    TSaveSteps steps;
    {
        TRegistrySaveSteps registry(steps);
        registry.WriteString("Software\\Test", "Kept", "new");
        registry.WriteString("Software\\Test", "Added", "x");
        registry.WriteInteger("Software\\New\\Key", "Number", 42);
        registry.WriteInteger("Software\\New\\Key", "Second", 43);
        registry.DeleteValue("Software\\Test", "Number");
        registry.DeleteKey("Software\\Test\\Sub");
        Fail(steps);
        registry.AddSave();
        try {
            steps.Run();
            FAIL() << "the save must fail";
        } catch (const ESaveError& error) {
            EXPECT_STREQ(error.what(), "Could not write the thing that fails: disk on fire");
        }
    }
    EXPECT_EQ(HiveInMemory(system), original);
    EXPECT_EQ(ReadString("Software\\Test\\Sub\\Deeper", ""), "default");
    EXPECT_FALSE(TRegistry(platform::HKEY_CURRENT_USER).KeyExists("\\Software\\New"));
}

TEST(RegistrySaveSteps, AHiveThatCannotBeSavedLeavesTheFileAndTheMemoryAsTheyWere) {
    TTestSystem system("", "", Hive);
    const std::string memory = HiveInMemory(system);
    const std::string file = HiveFile(system);
    TSaveSteps steps;
    {
        TRegistrySaveSteps registry(steps);
        registry.WriteString("Software\\Test", "Kept", "new");
        registry.WriteString("Software\\Other", "Value", "x");
        registry.AddSave();
        platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::Rename);
        EXPECT_THROW(steps.Run(), ESaveError);
    }
    EXPECT_EQ(HiveFile(system), file);
    platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::None);
    EXPECT_EQ(HiveInMemory(system), memory);
}

TEST(SaveSteps, UndoesFinishedStepsInReverseAndSaysWhenOneCouldNotBePutBack) {
    std::vector<std::string> log;
    TSaveSteps steps;
    for (const char* name : {"a", "b", "c"}) {
        steps.Add(name, [&log, name]() -> TSaveSteps::TUndo {
            log.push_back(std::string("do ") + name);
            return [&log, name] {
                log.push_back(std::string("undo ") + name);
                if (std::string(name) == "b") {
                    throw std::runtime_error("stuck");
                }
            };
        });
    }
    Fail(steps);
    try {
        steps.Run();
        FAIL() << "the save must fail";
    } catch (const ESaveError& error) {
        EXPECT_NE(std::string(error.what()).find("could not be put back"), std::string::npos);
    }
    EXPECT_EQ(log,
              (std::vector<std::string>{"do a", "do b", "do c", "undo c", "undo b", "undo a"}));
}
