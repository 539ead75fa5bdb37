#pragma once
// Case-insensitive name index of the preferences file: open addressing over one flat array, so
// a lookup touches one cache line for the probe and the preference itself only on a match.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class TMozillaPreference;

class TPrefNameIndex {
public:
    void Clear();
    void Reserve(std::size_t count);
    TMozillaPreference* Find(std::string_view name) const;
    // Enters the preference under its name; a preference entered before under the same name is
    // replaced (false then), as a later statement of prefs.js overrides an earlier one.
    bool Insert(TMozillaPreference* preference);
    void Erase(std::string_view name);

    static bool SameName(std::string_view a, std::string_view b) noexcept;

private:
    struct TSlot {
        std::uint64_t Hash = 0;
        TMozillaPreference* Preference = nullptr;
    };
    static std::uint64_t HashOf(std::string_view name) noexcept;
    std::size_t SlotOf(std::string_view name, std::uint64_t hash) const;
    void Rehash(std::size_t capacity);

    std::vector<TSlot> Slots_; // capacity a power of two, at most half full
    std::size_t Used_ = 0;
};
