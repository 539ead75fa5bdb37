#include "MozillaPrefsIndex.h"

#include "MozillaPrefs.h"

namespace {

unsigned char FoldCase(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

} // namespace

std::uint64_t TPrefNameIndex::HashOf(std::string_view name) noexcept {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : name) {
        hash = (hash ^ FoldCase(c)) * 1099511628211ull;
    }
    return hash ^ (hash >> 29);
}

bool TPrefNameIndex::SameName(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

void TPrefNameIndex::Clear() {
    Slots_.clear();
    Used_ = 0;
}

void TPrefNameIndex::Reserve(std::size_t count) {
    std::size_t capacity = 16;
    while (capacity < count * 2) {
        capacity *= 2;
    }
    if (capacity > Slots_.size()) {
        Rehash(capacity);
    }
}

// The slot holding the name, or the empty slot where it would go.
std::size_t TPrefNameIndex::SlotOf(std::string_view name, std::uint64_t hash) const {
    const std::size_t mask = Slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const TSlot& slot = Slots_[i];
        if (slot.Preference == nullptr ||
            (slot.Hash == hash && SameName(slot.Preference->Name, name))) {
            return i;
        }
    }
}

TMozillaPreference* TPrefNameIndex::Find(std::string_view name) const {
    if (Used_ == 0) {
        return nullptr;
    }
    return Slots_[SlotOf(name, HashOf(name))].Preference;
}

bool TPrefNameIndex::Insert(TMozillaPreference* preference) {
    if ((Used_ + 1) * 2 > Slots_.size()) {
        Rehash(Slots_.empty() ? 16 : Slots_.size() * 2);
    }
    const std::uint64_t hash = HashOf(preference->Name);
    TSlot& slot = Slots_[SlotOf(preference->Name, hash)];
    if (slot.Preference != nullptr) {
        slot.Preference = preference;
        return false;
    }
    slot = {hash, preference};
    ++Used_;
    return true;
}

void TPrefNameIndex::Erase(std::string_view name) {
    if (Used_ == 0) {
        return;
    }
    const std::size_t mask = Slots_.size() - 1;
    std::size_t hole = SlotOf(name, HashOf(name));
    if (Slots_[hole].Preference == nullptr) {
        return;
    }
    // Backward-shift deletion keeps every probe chain unbroken without tombstones.
    for (std::size_t j = (hole + 1) & mask; Slots_[j].Preference != nullptr; j = (j + 1) & mask) {
        const std::size_t home = Slots_[j].Hash & mask;
        const bool movable = hole <= j ? (home <= hole || home > j) : (home <= hole && home > j);
        if (movable) {
            Slots_[hole] = Slots_[j];
            hole = j;
        }
    }
    Slots_[hole] = TSlot{};
    --Used_;
}

void TPrefNameIndex::Rehash(std::size_t capacity) {
    std::vector<TSlot> old = std::move(Slots_);
    Slots_.assign(capacity, TSlot{});
    const std::size_t mask = capacity - 1;
    for (const TSlot& slot : old) {
        if (slot.Preference != nullptr) {
            std::size_t i = slot.Hash & mask;
            while (Slots_[i].Preference != nullptr) {
                i = (i + 1) & mask;
            }
            Slots_[i] = slot;
        }
    }
}
