#pragma once
// GUIDs as Windows lays them out: Data1 to Data3 little-endian in memory, Data4 as bytes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct TGUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (digits in either case); nullopt when malformed.
std::optional<TGUID> StringToGuid(const std::string& text);
// The braced 8-4-4-4-12 form with upper-case digits.
std::string GuidToString(const TGUID& guid);
bool SameGuid(const TGUID& a, const TGUID& b);

// The 16 bytes of the GUID as it lies in memory (and in binary registry values).
std::array<std::uint8_t, 16> GuidToBytes(const TGUID& guid);
TGUID GuidFromBytes(const std::uint8_t* bytes); // reads 16 bytes

} // namespace platform
