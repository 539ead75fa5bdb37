// Write transactions on the simulated system: registry changes are made in the in-memory hives
// and put back from the registry journal; the commit writes the changed hives, the drive's files
// and the attribute store in one commit plan.

#include "platform/FileAttributes.h"
#include "platform/RegHive.h"
#include "platform/RegistryJournal.h"
#include "platform/RegistryStore.h"
#include "platform/System.h"
#include "platform/SystemState.h"
#include "platform/TransactionState.h"

#include <map>
#include <optional>

namespace fs = std::filesystem;

namespace platform::detail {

TTransactionState::TTransactionState() : Registry(std::make_unique<TRegistryJournal>()) {}
TTransactionState::~TTransactionState() = default;

fs::path JournalRoot() {
    return SystemRoot();
}

void RecoverKilledSaves(const fs::path& root) {
    if (RecoverWriteJournals(root)) {
        Attributes().Reset();
    }
}

namespace {

// Puts the registry back in memory; nothing of the files reached the disk.
void RollBack(TTransactionState& state, TRegistryAccess& access) {
    state.Ended = true;
    state.Registry->Undo(access);
    for (const auto& [hive, changedBefore] : state.Registry->Hives()) {
        access.ReleaseTransaction(hive, changedBefore);
    }
}

// Plans the hives the transaction changed; ESystemError when one must not be saved.
void PlanHives(const TTransactionState& state, TRegistryAccess& access, TCommitPlan& plan,
               TPlannedParts& parts) {
    for (const auto& [hive, changedBefore] : state.Registry->Hives()) {
        TRegistryAccess::THiveSave save = access.PrepareTransactionSave(hive);
        const std::size_t change =
            plan.ReplaceFile(save.File, std::move(save.Bytes), ModeToKeep(save.File),
                             reg::HiveWriteFaultForTesting());
        parts[change] = {TPlannedPart::TKind::Hive, save.File.string()};
    }
}

// Plans the files and, when they change, the attribute store; answers its new values then.
std::optional<std::map<std::string, std::uint32_t>>
PlanFiles(const TTransactionState& state, TCommitPlan& plan, TPlannedParts& parts) {
    TAttributeStore& store = Attributes();
    const auto oldAttributes = store.Values();
    auto newAttributes = oldAttributes;
    state.Files.Plan(plan, parts, newAttributes);
    if (newAttributes == oldAttributes) {
        return std::nullopt;
    }
    const fs::path file = store.File();
    parts[plan.ReplaceFile(file, TAttributeStore::Format(newAttributes), ModeToKeep(file),
                           TakeWriteFaultForTesting())] = {TPlannedPart::TKind::Store,
                                                           "store " + file.string()};
    return newAttributes;
}

} // namespace

void RollBack(TTransactionState& state) {
    if (!OnItsSystem(state)) {
        state.Ended = true; // the system is gone, and what it held in memory with it
        return;
    }
    TRegistryAccess access;
    RollBack(state, access);
}

void WriteToDisk(TTransactionState& state) {
    TRegistryAccess access; // held until the hives on disk and in memory agree again
    TCommitPlan plan(state.Root);
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
            for (const auto& [hive, changedBefore] : state.Registry->Hives()) {
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
    for (const auto& [hive, changedBefore] : state.Registry->Hives()) {
        access.TransactionSaved(hive);
    }
    if (attributes) {
        Attributes().Adopt(std::move(*attributes));
    }
}

std::vector<TRegistryChange> RegistryChanges(const TTransactionState& state) {
    TRegistryAccess access;
    return state.Registry->Changes(access);
}

} // namespace platform::detail
