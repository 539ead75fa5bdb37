#pragma once
// All-or-nothing saves. A store opens a TWriteTransaction around the whole of one save; while it
// is open on a thread, every change that thread makes through the file functions (Files.h) and
// the registry accessor (Registry.h) is held back and noted with the state it replaced:
//
//   - file writes, folder creations, deletions and attribute changes go nowhere yet; reads on
//     the same thread already see them (FileExists, ReadFileBytes, FindFiles ...), while
//     HostPath and whatever reads the host files directly still see the disk;
//   - registry changes are made in memory as usual, but hives are not saved when keys close.
//
// Commit() puts all of it on disk at once. Leaving the scope without Commit() (an exception)
// puts everything back: nothing reached the disk, and keys and values are restored in memory.
// A failure during Commit() does the same and raises one error that names what could not be
// written (EFileError for a file, ESystemError for the registry). Commit survives being killed
// at any instant: the next start of the program finds the save either wholly done or not done.
//
// A dry run is the same scope in a mode that never writes: Commit() answers the prepared
// changes and puts memory back.
//
// Transactions nest: one opened while another is open on the same thread joins it, and only the
// outermost one commits (or, in a dry run, reports). One transaction runs at a time in the
// process; another thread that opens one waits. Other threads do not see a transaction's
// pending files, and their hive saves wait until it has ended.

#include "platform/Files.h"
#include "platform/Registry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

namespace detail {
struct TTransactionState;
}

enum class TTransactionMode {
    Write, // Commit() writes
    DryRun // Commit() reports what it would write and changes nothing
};

// One file or folder that a save changes.
struct TFileChange {
    enum class TKind { FileWritten, FileDeleted, FolderCreated, FolderRemoved, AttributesChanged };
    TKind Kind = TKind::FileWritten;
    std::string Path;                    // Windows path
    std::optional<std::string> OldBytes; // a file's content before; nullopt when there was none
    std::optional<std::string> NewBytes; // FileWritten: the content written
    std::uint32_t OldAttributes = INVALID_FILE_ATTRIBUTES; // INVALID when it did not exist
    std::uint32_t NewAttributes = INVALID_FILE_ATTRIBUTES; // INVALID when it is gone
};

struct TRegistryData {
    TRegValueType Type = TRegValueType::None;
    std::vector<std::uint8_t> Data;
    bool operator==(const TRegistryData&) const = default;
};

// One key or value that a save changes. Keys of HKEY_CLASSES_ROOT are reported where they live,
// under HKEY_LOCAL_MACHINE\Software\Classes. A created key is followed by the values it gets, a
// deleted one by the values it had.
struct TRegistryChange {
    enum class TKind { KeyCreated, KeyDeleted, ValueSet, ValueDeleted };
    TKind Kind = TKind::ValueSet;
    THKey Hive = HKEY_CURRENT_USER;   // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
    std::string KeyPath;              // below the hive's root, "Software\\Quenlix"
    std::string ValueName;            // values only; "" is the default value
    std::optional<TRegistryData> Old; // nullopt when the value did not exist
    std::optional<TRegistryData> New; // nullopt when the value is gone
};

// What a save writes, in the order it was first touched: what a dry run prints and what a
// backup of the previous configuration keeps. Holds passwords as the stores write them; mask
// them before showing the list.
struct TPreparedChanges {
    std::vector<TFileChange> Files;
    std::vector<TRegistryChange> Registry;
    bool Empty() const { return Files.empty() && Registry.empty(); }
};

class TWriteTransaction {
public:
    explicit TWriteTransaction(TTransactionMode mode = TTransactionMode::Write);
    ~TWriteTransaction(); // puts everything back unless committed
    TWriteTransaction(const TWriteTransaction&) = delete;
    TWriteTransaction& operator=(const TWriteTransaction&) = delete;

    // The whole transaction's changes as they stand.
    TPreparedChanges Changes() const;
    // Writes everything and answers what was written; a dry run answers what would have been
    // written and puts memory back. A joined transaction only marks its part as done. Raises
    // EFileError or ESystemError after putting everything back when something cannot be written.
    TPreparedChanges Commit();
    // Runs the action after the outermost transaction has committed, never after a rollback or
    // a dry run: counters and keys that a save allocates in memory become visible there. Actions
    // must not raise.
    void AfterCommit(std::function<void()> action);

    TTransactionMode Mode() const;
    // Whether a transaction is open on the calling thread.
    static bool Active();

private:
    struct TScope;
    // Writes (or, in a dry run, puts back) everything and makes the thread's writes direct again.
    void End(detail::TTransactionState& state);

    std::unique_ptr<TScope> Scope_;
};

// Runs the action after the transaction open on the calling thread has committed, or at once
// when none is open (so a cache of what was written follows the disk, not a rolled-back save).
void RunWhenCommitted(std::function<void()> action);

} // namespace platform
