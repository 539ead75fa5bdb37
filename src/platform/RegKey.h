#pragma once
// One key of an in-memory hive: subkeys ordered by their upper-case names, values in the order
// they were created, both found without regard to case.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::reg {

// Windows keeps a key path to at most this many levels below its root key.
inline constexpr std::size_t MaxKeyDepth = 512;

struct TRegValue {
    std::string Name; // "" is the key's default value
    std::uint32_t Type = 0;
    std::vector<std::uint8_t> Data;
};

class TRegKey {
public:
    using TSubKeys = std::map<std::string, std::unique_ptr<TRegKey>>; // by folded name

    TRegKey(std::string name, TRegKey* parent) : Name_(std::move(name)), Parent_(parent) {}
    // Takes the subtree apart level by level: a deep chain of keys never recurses.
    ~TRegKey();
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;

    const std::string& Name() const { return Name_; }
    TRegKey* Parent() const { return Parent_; }
    // Path below the hive's root key ("Software\\Classes"); empty for the root itself.
    std::string Path() const;

    TRegKey* FindSubKey(std::string_view name) const;
    // The subkey, created when missing (then *created is set).
    TRegKey& SubKey(std::string_view name, bool* created = nullptr);
    bool DeleteSubKey(std::string_view name);
    const TSubKeys& SubKeys() const { return SubKeys_; }

    const TRegValue* FindValue(std::string_view name) const;
    // Replaces the data of an existing value in its place, or appends a new one.
    void SetValue(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data);
    bool DeleteValue(std::string_view name);
    const std::vector<TRegValue>& Values() const { return Values_; }

    // Made only as the parent of another key: the writer leaves out the header of such a key
    // while it has subkeys and no values, as a branch export would.
    bool Implicit = false;
    // Change stamps for watchers: of this key's own values and subkey list, and of its subtree.
    std::uint64_t Stamp = 0;
    std::uint64_t TreeStamp = 0;

private:
    std::string Name_;
    TRegKey* Parent_;
    TSubKeys SubKeys_;
    std::vector<TRegValue> Values_;
    std::unordered_map<std::string, std::size_t> ValueIndex_; // folded name -> position
};

// Splits "A\\B\\C" into its names; false when a name is empty. "" gives no names.
bool SplitKeyPath(std::string_view path, std::vector<std::string>& names);

} // namespace platform::reg
