#pragma once
// Attribute bits that have no host counterpart (internal to platform/).

#include "platform/Files.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace platform::detail {

// Hidden, system and archive bits (and read-only of folders) have no host counterpart; they live
// in <root>/attributes.ini, one "c:\folded\path=hex" line per file that differs from the default.
inline constexpr std::uint32_t StoredBits =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

class TAttributeStore {
public:
    std::optional<std::uint32_t> Get(const std::string& key);
    // False when attributes.ini could not be written; the value is then not changed.
    bool Set(const std::string& key, std::optional<std::uint32_t> value);
    void Reset();

    // For a write transaction, which writes attributes.ini itself at its commit: the values by
    // folded path, their file and its bytes, and taking on what the commit wrote.
    std::map<std::string, std::uint32_t> Values();
    std::filesystem::path File();
    static std::string Format(const std::map<std::string, std::uint32_t>& values);
    void Adopt(std::map<std::string, std::uint32_t> values);

private:
    std::mutex Mutex_;
    bool Loaded_ = false;
    std::filesystem::path File_;
    std::map<std::string, std::uint32_t> Values_;

    void Load();
    bool Save(const std::map<std::string, std::uint32_t>& values) const;
};

TAttributeStore& Attributes();
std::string AttributeKey(const std::string& normalizedPath);

} // namespace platform::detail
