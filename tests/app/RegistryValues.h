#pragma once
// Values of the current user's registry as the tests expect them: read back raw, and checked
// row by row with their type, or their absence.

#include <platform/Registry.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app_testing {

// The raw data of the value aName of the key aKey below HKEY_CURRENT_USER, if it is there.
std::optional<std::vector<std::uint8_t>> Value(const std::string& aKey, const std::string& aName);
// The value as a 32-bit integer (four bytes of data), if it is there.
std::optional<std::int32_t> IntegerAt(const std::string& aKey, const std::string& aName);
// The value as text (a string, or UTF-16 text in binary data), if it is there.
std::optional<std::string> StringAt(const std::string& aKey, const std::string& aName);

// One value a key must have: its type and content, or its absence.
struct TExpectedValue {
    const char* Name;
    platform::TRegValueType Type; // None: the value must not be there
    std::string Text;             // strings and UTF-16 text
    std::int32_t Number = 0;      // integers
    bool CheckContent = true;     // false: only the type is checked
};

TExpectedValue Text(const char* aName, const std::string& aText);
TExpectedValue Wide(const char* aName, const std::string& aText);
TExpectedValue Number(const char* aName, std::int32_t aNumber);
// A value of the type aType, whatever its content.
TExpectedValue AnyOf(const char* aName, platform::TRegValueType aType);
TExpectedValue Absent(const char* aName);

// Every row holds for the key aKey below HKEY_CURRENT_USER.
void ExpectValues(const std::string& aKey, const std::vector<TExpectedValue>& aRows);

} // namespace app_testing
