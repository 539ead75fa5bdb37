#include "clients/outlook/AccountKeyNames.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

std::string AccountKeyName(std::uint32_t number) {
    char name[16];
    std::snprintf(name, sizeof name, "%08X", number);
    return name;
}

std::optional<std::uint32_t> AccountKeyNumber(const std::string& name) {
    if (name.size() != 8 || !std::all_of(name.begin(), name.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::stoul(name, nullptr, 16));
}
