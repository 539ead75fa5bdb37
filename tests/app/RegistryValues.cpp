#include "RegistryValues.h"

#include <platform/RegText.h>

#include <gtest/gtest.h>

namespace app_testing {

std::optional<std::vector<std::uint8_t>> Value(const std::string& aKey, const std::string& aName) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + aKey) || !registry.ValueExists(aName)) {
        return std::nullopt;
    }
    return registry.ReadRaw(aName, nullptr);
}

std::optional<std::int32_t> IntegerAt(const std::string& aKey, const std::string& aName) {
    const auto bytes = Value(aKey, aName);
    if (!bytes || bytes->size() != 4) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>((*bytes)[0] | (*bytes)[1] << 8 | (*bytes)[2] << 16 |
                                     std::uint32_t((*bytes)[3]) << 24);
}

std::optional<std::string> StringAt(const std::string& aKey, const std::string& aName) {
    const auto bytes = Value(aKey, aName);
    return bytes ? std::optional<std::string>(platform::reg::RegDataToString(*bytes))
                 : std::nullopt;
}

TExpectedValue Text(const char* aName, const std::string& aText) {
    return {aName, platform::TRegValueType::String, aText};
}
TExpectedValue Wide(const char* aName, const std::string& aText) {
    return {aName, platform::TRegValueType::Binary, aText};
}
TExpectedValue Number(const char* aName, std::int32_t aNumber) {
    return {aName, platform::TRegValueType::DWord, "", aNumber};
}
TExpectedValue AnyOf(const char* aName, platform::TRegValueType aType) {
    return {aName, aType, "", 0, false};
}
TExpectedValue Absent(const char* aName) {
    return {aName, platform::TRegValueType::None, ""};
}

void ExpectValues(const std::string& aKey, const std::vector<TExpectedValue>& aRows) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + aKey)) << aKey;
    for (const TExpectedValue& row : aRows) {
        if (row.Type == platform::TRegValueType::None) {
            EXPECT_FALSE(registry.ValueExists(row.Name)) << row.Name;
            continue;
        }
        if (!registry.ValueExists(row.Name)) {
            ADD_FAILURE() << row.Name << " is missing";
            continue;
        }
        platform::TRegValueType type = platform::TRegValueType::None;
        const std::vector<std::uint8_t> bytes = registry.ReadRaw(row.Name, &type);
        EXPECT_EQ(type, row.Type) << row.Name;
        if (!row.CheckContent) {
            continue;
        }
        if (row.Type == platform::TRegValueType::DWord) {
            EXPECT_EQ(IntegerAt(aKey, row.Name), row.Number) << row.Name;
        } else {
            EXPECT_EQ(platform::reg::RegDataToString(bytes), row.Text) << row.Name;
        }
    }
}

} // namespace app_testing
