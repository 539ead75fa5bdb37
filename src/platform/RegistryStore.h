#pragma once
// The two in-memory hives of the installed system (internal to platform/).

#include "platform/Registry.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::reg {
class THive;
}

namespace platform::detail {

// Loads <registryDir>/HKEY_LOCAL_MACHINE.reg and HKEY_CURRENT_USER.reg (missing files give empty
// hives). Throws ESystemError whose message names the file and line of a parse error; a hive
// that failed to parse is never written back.
void LoadRegistry(const std::filesystem::path& registryDir);
// Saves changed hives and forgets both. Throws ESystemError when a changed hive could not be
// saved (both are forgotten all the same).
void UnloadRegistry();

// The hives for the accessor, with the registry lock held for the lifetime of this object.
class TRegistryAccess {
public:
    TRegistryAccess();
    TRegistryAccess(const TRegistryAccess&) = delete;
    TRegistryAccess& operator=(const TRegistryAccess&) = delete;

    // The hive holding a root key; nullptr when no registry is loaded. With refresh, a hive
    // file that someone else changed on disk is read again first, unless the hive has
    // unsaved changes of its own (those win).
    reg::THive* Hive(THKey root, bool refresh);
    // Saves the hive holding the root key when it has unsaved changes. Throws ESystemError
    // when it cannot be saved; the changes then stay in memory.
    void SaveIfChanged(THKey root);
    // A save that failed where nobody could be told (an accessor's destructor): the next close
    // of an accessor on that hive saves again and raises what still fails.
    void KeepUnseenSaveFailure(THKey root);
    bool HasUnseenSaveFailure(THKey root);

    // Saves inside a write transaction (platform/WriteTransaction.h). A hive that a transaction
    // changed is held until the transaction ends: saves asked for meanwhile wait for its end.
    void HoldForTransaction(THKey root);
    struct THiveSave {
        std::filesystem::path File;
        std::string Bytes;
    };
    // What a save of a held hive writes; throws ESystemError when it must not be saved.
    THiveSave PrepareTransactionSave(THKey root);
    // The prepared bytes reached the file.
    void TransactionSaved(THKey root);
    // The transaction ended without saving: the hive is as changed as it was before, and a save
    // that waited is made now (a failure of it is raised by the next close, as in a destructor).
    void ReleaseTransaction(THKey root, bool changedBefore);

private:
    std::unique_lock<std::mutex> Lock_;
};

// Where a root key lies in its hive: "Software\\Classes" for HKEY_CLASSES_ROOT, else "".
std::string RootKeyPrefix(THKey root);

// Change stamp of a key for change notification: it grows whenever the key's values or
// subkey list change (with subtree, anything below it), also through a hive file changed on
// disk. nullopt when the key does not exist.
std::optional<std::uint64_t> RegistryKeyStamp(THKey root, const std::string& path, bool subtree);

} // namespace platform::detail
