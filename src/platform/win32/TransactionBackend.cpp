// Write transactions on Windows. Registry changes wait in the registry journal and file changes
// in the file journal until the commit. The commit makes the registry changes first, noting what
// they replace, then puts the files on disk through the commit plan; when the files fail, the
// registry is put back. Journals of the file commits lie under local application data.
//
// A commit killed after its registry changes but before the files' commit point leaves the
// registry changed and the files as they were: the registry has no journal on disk.

#include "platform/win32/WindowsApi.h"

#include "platform/win32/RegistryJournal.h"

#include "platform/SystemInfo.h"
#include "platform/SystemState.h"
#include "platform/TransactionState.h"

#include <map>

namespace fs = std::filesystem;

namespace platform::detail {

TTransactionState::TTransactionState() : Registry(std::make_unique<TRegistryJournal>()) {}
TTransactionState::~TTransactionState() = default;

fs::path JournalRoot() {
    wchar_t folder[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) !=
        S_OK) {
        return {};
    }
    return fs::path(folder) / L"Quenlix Mail Assistant";
}

void RecoverKilledSaves(const fs::path& root) {
    RecoverWriteJournals(root);
}

void RollBack(TTransactionState& state) {
    // Nothing reached the registry or the disk; the journals are forgotten with the state.
    state.Ended = true;
}

void WriteToDisk(TTransactionState& state) {
    state.Registry->Apply(); // raises after putting back what it made
    TCommitPlan plan(state.Root);
    TPlannedParts parts;
    std::map<std::string, std::uint32_t> noStore; // Windows keeps attributes itself
    try {
        state.Files.Plan(plan, parts, noStore);
        plan.Execute();
    } catch (const ECommitFailed& failure) {
        // Files the next start finishes go with the registry as it is now.
        if (failure.Outcome != ECommitFailed::TOutcome::FinishedNextStart) {
            state.Registry->Undo();
        }
        state.Ended = true;
        RaiseCommitFailure(failure, parts, state.Root);
    } catch (...) {
        state.Registry->Undo();
        state.Ended = true;
        throw;
    }
}

std::vector<TRegistryChange> RegistryChanges(const TTransactionState& state) {
    return state.Registry->Changes();
}

} // namespace platform::detail
