#pragma once
// What a write transaction changed in the in-memory hives, kept so that it can be put back and
// reported (internal to platform/). Each key's state is kept at its first change: its values in
// order for a changed key, nothing for a created one, the whole subtree for a deleted one.

#include "platform/RegKey.h"
#include "platform/Registry.h"
#include "platform/RegistryStore.h"
#include "platform/WriteTransaction.h"

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::reg {
class THive;
}

namespace platform::detail {

// One key as it was.
struct TKeyImage {
    std::string Path; // below the hive's root
    bool Implicit = false;
    std::vector<reg::TRegValue> Values;
};

class TRegistryJournal {
public:
    // Told before the accessor changes a hive, with the registry lock held. Root keys name the
    // accessor's root; paths lie below the hive's root (HKEY_CLASSES_ROOT's with its prefix).
    void BeforeCreate(TRegistryAccess& access, THKey root, std::string_view path);
    void BeforeDelete(TRegistryAccess& access, THKey root, std::string_view path);
    void BeforeValueChange(TRegistryAccess& access, THKey root, const reg::TRegKey& key);

    // The hives changed (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER), each with whether it had
    // unsaved changes before the transaction.
    std::vector<std::pair<THKey, bool>> Hives() const { return Hives_; }
    // Puts every noted key back as it was, newest change first.
    void Undo(TRegistryAccess& access) const;
    // The net changes, key by key in the order they were first touched.
    std::vector<TRegistryChange> Changes(TRegistryAccess& access) const;

private:
    enum class TKind { Values, Created, Deleted };
    struct TRecord {
        TKind Kind = TKind::Values;
        THKey Hive = THKey::CurrentUser;
        std::string Path;
        std::vector<TKeyImage> Images; // Values: the key; Deleted: the subtree, parents first
    };

    reg::THive& Note(TRegistryAccess& access, THKey root);
    std::optional<TKeyImage> OldState(THKey hive, const std::string& path) const;
    std::vector<std::string> TouchedPaths(TRegistryAccess& access, THKey hive) const;

    std::vector<TRecord> Records_;
    std::set<std::pair<THKey, std::string>> ValuesKept_; // folded paths
    std::vector<std::pair<THKey, bool>> Hives_;
};

// The journal of the write transaction open on the calling thread; nullptr when none is open.
TRegistryJournal* ActiveRegistryJournal();

} // namespace platform::detail
