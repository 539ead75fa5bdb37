#include "platform/WriteTransaction.h"

#include "platform/FileAttributes.h"
#include "platform/FileJournal.h"
#include "platform/RegHive.h"
#include "platform/RegistryJournal.h"
#include "platform/RegistryStore.h"
#include "platform/System.h"
#include "platform/SystemState.h"
#include "platform/WriteJournal.h"

#include <map>
#include <mutex>
#include <optional>

namespace fs = std::filesystem;

namespace platform {

namespace detail {

// One transaction, shared by the scopes that joined it.
struct TTransactionState {
    TTransactionMode Mode = TTransactionMode::Write;
    fs::path Root; // the system it began on
    TRegistryJournal Registry;
    TFileJournal Files;
    std::vector<std::function<void()>> AfterCommit;
    int Depth = 1;
    bool Abandoned = false; // a joined scope ended without its commit
    bool Ended = false;
    bool Committed = false;
};

namespace {

thread_local TTransactionState* Active = nullptr;
std::mutex OneAtATime;

} // namespace

TRegistryJournal* ActiveRegistryJournal() {
    return Active == nullptr ? nullptr : &Active->Registry;
}

TFileJournal* ActiveFileJournal() {
    return Active == nullptr ? nullptr : &Active->Files;
}

} // namespace detail

namespace {

using detail::ECommitFailed;
using detail::TPlannedPart;
using detail::TPlannedParts;
using detail::TRegistryAccess;
using detail::TTransactionState;

bool OnItsSystem(const TTransactionState& state) {
    return !state.Root.empty() && SystemRoot() == state.Root;
}

// Puts the registry back in memory; nothing of the files reached the disk.
void RollBack(TTransactionState& state, TRegistryAccess& access) {
    state.Ended = true;
    state.Registry.Undo(access);
    for (const auto& [hive, changedBefore] : state.Registry.Hives()) {
        access.ReleaseTransaction(hive, changedBefore);
    }
}

void RollBack(TTransactionState& state) {
    if (!OnItsSystem(state)) {
        state.Ended = true; // the system is gone, and what it held in memory with it
        return;
    }
    TRegistryAccess access;
    RollBack(state, access);
}

std::string OutcomeText(ECommitFailed::TOutcome outcome) {
    switch (outcome) {
    case ECommitFailed::TOutcome::FinishedNextStart:
        return " Part of the save was written; the rest is written when the program starts next.";
    case ECommitFailed::TOutcome::UndoneNextStart:
        return " Part of the save was written; it is put back when the program starts next.";
    default:
        return "";
    }
}

[[noreturn]] void RaiseCommitFailure(const ECommitFailed& failure, const TPlannedParts& parts,
                                     const fs::path& root) {
    const std::string reason = failure.Error.Reason() + OutcomeText(failure.Outcome);
    const auto part = parts.find(failure.Change);
    if (part == parts.end()) {
        throw ESystemError("Cannot write the save journal in " +
                           detail::JournalFolder(root).string() + ": " + reason);
    }
    const std::string& name = part->second.Name;
    switch (part->second.Kind) {
    case TPlannedPart::TKind::FileWrite:
        throw EFileError("Cannot write the file \"" + name + "\": " + reason);
    case TPlannedPart::TKind::FileDelete:
        throw EFileError("Cannot delete the file \"" + name + "\": " + reason);
    case TPlannedPart::TKind::FolderCreate:
        throw EFileError("Cannot create the folder \"" + name + "\": " + reason);
    case TPlannedPart::TKind::FolderRemove:
        throw EFileError("Cannot remove the folder \"" + name + "\": " + reason);
    case TPlannedPart::TKind::Attributes:
        throw EFileError("Cannot change the attributes of \"" + name + "\": " + reason);
    case TPlannedPart::TKind::Store:
        throw EFileError("Cannot write the file attributes " + name + ": " + reason);
    case TPlannedPart::TKind::Hive:
        break;
    }
    throw ESystemError("Cannot save " + name + " (" + failure.Error.Step + "): " + reason);
}

// Plans the hives the transaction changed; ESystemError when one must not be saved.
void PlanHives(const TTransactionState& state, TRegistryAccess& access, detail::TCommitPlan& plan,
               TPlannedParts& parts) {
    for (const auto& [hive, changedBefore] : state.Registry.Hives()) {
        TRegistryAccess::THiveSave save = access.PrepareTransactionSave(hive);
        const std::size_t change =
            plan.ReplaceFile(save.File, std::move(save.Bytes), detail::ModeToKeep(save.File),
                             reg::HiveWriteFaultForTesting());
        parts[change] = {TPlannedPart::TKind::Hive, save.File.string()};
    }
}

// Plans the files and, when they change, the attribute store; answers its new values then.
std::optional<std::map<std::string, std::uint32_t>>
PlanFiles(const TTransactionState& state, detail::TCommitPlan& plan, TPlannedParts& parts) {
    detail::TAttributeStore& store = detail::Attributes();
    const auto oldAttributes = store.Values();
    auto newAttributes = oldAttributes;
    state.Files.Plan(plan, parts, newAttributes);
    if (newAttributes == oldAttributes) {
        return std::nullopt;
    }
    const fs::path file = store.File();
    parts[plan.ReplaceFile(file, detail::TAttributeStore::Format(newAttributes),
                           detail::ModeToKeep(file), detail::TakeWriteFaultForTesting())] = {
        TPlannedPart::TKind::Store, "store " + file.string()};
    return newAttributes;
}

// Writes the transaction's changes, all or none; rolls back and raises when that fails.
void WriteToDisk(TTransactionState& state) {
    TRegistryAccess access; // held until the hives on disk and in memory agree again
    detail::TCommitPlan plan(state.Root);
    TPlannedParts parts;
    std::optional<std::map<std::string, std::uint32_t>> attributes;
    try {
        attributes = PlanFiles(state, plan, parts);
        PlanHives(state, access, plan, parts);
        plan.Execute();
    } catch (const ECommitFailed& failure) {
        if (failure.Outcome == ECommitFailed::TOutcome::FinishedNextStart) {
            // Memory keeps what the disk will hold; the hives are saved again at the next close.
            state.Ended = true;
            for (const auto& [hive, changedBefore] : state.Registry.Hives()) {
                access.ReleaseTransaction(hive, true);
            }
        } else {
            RollBack(state, access);
        }
        RaiseCommitFailure(failure, parts, state.Root);
    } catch (...) {
        RollBack(state, access);
        throw;
    }
    for (const auto& [hive, changedBefore] : state.Registry.Hives()) {
        access.TransactionSaved(hive);
    }
    if (attributes) {
        detail::Attributes().Adopt(std::move(*attributes));
    }
}

} // namespace

struct TWriteTransaction::TScope {
    std::unique_ptr<TTransactionState> Owned; // set in the outermost scope only
    std::unique_lock<std::mutex> Lock;
    TTransactionState* State = nullptr;
    bool Done = false; // this scope committed
};

TWriteTransaction::TWriteTransaction(TTransactionMode mode) : Scope_(std::make_unique<TScope>()) {
    if (TTransactionState* outer = detail::Active) {
        if (mode == TTransactionMode::DryRun && outer->Mode == TTransactionMode::Write) {
            throw std::logic_error("A dry run cannot be opened inside a transaction that writes");
        }
        ++outer->Depth;
        Scope_->State = outer;
        return;
    }
    Scope_->Lock = std::unique_lock(detail::OneAtATime);
    Scope_->Owned = std::make_unique<TTransactionState>();
    Scope_->State = Scope_->Owned.get();
    Scope_->State->Mode = mode;
    Scope_->State->Root = SystemRoot();
    // What a killed save left is finished or undone before this one begins; a dry run leaves
    // the disk alone.
    if (mode == TTransactionMode::Write && detail::RecoverWriteJournals(Scope_->State->Root)) {
        detail::Attributes().Reset();
    }
    detail::Active = Scope_->State;
}

TWriteTransaction::~TWriteTransaction() {
    TTransactionState& state = *Scope_->State;
    if (!Scope_->Owned) {
        --state.Depth;
        state.Abandoned = state.Abandoned || !Scope_->Done;
        return;
    }
    if (detail::Active == &state) {
        RollBack(state);
        detail::Active = nullptr;
    }
}

TPreparedChanges TWriteTransaction::Changes() const {
    const TTransactionState& state = *Scope_->State;
    TPreparedChanges changes;
    changes.Files = state.Files.Changes();
    if (OnItsSystem(state)) {
        TRegistryAccess access;
        changes.Registry = state.Registry.Changes(access);
    }
    return changes;
}

TPreparedChanges TWriteTransaction::Commit() {
    TTransactionState& state = *Scope_->State;
    if (Scope_->Done || state.Ended) {
        throw std::logic_error("The transaction has ended already");
    }
    Scope_->Done = true;
    TPreparedChanges changes = Changes();
    if (!Scope_->Owned) {
        return changes; // the outermost scope commits
    }
    if (state.Depth > 1) {
        throw std::logic_error("A transaction that joined this one is still open");
    }
    End(state);
    if (!state.Committed) {
        return changes; // a dry run
    }
    // The transaction is over: what the actions write goes to disk at once.
    for (const auto& action : state.AfterCommit) {
        action();
    }
    return changes;
}

void TWriteTransaction::End(TTransactionState& state) {
    struct TDeactivate {
        TScope& Scope;
        ~TDeactivate() {
            detail::Active = nullptr;
            Scope.Lock.unlock();
        }
    } deactivate{*Scope_};
    if (state.Abandoned) {
        RollBack(state);
        throw ESystemError("A part of this save failed, so nothing of it was written");
    }
    if (state.Mode == TTransactionMode::DryRun) {
        RollBack(state);
        return;
    }
    if (!OnItsSystem(state)) {
        state.Ended = true;
        throw ESystemError("The system that this save began on is no longer installed");
    }
    WriteToDisk(state);
    state.Ended = true;
    state.Committed = true;
}

void TWriteTransaction::AfterCommit(std::function<void()> action) {
    TTransactionState& state = *Scope_->State;
    if (state.Committed) {
        action();
    } else if (!state.Ended) {
        state.AfterCommit.push_back(std::move(action));
    }
}

TTransactionMode TWriteTransaction::Mode() const {
    return Scope_->State->Mode;
}

bool TWriteTransaction::Active() {
    return detail::Active != nullptr;
}

void RunWhenCommitted(std::function<void()> action) {
    if (detail::Active != nullptr) {
        detail::Active->AfterCommit.push_back(std::move(action));
    } else {
        action();
    }
}

} // namespace platform
