#include "platform/FileJournal.h"

#include "platform/SystemState.h"
#include "platform/WinPath.h"

#include <chrono>

namespace fs = std::filesystem;

namespace platform::detail {

namespace {

// The attributes that SetFileAttributes changes, on both systems.
constexpr std::uint32_t SettableBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

std::string Key(const std::string& path) {
    return FoldCase(NormalizePath(path));
}

TFileTime Now() {
    constexpr std::int64_t epochDifference = 116444736000000000LL; // 1601 to 1970 in 100 ns
    const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<TFileTime>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100 +
        epochDifference);
}

// The folder a path lies in, as NormalizePath writes a folder ("C:\" for the root).
std::string FolderOf(const std::string& path) {
    std::string folder = ExtractFilePath(path);
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

bool HasComponents(const std::string& normalizedPath) {
    return normalizedPath.size() > 3; // more than "C:\"
}

TFileChange ChangeOf(const TPendingPath& path, TFileChange::TKind kind) {
    TFileChange change;
    change.Kind = kind;
    change.Path = path.Path;
    change.OldBytes = path.OldBytes;
    if (kind == TFileChange::TKind::FileWritten) {
        change.NewBytes = path.NewBytes;
    }
    change.OldAttributes = path.OldAttributes;
    change.NewAttributes = path.NewAttributes;
    return change;
}

} // namespace

std::string TFileJournal::Spelled(const std::string& normalizedPath) const {
    const TWinPath parsed = ParseWinPath(normalizedPath, "C:\\");
    std::string spelled = parsed.Drive;
    for (const std::string& component : parsed.Components) {
        const std::string candidate = spelled + "\\" + component;
        const auto known = Index_.find(FoldCase(candidate));
        if (known != Index_.end()) {
            spelled = Paths_[known->second].Path;
            continue;
        }
        const fs::path host = HostPath(candidate);
        std::error_code ec;
        spelled = fs::exists(fs::symlink_status(host, ec))
                      ? spelled + "\\" + host.filename().string()
                      : candidate;
    }
    return parsed.Components.empty() ? spelled + "\\" : spelled;
}

TPendingPath& TFileJournal::Note(const std::string& normalizedPath) {
    const std::string key = FoldCase(normalizedPath);
    if (const auto known = Index_.find(key); known != Index_.end()) {
        return Paths_[known->second];
    }
    TPendingPath path;
    path.Path = Spelled(normalizedPath);
    const fs::path host = HostPath(normalizedPath);
    if (!host.empty() && (path.OldKind = HostKindOf(host)) != TPathKind::Absent) {
        if (path.OldKind == TPathKind::File) {
            path.OldBytes = ReadFileBytes(normalizedPath);
        }
        path.OldAttributes = GetFileAttributes(normalizedPath);
    }
    path.NewKind = path.OldKind;
    path.NewAttributes = path.OldAttributes;
    Index_.emplace(key, Paths_.size());
    Paths_.push_back(std::move(path));
    return Paths_.back();
}

const TPendingPath* TFileJournal::Find(const std::string& path) const {
    const auto known = Index_.find(Key(path));
    return known == Index_.end() ? nullptr : &Paths_[known->second];
}

void TFileJournal::Write(const std::string& path, const std::string& bytes) {
    const std::string failure = "Cannot write the file \"" + path + "\": ";
    const std::string normalized = NormalizePath(path);
    if (HostPath(path).empty() || !HasComponents(normalized)) {
        throw EFileError(failure + "the path is not a file on drive C:");
    }
    if (!DirectoryExists(FolderOf(normalized))) {
        throw EFileError(failure + "the folder does not exist");
    }
    const std::uint32_t attributes = GetFileAttributes(normalized);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throw EFileError(failure + "it is not a file");
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        throw EFileError(failure + "the file is read-only");
    }
    TPendingPath& pending = Note(normalized);
    if (pending.OldKind == TPathKind::Folder) {
        throw EFileError(failure + "a folder that this save removes cannot become a file");
    }
    if (pending.NewKind != TPathKind::File) {
        pending.NewAttributes = NewFileAttributes(normalized);
        pending.AttributesSet = false;
    }
    pending.NewKind = TPathKind::File;
    pending.NewBytes = bytes;
}

bool TFileJournal::ForceDirectories(const std::string& path) {
    if (HostPath(path).empty()) {
        return false;
    }
    const TWinPath parsed = ParseWinPath(NormalizePath(path), "C:\\");
    std::string current = parsed.Drive;
    for (const std::string& component : parsed.Components) {
        current += "\\" + component;
        if (DirectoryExists(current)) {
            continue;
        }
        const TPendingPath* pending = Find(current);
        if (FileExists(current) || (pending != nullptr && pending->OldKind == TPathKind::File)) {
            return false; // a file stands in the way, now or before this save
        }
        TPendingPath& folder = Note(current);
        folder.NewKind = TPathKind::Folder;
        folder.NewBytes.reset();
        folder.AttributesSet = false;
        folder.NewAttributes =
            folder.OldKind == TPathKind::Folder ? folder.OldAttributes : FILE_ATTRIBUTE_DIRECTORY;
    }
    return true;
}

bool TFileJournal::DeleteFile(const std::string& path) {
    const std::string normalized = NormalizePath(path);
    const std::uint32_t attributes = GetFileAttributes(normalized);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
        return false;
    }
    TPendingPath& pending = Note(normalized);
    pending.NewKind = TPathKind::Absent;
    pending.NewBytes.reset();
    pending.NewAttributes = INVALID_FILE_ATTRIBUTES;
    pending.AttributesSet = false;
    return true;
}

bool TFileJournal::RemoveDirectory(const std::string& path) {
    const std::string normalized = NormalizePath(path);
    if (!HasComponents(normalized) || !DirectoryExists(normalized)) {
        return false;
    }
    for (const TFindEntry& entry : FindFiles(IncludeTrailingBackslash(normalized) + "*")) {
        if (entry.Name != "." && entry.Name != "..") {
            return false;
        }
    }
    TPendingPath& pending = Note(normalized);
    pending.NewKind = TPathKind::Absent;
    pending.NewAttributes = INVALID_FILE_ATTRIBUTES;
    pending.AttributesSet = false;
    return true;
}

bool TFileJournal::SetAttributes(const std::string& path, std::uint32_t attributes) {
    const std::string normalized = NormalizePath(path);
    if (GetFileAttributes(normalized) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    TPendingPath& pending = Note(normalized);
    pending.AttributesSet = true;
    if (pending.NewKind == TPathKind::Folder) {
        pending.NewAttributes = FILE_ATTRIBUTE_DIRECTORY | (attributes & SettableBits);
    } else {
        const std::uint32_t kept = attributes & SettableBits;
        pending.NewAttributes = kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept;
    }
    return true;
}

std::vector<TFileChange> TFileJournal::Changes() const {
    using TKind = TFileChange::TKind;
    std::vector<TFileChange> changes;
    for (const TPendingPath& path : Paths_) {
        const bool attributesChanged = path.NewAttributes != path.OldAttributes;
        if (path.NewKind == TPathKind::File && path.NewBytes) {
            changes.push_back(ChangeOf(path, TKind::FileWritten));
        } else if (path.OldKind == TPathKind::File && path.NewKind == TPathKind::Absent) {
            changes.push_back(ChangeOf(path, TKind::FileDeleted));
        } else if (path.OldKind != TPathKind::Folder && path.NewKind == TPathKind::Folder) {
            changes.push_back(ChangeOf(path, TKind::FolderCreated));
        } else if (path.OldKind == TPathKind::Folder && path.NewKind == TPathKind::Absent) {
            changes.push_back(ChangeOf(path, TKind::FolderRemoved));
        } else if (path.OldKind == path.NewKind && path.NewKind != TPathKind::Absent &&
                   attributesChanged) {
            changes.push_back(ChangeOf(path, TKind::AttributesChanged));
        }
    }
    return changes;
}

void TFileJournal::Plan(TCommitPlan& plan, TPlannedParts& parts,
                        std::map<std::string, std::uint32_t>& attributes) const {
    using TKind = TPlannedPart::TKind;
    for (const TPendingPath& path : Paths_) {
        const fs::path host = HostPath(path.Path);
        if (host.empty() && (path.NewKind != path.OldKind || path.NewBytes || path.AttributesSet)) {
            throw EFileError("Cannot write \"" + path.Path +
                             "\": it is no longer a path on drive C:");
        }
        if (path.NewKind == TPathKind::File && path.NewBytes) {
            parts[plan.ReplaceFile(host, *path.NewBytes, FileModeAfter(path, host),
                                   TakeWriteFaultForTesting())] = {TKind::FileWrite, path.Path};
        } else if (path.OldKind == TPathKind::File && path.NewKind == TPathKind::Absent) {
            parts[plan.DeleteFile(host)] = {TKind::FileDelete, path.Path};
        } else if (path.OldKind != TPathKind::Folder && path.NewKind == TPathKind::Folder) {
            parts[plan.CreateFolder(host)] = {TKind::FolderCreate, path.Path};
        } else if (path.OldKind == TPathKind::Folder && path.NewKind == TPathKind::Absent) {
            parts[plan.RemoveFolder(host)] = {TKind::FolderRemove, path.Path};
        }
        PlanAttributes(path, host, plan, parts, attributes);
    }
}

const TPendingPath* PendingPath(const std::string& path) {
    const TFileJournal* journal = ActiveFileJournal();
    return journal == nullptr ? nullptr : journal->Find(path);
}

std::optional<TFindEntry> WithPending(const std::string& normalizedPath,
                                      std::optional<TFindEntry> onDisk) {
    const TPendingPath* pending = PendingPath(normalizedPath);
    if (pending == nullptr) {
        return onDisk;
    }
    if (pending->NewKind == TPathKind::Absent) {
        return std::nullopt;
    }
    TFindEntry entry;
    if (onDisk) {
        entry = *onDisk;
    } else {
        entry.Name = ExtractFileName(pending->Path);
        entry.CreationTime = entry.LastAccessTime = entry.LastWriteTime = Now();
    }
    entry.Attributes = pending->NewAttributes;
    if (pending->NewKind == TPathKind::Folder) {
        entry.Size = 0;
    } else if (pending->NewBytes) {
        entry.Size = pending->NewBytes->size();
    }
    return entry;
}

void MergePendingEntries(const std::string& folderPath, std::string_view mask,
                         std::vector<TFindEntry>& entries) {
    const TFileJournal* journal = ActiveFileJournal();
    if (journal == nullptr) {
        return;
    }
    const std::string prefix = HasComponents(folderPath) ? folderPath + "\\" : folderPath;
    std::vector<TFindEntry> onDisk = std::move(entries);
    entries.clear();
    for (TFindEntry& entry : onDisk) {
        const std::string path = prefix + entry.Name;
        if (auto kept = WithPending(path, std::move(entry))) {
            entries.push_back(std::move(*kept));
        }
    }
    const std::string folder = FoldCase(folderPath);
    for (const TPendingPath& pending : journal->Paths()) {
        const std::string name = ExtractFileName(pending.Path);
        if (pending.OldKind != TPathKind::Absent || pending.NewKind == TPathKind::Absent ||
            FoldCase(FolderOf(pending.Path)) != folder || !WildcardMatch(mask, name)) {
            continue;
        }
        if (auto entry = WithPending(pending.Path, std::nullopt)) {
            entries.push_back(*entry);
        }
    }
}

} // namespace platform::detail
