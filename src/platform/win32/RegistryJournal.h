#pragma once
// The registry changes of a write transaction on Windows (internal to platform/win32/). While a
// transaction is open on a thread, the registry accessor hands its changes here instead of to
// the registry, and reads through them, so the thread sees the registry as the commit will leave
// it while the registry itself and every other program see nothing yet; a dry run or a rollback
// forgets them. The commit applies them in order, noting each key's and value's old state at
// its first change, and puts those back when a later part of the save fails.
//
// Keys of HKEY_CLASSES_ROOT are kept where the simulated system keeps them, under
// HKEY_LOCAL_MACHINE\Software\Classes.

#include "platform/Registry.h"
#include "platform/WriteTransaction.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform::detail {

class TRegistryJournal {
public:
    // --- reads through the pending changes ---

    // Whether the key exists after the changes; nullopt when they say nothing of it.
    std::optional<bool> KeyExists(THKey root, const std::string& path) const;
    // The value after the changes (nullopt inside: gone); nullopt when they say nothing of it.
    std::optional<std::optional<TRegistryData>> Value(THKey root, const std::string& path,
                                                      const std::string& name) const;
    // Whether the key's subkeys and values in the registry no longer count: it was deleted.
    bool HidesRegistryContent(THKey root, const std::string& path) const;
    // The names in the registry, as the changes leave them.
    void MergeKeyNames(THKey root, const std::string& path, std::vector<std::string>& names) const;
    void MergeValueNames(THKey root, const std::string& path,
                         std::vector<std::string>& names) const;

    // --- changes; the accessor has checked that they can be made ---

    void CreateKey(THKey root, const std::string& path); // with its missing parents
    void DeleteKey(THKey root, const std::string& path); // with its subtree
    void SetValue(THKey root, const std::string& path, const std::string& name, TRegistryData data);
    void DeleteValue(THKey root, const std::string& path, const std::string& name);

    // --- the commit ---

    // Makes every change in the registry, in order. When one fails, puts back what was made
    // and raises ESystemError naming the key.
    void Apply();
    // Puts back what Apply made, newest first.
    void Undo();
    // The net changes, key by key in the order they were first touched.
    std::vector<TRegistryChange> Changes() const;

    // A key as the registry held it before its first change.
    struct TKeyImage {
        std::string Path;
        std::vector<std::pair<std::string, TRegistryData>> Values;
    };

private:
    struct TPendingKey {
        std::string Path;      // below the hive, as first given
        bool Exists = true;    // after the changes
        bool Replaced = false; // deleted in this transaction: the registry's content is gone
        std::map<std::string, std::pair<std::string, std::optional<TRegistryData>>> Values;
    };
    struct TOperation {
        enum class TKind { CreateKey, DeleteKey, SetValue, DeleteValue };
        TKind Kind = TKind::SetValue;
        THKey Hive = THKey::CurrentUser;
        std::string Path;
        std::string Name;
        TRegistryData Data;
    };
    // What Apply did, to put back.
    struct TUndo {
        TOperation::TKind Kind = TOperation::TKind::SetValue;
        THKey Hive = THKey::CurrentUser;
        std::string Path;                      // the key (CreateKey: the topmost one it made)
        std::string Name;                      // values
        std::optional<TRegistryData> OldValue; // values
        std::vector<TKeyImage> OldSubtree;     // DeleteKey: parents first
        bool Created = false;                  // CreateKey: whether it made any key
    };
    using TKeyId = std::pair<THKey, std::string>; // hive and folded path

    TKeyId Id(THKey root, const std::string& path, std::string* hivePath = nullptr) const;
    TPendingKey& Note(THKey root, const std::string& path);
    const TPendingKey* Find(const TKeyId& id) const;
    // The nearest noted key at or above the path that was deleted or made anew.
    const TPendingKey* ReplacedAncestor(const TKeyId& id) const;
    TUndo ApplyOne(const TOperation& operation);

    std::map<TKeyId, TPendingKey> Keys_;
    std::vector<TKeyId> Order_; // first touched first
    std::vector<TOperation> Operations_;
    std::vector<TUndo> Applied_;
};

// The journal of the write transaction open on the calling thread; nullptr when none is open.
TRegistryJournal* ActiveRegistryJournal();

} // namespace platform::detail
