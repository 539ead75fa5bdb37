#pragma once
// The on-disk half of a write transaction (internal to platform/): puts a set of file changes
// on disk all or nothing, even when the process is killed at any instant.
//
// Design. A commit runs in four phases; the journal file in <root>/journal/ tells, by its name,
// how far it got, and the next start of the program (or the next transaction) finishes or undoes
// what a killed commit left:
//
//   1. Journal "<process>.<n>.prepare": every change with the names of its temporary and
//      backup files, written atomically before anything else. A killed commit from here on is
//      undone: its temporaries and backups are removed, the folders it created too.
//   2. Prepare: new folders are created; each new content is written to a temporary file beside
//      its target and flushed; each file to be replaced or deleted gets a backup (a hard link,
//      else a copy) so that it can be put back: beside it, or beside the journal for a deleted
//      file, whose folder may go too. Nothing a client reads has changed yet.
//   3. Commit point: the journal is renamed to "….commit". From here on a killed commit is
//      finished: temporaries are renamed over their targets, deleted files unlinked, modes set,
//      folders removed (each step can be repeated).
//   4. Apply, then clean up: backups are removed, then the journal.
//
// When a step of phase 4 fails in the running process, the journal is renamed to "….rollback"
// and every applied change is put back from its backup; a killed rollback is finished by the next
// start in the same way. Journals of processes that still run are left alone. The process is
// named by its id and start time, so a later process with the same id is not taken for it.
//
// The journal names files relative to the system root and knows nothing of what they hold; on
// the simulated system the hives are two of them. A Win32 backend keeps the format, with full
// paths, in a folder of ours under local application data, and replaces files with
// ReplaceFileW / MoveFileExW; it records registry changes elsewhere, as it has no hive files.
//
// Files are named relative to the root; on Windows, where the files of a save lie anywhere, by
// their full paths (which have a drive).
//
// Format: UTF-8 lines, fields separated by tabs (a tab, line break or backslash in a field is
// escaped with a backslash):
//
//   Quenlix write journal 1
//   folder   <dir>
//   replace  <file> <temporary> <backup, empty for a new file> <mode, octal>
//   delete   <file> <backup>
//   mode     <file> <old mode> <new mode>
//   rmdir    <dir>
//   end

#include "platform/AtomicFile.h"

#include <cstddef>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::detail {

class ECommitFailed : public std::runtime_error {
public:
    static constexpr std::size_t Journal = static_cast<std::size_t>(-1);
    // Where the disk stands after the failure.
    enum class TOutcome {
        Undone,            // as before the commit
        FinishedNextStart, // partly written; the next start finishes it from the journal
        UndoneNextStart    // partly put back; the next start finishes putting it back
    };
    ECommitFailed(std::size_t change, TWriteError error, TOutcome outcome);
    std::size_t Change; // the number the plan gave the change, or Journal
    TWriteError Error;
    TOutcome Outcome;
};

class TCommitPlan {
public:
    explicit TCommitPlan(std::filesystem::path root);

    // Each answers the change's number, by which a failure names it. Paths lie below the root.
    std::size_t CreateFolder(const std::filesystem::path& dir);
    // Creates the file when missing.
    std::size_t ReplaceFile(const std::filesystem::path& file, std::string bytes, unsigned mode,
                            TWriteFault fault = TWriteFault::None);
    std::size_t DeleteFile(const std::filesystem::path& file);
    std::size_t ChangeMode(const std::filesystem::path& file, unsigned oldMode, unsigned newMode);
    std::size_t RemoveFolder(const std::filesystem::path& dir);
    bool Empty() const { return Changes_.empty(); }

    // Puts every change on disk or none; throws ECommitFailed.
    void Execute();

    enum class TKind { CreateFolder, Replace, Delete, ChangeMode, RemoveFolder };
    struct TChange {
        TKind Kind = TKind::Replace;
        std::filesystem::path Target;
        std::filesystem::path Temp;   // Replace: the new content
        std::filesystem::path Backup; // Replace of an existing file, Delete: the old file
        unsigned Mode = 0;            // Replace, ChangeMode: the new mode
        unsigned OldMode = 0;         // ChangeMode
        std::string Bytes;            // Replace, until written
        TWriteFault Fault = TWriteFault::None;
        std::size_t Number = 0;
    };

private:
    std::size_t Add(TChange change);

    std::filesystem::path Root_;
    std::vector<TChange> Changes_;
};

// Finishes or undoes the commits that ended processes left under the root. Answers whether it
// found any.
bool RecoverWriteJournals(const std::filesystem::path& root);
std::filesystem::path JournalFolder(const std::filesystem::path& root);
// The root whose journal folder holds this program's commits: the installed system's root on
// the simulated system, a folder of ours under local application data on Windows. Empty when
// there is none (no system installed).
std::filesystem::path JournalRoot();
// The ids of the processes whose journals lie under the root: their temporaries must stay.
std::set<int> ProcessesWithJournals(const std::filesystem::path& root);

// For kill tests: the process kills itself right after the given durable step of its commits
// (1 is the first; 0 never).
void KillAtCommitStepForTesting(int step);

} // namespace platform::detail
