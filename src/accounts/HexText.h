#pragma once
// Bytes as hexadecimal text, two digits per byte in byte order, as the stores keep salts and
// binary registry data in text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Upper-case digits ("0AFF").
std::string BytesToHex(const std::uint8_t* bytes, std::size_t count);
std::string BytesToHex(const std::vector<std::uint8_t>& bytes);
// Digits of either case; nullopt for an odd number of digits or a pair that is not hexadecimal.
std::optional<std::vector<std::uint8_t>> HexToBytes(std::string_view text);
