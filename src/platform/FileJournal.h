#pragma once
// The file changes of a write transaction, held back until its commit (internal to platform/).
// The file functions of Files.h hand their changes here while a transaction is open on their
// thread, and read through them, so that the thread sees the files as the commit will leave
// them. Each path keeps the state it had when the transaction first touched it.

#include "platform/Files.h"
#include "platform/WriteJournal.h"
#include "platform/WriteTransaction.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::detail {

enum class TPathKind { Absent, File, Folder };

struct TPendingPath {
    // Windows path: the parts that exist spelled as on disk, new ones as first given.
    std::string Path;
    TPathKind OldKind = TPathKind::Absent;
    std::optional<std::string> OldBytes;
    std::uint32_t OldAttributes = INVALID_FILE_ATTRIBUTES;
    TPathKind NewKind = TPathKind::Absent;
    std::optional<std::string> NewBytes; // a file's new content; nullopt keeps the old one
    std::uint32_t NewAttributes = INVALID_FILE_ATTRIBUTES; // as GetFileAttributes will answer
    bool AttributesSet = false;
};

// What each change of a commit plan is, to name it when it fails.
struct TPlannedPart {
    enum class TKind { FileWrite, FileDelete, FolderCreate, FolderRemove, Attributes, Store, Hive };
    TKind Kind = TKind::FileWrite;
    std::string Name; // Windows path, or the host file of a hive or of the attribute store
};
using TPlannedParts = std::map<std::size_t, TPlannedPart>;

class TFileJournal {
public:
    // As the functions of Files.h of the same names, with the same checks and results.
    void Write(const std::string& path, const std::string& bytes);
    bool ForceDirectories(const std::string& path);
    bool DeleteFile(const std::string& path);
    bool RemoveDirectory(const std::string& path);
    bool SetAttributes(const std::string& path, std::uint32_t attributes);

    const TPendingPath* Find(const std::string& path) const;
    const std::vector<TPendingPath>& Paths() const { return Paths_; }
    std::vector<TFileChange> Changes() const;
    // Adds the changes to the plan, and those of the attribute store to `attributes` (its values,
    // by folded path).
    void Plan(TCommitPlan& plan, TPlannedParts& parts,
              std::map<std::string, std::uint32_t>& attributes) const;

private:
    TPendingPath& Note(const std::string& normalizedPath);
    std::string Spelled(const std::string& normalizedPath) const;

    std::vector<TPendingPath> Paths_;
    std::unordered_map<std::string, std::size_t> Index_; // by folded path
};

// The journal of the write transaction open on the calling thread; nullptr when none is open.
TFileJournal* ActiveFileJournal();

// How the host keeps the attributes of the paths a transaction changes, one implementation per
// backend: on the simulated system the read-only bit of a file lies in its permissions and the
// other bits in the attribute store; on Windows the file system keeps them all.
//
// What lies at a host path now.
TPathKind HostKindOf(const std::filesystem::path& host);
// The attributes a file gets that the transaction creates, as a plain write would give it.
std::uint32_t NewFileAttributes(const std::string& normalizedPath);
// The mode (AtomicFile.h) that a file the transaction writes gets.
unsigned FileModeAfter(const TPendingPath& path, const std::filesystem::path& host);
// Plans what the path's new attributes change apart from a written file's mode: the mode of a
// file or folder whose attributes were set, and the path's entry of the attribute store, into
// `stored` (by folded path; the simulated system only).
void PlanAttributes(const TPendingPath& path, const std::filesystem::path& host, TCommitPlan& plan,
                    TPlannedParts& parts, std::map<std::string, std::uint32_t>& stored);

// Reads through the pending changes of the calling thread's transaction.
const TPendingPath* PendingPath(const std::string& path);
// The entry a path will have: the one on disk, changed, added or taken away.
std::optional<TFindEntry> WithPending(const std::string& normalizedPath,
                                      std::optional<TFindEntry> onDisk);
// The entries of a folder as the transaction will leave them: those on disk changed or taken
// away, and those it creates that the mask matches added.
void MergePendingEntries(const std::string& folderPath, std::string_view mask,
                         std::vector<TFindEntry>& entries);

} // namespace platform::detail
