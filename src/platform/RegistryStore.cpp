#include "platform/RegistryStore.h"

#include "platform/RegFile.h"
#include "platform/RegHive.h"
#include "platform/RegistryJournal.h"
#include "platform/RegistryWatch.h"

#include <memory>

namespace platform::detail {

namespace {

// One hive with its file and what we last saw of that file.
struct THiveSlot {
    std::unique_ptr<reg::THive> Hive;
    std::filesystem::path File;
    reg::TFileStamp Seen;           // the file as last loaded, saved or found unreadable
    std::string DiskFault;          // why the file on disk cannot be read; empty when it can
    bool UnseenSaveFailure = false; // a failed save that no caller has been told of yet
    bool HeldByTransaction = false; // a write transaction changed it and has not ended
    bool SaveWaiting = false;       // a save was asked for while it was held
};

struct TStore {
    std::mutex Mutex;
    std::unique_ptr<THiveSlot> Machine;
    std::unique_ptr<THiveSlot> User;
};

TStore& Store() {
    static TStore store;
    return store;
}

std::unique_ptr<THiveSlot> LoadSlot(const std::filesystem::path& dir, const std::string& name) {
    auto slot = std::make_unique<THiveSlot>();
    slot->File = dir / (name + ".reg");
    slot->Hive = std::make_unique<reg::THive>(name);
    slot->Hive->Load(slot->File);
    slot->Seen = slot->Hive->Stamp();
    return slot;
}

THiveSlot* SlotOf(THKey root) {
    TStore& store = Store();
    return root == THKey::CurrentUser ? store.User.get() : store.Machine.get();
}

// Reads the file again when someone else changed it. A file that cannot be read now leaves
// memory as it is, and the hive is then not saved over it.
void Refresh(THiveSlot& slot) {
    const reg::TFileStamp stamp = reg::StampOf(slot.File);
    if (stamp == slot.Seen) {
        return;
    }
    slot.Seen = stamp;
    auto fresh = std::make_unique<reg::THive>(slot.Hive->RootName());
    try {
        fresh->Load(slot.File);
    } catch (const ESystemError& error) {
        slot.DiskFault = error.what();
        return;
    }
    slot.DiskFault.clear();
    if (!slot.Hive->Changed()) {
        slot.Hive = std::move(fresh);
    }
}

void CheckSavable(const THiveSlot& slot) {
    if (!slot.DiskFault.empty()) {
        throw ESystemError(
            "Not saving " + slot.File.string() +
            " over a version changed on disk that cannot be read: " + slot.DiskFault);
    }
}

void SaveSlot(THiveSlot& slot) {
    if (!slot.Hive->Changed()) {
        slot.UnseenSaveFailure = false;
        return;
    }
    CheckSavable(slot);
    slot.Hive->Save(slot.File);
    slot.Seen = slot.Hive->Stamp();
    slot.UnseenSaveFailure = false;
}

} // namespace

void LoadRegistry(const std::filesystem::path& registryDir) {
    // Both parse before either replaces what was loaded.
    auto machine = LoadSlot(registryDir, "HKEY_LOCAL_MACHINE");
    auto user = LoadSlot(registryDir, "HKEY_CURRENT_USER");
    std::lock_guard lock(Store().Mutex);
    Store().Machine = std::move(machine);
    Store().User = std::move(user);
}

void UnloadRegistry() {
    StopRegistryWatch(); // before the lock: the watch thread takes it
    std::lock_guard lock(Store().Mutex);
    std::string failures;
    for (THiveSlot* slot : {Store().Machine.get(), Store().User.get()}) {
        if (slot == nullptr) {
            continue;
        }
        try {
            SaveSlot(*slot);
        } catch (const ESystemError& error) {
            failures += (failures.empty() ? "" : "; ") + std::string(error.what());
        }
    }
    Store().Machine.reset();
    Store().User.reset();
    if (!failures.empty()) {
        throw ESystemError(failures);
    }
}

TRegistryAccess::TRegistryAccess() : Lock_(Store().Mutex) {}

reg::THive* TRegistryAccess::Hive(THKey root, bool refresh) {
    THiveSlot* slot = SlotOf(root);
    if (slot == nullptr) {
        return nullptr;
    }
    if (refresh) {
        Refresh(*slot);
    }
    return slot->Hive.get();
}

void TRegistryAccess::SaveIfChanged(THKey root) {
    THiveSlot* slot = SlotOf(root);
    if (slot == nullptr || ActiveRegistryJournal() != nullptr) {
        return; // this thread's transaction saves at its commit
    }
    if (slot->HeldByTransaction) {
        slot->SaveWaiting = true;
        return;
    }
    SaveSlot(*slot);
}

void TRegistryAccess::KeepUnseenSaveFailure(THKey root) {
    if (THiveSlot* slot = SlotOf(root)) {
        slot->UnseenSaveFailure = true;
    }
}

bool TRegistryAccess::HasUnseenSaveFailure(THKey root) {
    const THiveSlot* slot = SlotOf(root);
    return slot != nullptr && slot->UnseenSaveFailure;
}

void TRegistryAccess::HoldForTransaction(THKey root) {
    if (THiveSlot* slot = SlotOf(root)) {
        slot->HeldByTransaction = true;
    }
}

TRegistryAccess::THiveSave TRegistryAccess::PrepareTransactionSave(THKey root) {
    const THiveSlot* slot = SlotOf(root);
    if (slot == nullptr) {
        throw ESystemError("The registry is not loaded");
    }
    CheckSavable(*slot);
    return {slot->File, reg::FormatRegFile(slot->Hive->Root(), slot->Hive->RootName())};
}

void TRegistryAccess::TransactionSaved(THKey root) {
    if (THiveSlot* slot = SlotOf(root)) {
        slot->Hive->MarkSaved(reg::StampOf(slot->File));
        slot->Seen = slot->Hive->Stamp();
        slot->UnseenSaveFailure = false;
        slot->HeldByTransaction = false;
        slot->SaveWaiting = false;
    }
}

void TRegistryAccess::ReleaseTransaction(THKey root, bool changedBefore) {
    THiveSlot* slot = SlotOf(root);
    if (slot == nullptr) {
        return;
    }
    const bool waiting = slot->SaveWaiting;
    slot->HeldByTransaction = false;
    slot->SaveWaiting = false;
    slot->Hive->MarkChanged(changedBefore || waiting);
    if (waiting) {
        try {
            SaveSlot(*slot);
        } catch (const ESystemError&) {
            slot->UnseenSaveFailure = true;
        }
    }
}

std::string RootKeyPrefix(THKey root) {
    return root == THKey::ClassesRoot ? "Software\\Classes" : "";
}

std::optional<std::uint64_t> RegistryKeyStamp(THKey root, const std::string& path, bool subtree) {
    TRegistryAccess access;
    reg::THive* hive = access.Hive(root, true);
    if (hive == nullptr) {
        return std::nullopt;
    }
    const std::string prefix = RootKeyPrefix(root);
    const std::string full = prefix.empty() || path.empty() ? prefix + path : prefix + "\\" + path;
    const reg::TRegKey* key = hive->Find(full);
    if (key == nullptr) {
        return std::nullopt;
    }
    return subtree ? key->TreeStamp : key->Stamp;
}

} // namespace platform::detail
