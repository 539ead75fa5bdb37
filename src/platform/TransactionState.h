#pragma once
// One write transaction and what each backend does with it (internal to platform/). The scopes,
// nesting and commit order are the same everywhere (WriteTransaction.cpp); where the changes are
// held and how they reach the disk is the backend's: the simulated system's hives and drive
// (TransactionBackend.cpp), or the Windows registry and file system (win32/).

#include "platform/FileJournal.h"
#include "platform/WriteJournal.h"
#include "platform/WriteTransaction.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::detail {

// Each backend's record of the registry changes (RegistryJournal.h, win32/RegistryJournal.h).
class TRegistryJournal;

// One transaction, shared by the scopes that joined it.
struct TTransactionState {
    TTransactionState(); // both defined by the backend, which knows its registry journal
    ~TTransactionState();
    TTransactionState(const TTransactionState&) = delete;
    TTransactionState& operator=(const TTransactionState&) = delete;

    TTransactionMode Mode = TTransactionMode::Write;
    std::filesystem::path Root; // JournalRoot() when it began
    std::unique_ptr<TRegistryJournal> Registry;
    TFileJournal Files;
    std::vector<std::function<void()>> AfterCommit;
    int Depth = 1;
    bool Abandoned = false; // a joined scope ended without its commit
    bool Ended = false;
    bool Committed = false;
};

// --- the backend ---

// Finishes or undoes what killed saves left, before a transaction that writes begins.
void RecoverKilledSaves(const std::filesystem::path& root);
// Puts back what the transaction changed in memory; nothing of it reached the disk.
void RollBack(TTransactionState& state);
// Writes the transaction's changes, all or none; rolls back and raises EFileError or
// ESystemError (RaiseCommitFailure) when that fails.
void WriteToDisk(TTransactionState& state);
// The registry changes as they stand.
std::vector<TRegistryChange> RegistryChanges(const TTransactionState& state);

// --- shared by the backends ---

// Whether the system the transaction began on is still the installed one.
bool OnItsSystem(const TTransactionState& state);
// Raises the error that names the part of a failed commit plan.
[[noreturn]] void RaiseCommitFailure(const ECommitFailed& failure, const TPlannedParts& parts,
                                     const std::filesystem::path& root);

} // namespace platform::detail
