// The registry accessor on the machine's registry, cross-checked with the API itself.

#include "WinTestSupport.h"

#include "platform/RegText.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace std::string_literals;

using platform::TRegistry;
using platform::TRegValueType;
using win32_test::ReadRawValue;
using win32_test::TTestKey;

using TBytes = std::vector<std::uint8_t>;

TBytes Utf16Bytes(const std::u16string& text) {
    TBytes bytes;
    platform::reg::AppendUtf16Bytes(bytes, text);
    return bytes;
}

struct TValueCase {
    const char* Name;
    TRegValueType Type;
    TBytes Data;
};

class RegistryTest : public ::testing::Test {
protected:
    TTestKey Key;
    std::string Absolute(const std::string& tail = "") const {
        return "\\" + Key.Path() + (tail.empty() ? "" : "\\" + tail);
    }
};

TEST_F(RegistryTest, EveryValueTypeRoundTripsAsTheSystemStoresIt) {
    const std::vector<TValueCase> cases = {
        {"none", TRegValueType::None, {}},
        {"none with data", TRegValueType::None, {1, 2, 3}},
        {"string", TRegValueType::String, Utf16Bytes(u"Gr\u00fc\u00dfe \u2603\0"s)},
        {"expandable", TRegValueType::ExpandString, Utf16Bytes(u"%APPDATA%\\Quenlix\0"s)},
        {"binary", TRegValueType::Binary, {0x00, 0xff, 0x10, 0x00, 0x7f}},
        {"empty binary", TRegValueType::Binary, {}},
        {"dword", TRegValueType::DWord, {0xfe, 0xff, 0xff, 0xff}},
        {"big-endian dword", TRegValueType::DWordBigEndian, {0x00, 0x00, 0x01, 0x00}},
        {"link", TRegValueType::Link, Utf16Bytes(u"\\Registry\\Machine\\Software")},
        {"multi-string", TRegValueType::MultiString, Utf16Bytes(u"eins\0zwei\0\0"s)},
        {"resource list", TRegValueType::ResourceList, {1, 0, 0, 0}},
        {"descriptor", TRegValueType::FullResourceDescriptor, {2, 0, 0, 0}},
        {"requirements", TRegValueType::ResourceRequirementsList, {3, 0, 0, 0}},
        {"qword", TRegValueType::QWord, {1, 2, 3, 4, 5, 6, 7, 0x80}},
    };
    {
        TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey(Absolute(), true));
        for (const TValueCase& value : cases) {
            registry.WriteRaw(value.Name, value.Type, value.Data);
        }
        registry.CloseKey();
    }
    TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly(Absolute()));
    for (const TValueCase& value : cases) {
        SCOPED_TRACE(value.Name);
        const auto raw = ReadRawValue(platform::win32::CurrentUserKey, Key.Path(), value.Name);
        ASSERT_TRUE(raw.Exists);
        EXPECT_EQ(raw.Type, static_cast<DWORD>(value.Type));
        EXPECT_EQ(raw.Data, value.Data);
        TRegValueType type = TRegValueType::None;
        EXPECT_EQ(registry.ReadRaw(value.Name, &type), value.Data);
        EXPECT_EQ(type, value.Type);
        EXPECT_EQ(registry.GetValueType(value.Name), value.Type);
        EXPECT_EQ(registry.GetDataSize(value.Name), static_cast<int>(value.Data.size()));
    }
}

TEST_F(RegistryTest, TypedValuesAreTheSystemsTypes) {
    TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(Absolute(), true));
    registry.WriteString("Name", "Anna M\u00fcller \u2603");
    registry.WriteExpandString("Folder", "%APPDATA%\\Thunderbird");
    registry.WriteInteger("Port", -2);
    registry.WriteBinaryData("Blob", {0xde, 0xad});
    registry.WriteString("", "default value");

    const auto raw = [&](const char* name) {
        return ReadRawValue(platform::win32::CurrentUserKey, Key.Path(), name);
    };
    EXPECT_EQ(raw("Name").Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw("Name").Data, Utf16Bytes(u"Anna M\u00fcller \u2603\0"s));
    EXPECT_EQ(raw("Folder").Type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(raw("Port").Data, (TBytes{0xfe, 0xff, 0xff, 0xff}));
    EXPECT_EQ(raw("").Data, Utf16Bytes(u"default value\0"s));

    EXPECT_EQ(registry.ReadString("Name"), "Anna M\u00fcller \u2603");
    EXPECT_EQ(registry.ReadString("Folder"), "%APPDATA%\\Thunderbird");
    EXPECT_EQ(registry.GetDataType("Folder"), platform::TRegDataType::rdExpandString);
    EXPECT_EQ(registry.ReadInteger("Port"), -2);
    EXPECT_EQ(registry.ReadBinaryData("Blob"), (TBytes{0xde, 0xad}));
    EXPECT_EQ(registry.ReadString(""), "default value");
    EXPECT_TRUE(registry.ValueExists("port"));
    EXPECT_FALSE(registry.ValueExists("missing"));
    EXPECT_EQ(registry.GetDataSize("missing"), -1);
    EXPECT_EQ(registry.GetDataType("missing"), platform::TRegDataType::rdUnknown);
}

TEST_F(RegistryTest, ReadersRaiseTheWrappersMessages) {
    TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(Absolute(), true));
    registry.WriteString("Text", "1");
    registry.WriteInteger("Number", 1);
    const auto message = [&](auto read) -> std::string {
        try {
            read();
        } catch (const platform::ERegistryException& error) {
            return error.what();
        }
        return "nothing raised";
    };
    EXPECT_EQ(message([&] { registry.ReadInteger("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(message([&] { registry.ReadString("Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(message([&] { registry.ReadBinaryData("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(message([&] { registry.ReadString("Missing"); }), "Failed to get data for 'Missing'");
    registry.CloseKey();
    EXPECT_EQ(message([&] { registry.WriteString("Text", "2"); }), "Failed to set data for 'Text'");
}

TEST_F(RegistryTest, UnicodeAndDeepNamesRoundTrip) {
    const std::string unicodeKey =
        "Schl\u00fcssel \u2603 \U0001d11e \u0395\u03bb\u03bb\u03ac\u03b4\u03b1";
    const std::string unicodeValue = "Wert \U0001f389";
    std::string deep;
    for (int level = 0; level < 100; ++level) {
        deep += (level == 0 ? "" : "\\") + std::string("Ebene ") + std::to_string(level);
    }
    {
        TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey(Absolute(unicodeKey), true));
        registry.WriteString(unicodeValue, "\u00e4\u00f6\u00fc");
        ASSERT_TRUE(registry.OpenKey(Absolute(deep), true));
        registry.WriteInteger("Tiefe", 100);
    }
    TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly(Absolute()));
    const auto names = registry.GetKeyNames();
    EXPECT_NE(std::find(names.begin(), names.end(), unicodeKey), names.end());
    ASSERT_TRUE(registry.OpenKeyReadOnly(Absolute(unicodeKey)));
    EXPECT_EQ(registry.GetValueNames(), std::vector<std::string>{unicodeValue});
    EXPECT_EQ(registry.ReadString(unicodeValue), "\u00e4\u00f6\u00fc");
    ASSERT_TRUE(registry.OpenKeyReadOnly(Absolute(deep)));
    EXPECT_EQ(registry.ReadInteger("Tiefe"), 100);
    EXPECT_EQ(registry.CurrentPath(), Key.Path() + "\\" + deep);

    // Deleting the top takes the whole subtree.
    registry.CloseKey();
    EXPECT_TRUE(registry.DeleteKey(Absolute("Ebene 0")));
    EXPECT_FALSE(registry.KeyExists(Absolute(deep)));
    EXPECT_FALSE(registry.KeyExists(Absolute("Ebene 0")));
    EXPECT_FALSE(registry.DeleteKey(Absolute("Ebene 0")));
}

// Value names come in the system's order: the order of creation on Windows, sorted under Wine.
std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(RegistryTest, KeyNamesComeSortedByTheirUpperCaseForm) {
    TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(Absolute(), true));
    for (const char* name : {"b", "_x", "A", "Z"}) {
        registry.CreateKey(name);
    }
    for (const char* name : {"c", "a", "B"}) {
        registry.WriteInteger(name, 1);
    }
    EXPECT_EQ(registry.GetKeyNames(), (std::vector<std::string>{"A", "b", "Z", "_x"}));
    EXPECT_EQ(Sorted(registry.GetValueNames()), (std::vector<std::string>{"B", "a", "c"}));
    EXPECT_TRUE(registry.DeleteValue("A"));
    EXPECT_FALSE(registry.DeleteValue("a"));
    EXPECT_EQ(Sorted(registry.GetValueNames()), (std::vector<std::string>{"B", "c"}));
}

TEST_F(RegistryTest, PathsAreRelativeToTheCurrentKeyUnlessAbsolute) {
    TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(Absolute(), true));
    ASSERT_TRUE(registry.OpenKey("Kind\\Enkel", true));
    EXPECT_EQ(registry.CurrentPath(), Key.Path() + "\\Kind\\Enkel");
    EXPECT_TRUE(registry.KeyExists(Absolute("Kind")));
    EXPECT_FALSE(registry.OpenKey("A\\\\B", true)); // an empty name
    EXPECT_FALSE(registry.OpenKey("\\" + Key.Path() + "\\Missing", false));
    EXPECT_EQ(registry.CurrentPath(), Key.Path() + "\\Kind\\Enkel");
}

TEST_F(RegistryTest, AKeyOpenedReadOnlyTakesNoWrites) {
    {
        TRegistry writer(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(writer.OpenKey(Absolute(), true));
        writer.WriteString("Value", "old");
    }
    TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly(Absolute()));
    EXPECT_THROW(registry.WriteString("Value", "new"), platform::ERegistryException);
    EXPECT_FALSE(registry.DeleteValue("Value"));
    EXPECT_FALSE(registry.OpenKey("Child", true));
    EXPECT_THROW(registry.CreateKey("Child"), platform::ERegistryException);
    EXPECT_EQ(registry.ReadString("Value"), "old");
    EXPECT_FALSE(registry.KeyExists(Absolute("Child")));
}

TEST_F(RegistryTest, MachineKeysAndTheClassesRootView) {
    // HKEY_CLASSES_ROOT shows the machine's Software\Classes, as in the simulated system.
    const std::string progId = "Quenlix.Win32Test." + std::to_string(GetCurrentProcessId());
    const std::string classes = "\\Software\\Classes\\" + progId;
    {
        TRegistry machine(platform::HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(machine.OpenKey(classes, true));
        machine.WriteString("", "Quenlix test class");
    }
    TRegistry root(platform::HKEY_CLASSES_ROOT);
    ASSERT_TRUE(root.OpenKeyReadOnly("\\" + progId));
    EXPECT_EQ(root.ReadString(""), "Quenlix test class");
    root.CloseKey();
    TRegistry machine(platform::HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(machine.DeleteKey(classes));
    EXPECT_FALSE(root.KeyExists("\\" + progId));
}

} // namespace
