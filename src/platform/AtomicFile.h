#pragma once
// The one way the simulated system puts a file on disk (internal to platform/): a temporary
// file beside the target, written and flushed, renamed over the target, the folder flushed. A
// crash leaves the old file or the new one, never a torn one. Drive files, hives, the attribute
// store and the write journal all go through here.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::detail {

// A step of a durable write that tests make fail, as a full disk or an I/O error would.
enum class TWriteFault { None, Write, Sync, Rename };

// The step that failed ("write", "flush", "rename" ...) and the system's error number.
struct TWriteError {
    std::string Step;
    int Error = 0;
    std::string Reason() const; // the system's text for the error
};
using TWriteResult = std::optional<TWriteError>; // nullopt when every step succeeded

// Temporary files begin with this prefix and name the process that made them:
// ".~qtmp.<process id>.<number>.<target name>". The drive never lists them.
inline constexpr std::string_view TempPrefix = ".~qtmp.";
bool IsTemporaryName(std::string_view name);
// A fresh temporary path in the folder of `target`, unique within this process.
std::filesystem::path NewTemporaryPath(const std::filesystem::path& target);

// Creates a new file (failing when it exists) holding the bytes with the given mode, flushed to
// disk. Removes what it created when a step fails.
TWriteResult WriteNewFile(const std::filesystem::path& file, const std::string& bytes,
                          unsigned mode, TWriteFault fault = TWriteFault::None);
TWriteResult RenameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                        TWriteFault fault = TWriteFault::None);
// Makes the names in a folder (renames, creations, removals) durable.
void SyncDirectory(const std::filesystem::path& dir);
// The permission bits of an existing file, else those of a new one (0644).
unsigned ModeToKeep(const std::filesystem::path& file);

// The host's file primitives that the write journal is built on, each answering as the
// simulated system's host (POSIX) or Windows does. A "mode" is what the host keeps of a file's
// protection: the permission bits on the simulated system, the attribute bits on Windows.
TWriteResult MakeFolder(const std::filesystem::path& dir); // success when it exists already
bool RemoveEmptyFolder(const std::filesystem::path& dir);
bool RemoveFile(const std::filesystem::path& file); // false when it could not be removed
// A second name for the file's content (a hard link); fails across volumes and file systems
// that have none.
bool LinkFile(const std::filesystem::path& file, const std::filesystem::path& link);
TWriteResult SetFileMode(const std::filesystem::path& file, unsigned mode);
bool IsRegularFile(const std::filesystem::path& file);
// The error of the host's last failed call (errno, GetLastError) as the failure of a step.
TWriteError LastHostError(const char* step);
// Whether a rename failed because source and target lie on different volumes.
bool IsOtherVolume(const TWriteError& error);
// Ends the process at once, as a kill would (for kill tests).
[[noreturn]] void KillThisProcess();

// Replaces the file atomically, keeping the mode of the file it replaces. Removes stale
// temporaries of ended processes from the folder first.
TWriteResult ReplaceFileAtomically(const std::filesystem::path& file, const std::string& bytes,
                                   TWriteFault fault = TWriteFault::None);

// Removes the temporaries that ended processes left in a folder when they were killed mid-write.
// Those of running processes stay, and those that a killed commit's journal still needs.
void RemoveStaleTemporaries(const std::filesystem::path& dir);

} // namespace platform::detail
