#pragma once
// Account keys of the Outlook family named by a number: eight upper-case hexadecimal digits.

#include <cstdint>
#include <optional>
#include <string>

// "0000000A" for 10.
std::string AccountKeyName(std::uint32_t number);
// The number of a name of exactly eight hexadecimal digits (either case); nullopt otherwise.
std::optional<std::uint32_t> AccountKeyNumber(const std::string& name);
