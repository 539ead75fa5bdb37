#include "platform/WriteTransaction.h"

#include "platform/System.h"
#include "platform/TransactionState.h"

#include <mutex>

namespace fs = std::filesystem;

namespace platform {

namespace detail {

namespace {

thread_local TTransactionState* Active = nullptr;
std::mutex OneAtATime;

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

} // namespace

TRegistryJournal* ActiveRegistryJournal() {
    return Active == nullptr ? nullptr : Active->Registry.get();
}

TFileJournal* ActiveFileJournal() {
    return Active == nullptr ? nullptr : &Active->Files;
}

bool OnItsSystem(const TTransactionState& state) {
    return !state.Root.empty() && JournalRoot() == state.Root;
}

void RaiseCommitFailure(const ECommitFailed& failure, const TPlannedParts& parts,
                        const fs::path& root) {
    const std::string reason = failure.Error.Reason() + OutcomeText(failure.Outcome);
    const auto part = parts.find(failure.Change);
    if (part == parts.end()) {
        throw ESystemError("Cannot write the save journal in " + JournalFolder(root).string() +
                           ": " + reason);
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

} // namespace detail

namespace {

using detail::TTransactionState;

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
    Scope_->State->Root = detail::JournalRoot();
    // What a killed save left is finished or undone before this one begins; a dry run leaves
    // the disk alone.
    if (mode == TTransactionMode::Write) {
        detail::RecoverKilledSaves(Scope_->State->Root);
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
        detail::RollBack(state);
        detail::Active = nullptr;
    }
}

TPreparedChanges TWriteTransaction::Changes() const {
    const TTransactionState& state = *Scope_->State;
    TPreparedChanges changes;
    changes.Files = state.Files.Changes();
    if (detail::OnItsSystem(state)) {
        changes.Registry = detail::RegistryChanges(state);
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
        detail::RollBack(state);
        throw ESystemError("A part of this save failed, so nothing of it was written");
    }
    if (state.Mode == TTransactionMode::DryRun) {
        detail::RollBack(state);
        return;
    }
    if (!detail::OnItsSystem(state)) {
        state.Ended = true;
        throw ESystemError("The system that this save began on is no longer installed");
    }
    detail::WriteToDisk(state);
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
