#include "platform/Files.h"

#include "platform/AtomicFile.h"
#include "platform/FileAttributes.h"
#include "platform/FileJournal.h"
#include "platform/System.h"
#include "platform/SystemState.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

using detail::AttributeKey;
using detail::Attributes;
using detail::StoredBits;

namespace {

std::mutex CurrentDirMutex;
std::string CurrentDir = "C:\\";

std::atomic<bool> FailNextWrite{false};

detail::TWinPath Parse(const std::string& windowsPath) {
    return detail::ParseWinPath(windowsPath, GetCurrentDirectory());
}

bool IsLink(const fs::path& host) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(host, ec));
}

struct TComponent {
    fs::path Host;
    bool Link = false;
};

// The host entry of `name` inside `dir`: the exact name if present, else the first entry
// equal without case; the name itself when nothing matches (for creation). The status read to
// find it tells whether it is a link, so that is not asked again.
TComponent FindComponent(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    fs::path exact = dir / name;
    const fs::file_status status = fs::symlink_status(exact, ec);
    if (fs::exists(status))
        return {std::move(exact), fs::is_symlink(status)};
    std::string best;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (detail::SameTextNoCase(candidate, name) && (best.empty() || candidate < best))
            best = candidate;
    }
    if (best.empty())
        return {std::move(exact), false};
    fs::path found = dir / best;
    const bool link = IsLink(found);
    return {std::move(found), link};
}

// A symbolic link on the drive is followed only when it leads to a place on the drive: one
// leading elsewhere, or nowhere, would let a Windows path reach the host beyond the drive.
bool LinkStaysOnDrive(const fs::path& link, const fs::path& drive) {
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    if (ec)
        return false;
    const fs::path base = fs::canonical(drive, ec);
    if (ec)
        return false;
    return std::mismatch(base.begin(), base.end(), target.begin(), target.end()).first ==
           base.end();
}

// The host path of a Windows path on the drive; empty when it names nothing there.
fs::path Resolve(const detail::TWinPath& path) {
    if (!path.Valid || path.Drive != "C:")
        return {};
    const fs::path drive = detail::DriveRoot();
    if (drive.empty())
        return {};
    fs::path host = drive;
    for (const std::string& component : path.Components) {
        if (detail::HasWildcards(component) || detail::IsTemporaryName(component))
            return {};
        TComponent found = FindComponent(host, component);
        host = std::move(found.Host);
        if (found.Link && !LinkStaysOnDrive(host, drive))
            return {};
    }
    return host;
}

TFileTime ToFileTime(const struct statx_timestamp& t) {
    constexpr std::int64_t epochDifference = 116444736000000000LL; // 1601 to 1970 in 100 ns
    const std::int64_t value = t.tv_sec * 10000000LL + t.tv_nsec / 100 + epochDifference;
    return value < 0 ? 0 : static_cast<TFileTime>(value);
}

std::uint32_t AttributesOf(bool isDirectory, bool writable, const std::string& normalizedPath) {
    const auto stored = Attributes().Get(AttributeKey(normalizedPath));
    std::uint32_t attributes = 0;
    if (isDirectory) {
        attributes = FILE_ATTRIBUTE_DIRECTORY | stored.value_or(0);
    } else {
        attributes = stored.value_or(FILE_ATTRIBUTE_ARCHIVE);
        if (!writable)
            attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

std::optional<TFindEntry> EntryOf(const fs::path& host, const std::string& name,
                                  const std::string& normalizedPath) {
    struct statx st {};
    if (host.empty() || ::statx(AT_FDCWD, host.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st))
        return std::nullopt;
    TFindEntry entry;
    entry.Name = name;
    const bool isDirectory = S_ISDIR(st.stx_mode);
    entry.Attributes = AttributesOf(isDirectory, (st.stx_mode & S_IWUSR) != 0, normalizedPath);
    entry.Size = isDirectory ? 0 : st.stx_size;
    entry.CreationTime = ToFileTime((st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_ctime);
    entry.LastAccessTime = ToFileTime(st.stx_atime);
    entry.LastWriteTime = ToFileTime(st.stx_mtime);
    return entry;
}

// Whether the Windows path names a folder, as a transaction in progress will leave it or as it
// is on the drive; `host` is the path's host path, resolved already.
bool IsFolderAt(const std::string& windowsPath, const fs::path& host) {
    if (const detail::TPendingPath* pending = detail::PendingPath(windowsPath))
        return pending->NewKind == detail::TPathKind::Folder;
    std::error_code ec;
    return !host.empty() && fs::is_directory(host, ec);
}

// Sorts as Windows lists a folder, by name without case (and by name where only case differs);
// each name is folded once, not at every comparison.
void SortByFoldedName(std::vector<TFindEntry>& files) {
    std::vector<std::pair<std::string, TFindEntry>> keyed;
    keyed.reserve(files.size());
    for (TFindEntry& file : files) {
        std::string key = detail::FoldCase(file.Name);
        keyed.emplace_back(std::move(key), std::move(file));
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.Name < b.second.Name;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        files[i] = std::move(keyed[i].second);
    }
}

} // namespace

namespace detail {

void ResetFileState() {
    {
        std::lock_guard lock(CurrentDirMutex);
        CurrentDir = "C:\\";
    }
    Attributes().Reset();
}

void FailNextAtomicWriteForTesting() {
    FailNextWrite = true;
}

TWriteFault TakeWriteFaultForTesting() {
    return FailNextWrite.exchange(false) ? TWriteFault::Write : TWriteFault::None;
}

} // namespace detail

std::string NormalizePath(const std::string& windowsPath) {
    const detail::TWinPath path = Parse(windowsPath);
    if (path.Drive.empty()) {
        std::string text = windowsPath;
        std::replace(text.begin(), text.end(), '/', '\\');
        return text;
    }
    return detail::JoinWinPath(path);
}

fs::path HostPath(const std::string& windowsPath) {
    return Resolve(Parse(windowsPath));
}

std::string WindowsPathOf(const fs::path& hostPath) {
    const fs::path drive = detail::DriveRoot();
    if (drive.empty() || hostPath.empty())
        return {};
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(drive, ec);
    const fs::path file = fs::weakly_canonical(fs::absolute(hostPath, ec), ec);
    if (ec)
        return {};
    const fs::path relative = file.lexically_relative(base);
    if (relative.empty() || *relative.begin() == "..")
        return {};
    std::string out = "C:\\";
    for (const fs::path& part : relative) {
        if (part == ".")
            continue;
        if (out.back() != '\\')
            out += '\\';
        out += part.string();
    }
    return out;
}

bool FileExists(const std::string& path) {
    if (const detail::TPendingPath* pending = detail::PendingPath(path))
        return pending->NewKind == detail::TPathKind::File;
    std::error_code ec;
    const fs::path host = HostPath(path);
    return !host.empty() && fs::is_regular_file(host, ec);
}

bool DirectoryExists(const std::string& path) {
    return IsFolderAt(path, HostPath(path));
}

bool ForceDirectories(const std::string& path) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal())
        return journal->ForceDirectories(path);
    const fs::path host = HostPath(path);
    if (host.empty())
        return false;
    std::error_code ec;
    fs::create_directories(host, ec);
    return fs::is_directory(host, ec);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    if (const detail::TPendingPath* pending = detail::PendingPath(path)) {
        if (pending->NewKind != detail::TPathKind::File)
            return std::nullopt;
        if (pending->NewBytes)
            return pending->NewBytes;
    }
    const fs::path host = HostPath(path);
    std::error_code ec;
    if (host.empty() || !fs::is_regular_file(host, ec))
        return std::nullopt;
    std::ifstream in(host, std::ios::binary);
    if (!in)
        return std::nullopt;
    // In blocks: a stream iterator costs a call per byte.
    std::string bytes;
    std::array<char, 64 * 1024> block;
    while (in.read(block.data(), block.size()), in.gcount() > 0)
        bytes.append(block.data(), static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return bytes;
}

void WriteFileAtomic(const std::string& path, const std::string& bytes) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal())
        return journal->Write(path, bytes);
    const std::string failure = "Cannot write the file \"" + path + "\": ";
    const fs::path host = HostPath(path);
    if (host.empty() || Parse(path).Components.empty())
        throw EFileError(failure + "the path is not a file on drive C:");
    std::error_code ec;
    if (!fs::is_directory(host.parent_path(), ec))
        throw EFileError(failure + "the folder does not exist");
    struct stat old {};
    const bool existed = ::stat(host.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode))
        throw EFileError(failure + "it is not a file");
    if (existed && !(old.st_mode & S_IWUSR))
        throw EFileError(failure + "the file is read-only");

    const detail::TWriteFault fault = detail::TakeWriteFaultForTesting();
    if (const detail::TWriteResult failed = detail::ReplaceFileAtomically(host, bytes, fault))
        throw EFileError(failure + failed->Reason());
}

bool DeleteFile(const std::string& path) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal())
        return journal->DeleteFile(path);
    const fs::path host = HostPath(path);
    struct stat st {};
    if (host.empty() || ::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !(st.st_mode & S_IWUSR))
        return false;
    if (::unlink(host.c_str()) != 0)
        return false;
    Attributes().Set(AttributeKey(NormalizePath(path)), std::nullopt);
    return true;
}

bool RemoveDirectory(const std::string& path) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal())
        return journal->RemoveDirectory(path);
    const fs::path host = HostPath(path);
    std::error_code ec;
    if (host.empty() || Parse(path).Components.empty() || !fs::is_directory(host, ec))
        return false;
    if (::rmdir(host.c_str()) != 0)
        return false;
    Attributes().Set(AttributeKey(NormalizePath(path)), std::nullopt);
    return true;
}

std::uint32_t GetFileAttributes(const std::string& path) {
    const auto entry = FileEntry(path);
    return entry ? entry->Attributes : INVALID_FILE_ATTRIBUTES;
}

bool SetFileAttributes(const std::string& path, std::uint32_t attributes) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal())
        return journal->SetAttributes(path, attributes);
    const fs::path host = HostPath(path);
    struct stat st {};
    if (host.empty() || ::stat(host.c_str(), &st) != 0)
        return false;
    const bool isDirectory = S_ISDIR(st.st_mode);
    std::uint32_t stored = attributes & StoredBits;
    if (isDirectory) {
        stored |= attributes & FILE_ATTRIBUTE_READONLY;
    } else {
        const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY)
                                ? st.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)
                                : st.st_mode | S_IWUSR;
        if (::chmod(host.c_str(), mode & 07777) != 0)
            return false;
    }
    const bool isDefault = isDirectory ? stored == 0 : stored == FILE_ATTRIBUTE_ARCHIVE;
    if (!Attributes().Set(AttributeKey(NormalizePath(path)),
                          isDefault ? std::nullopt : std::optional(stored))) {
        ::chmod(host.c_str(), st.st_mode & 07777); // all of the change or none of it
        return false;
    }
    return true;
}

std::vector<TFindEntry> FindFiles(const std::string& pattern) {
    // The mask is taken as written: "*." must keep the dot that a file name would lose.
    const auto cut = pattern.find_last_of("\\/:");
    const std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    std::vector<TFindEntry> found;
    if (mask.empty() || mask == "." || mask == "..")
        return found;
    const detail::TWinPath dir = Parse(pattern.substr(0, cut == std::string::npos ? 0 : cut + 1));
    const fs::path hostDir = Resolve(dir);
    const std::string dirPath = detail::JoinWinPath(dir);
    std::error_code ec;
    if (hostDir.empty() || !IsFolderAt(dirPath, hostDir))
        return found;
    const std::string prefix = dir.Components.empty() ? dirPath : dirPath + "\\";
    if (!dir.Components.empty()) {
        for (const char* dots : {".", ".."}) {
            if (!detail::WildcardMatch(mask, dots))
                continue;
            const fs::path host = std::string(dots) == "." ? hostDir : hostDir.parent_path();
            const std::string win =
                std::string(dots) == "." ? dirPath : NormalizePath(dirPath + "\\..");
            if (auto entry = detail::WithPending(win, EntryOf(host, dots, win))) {
                entry->Name = dots;
                found.push_back(*entry);
            }
        }
    }
    std::vector<TFindEntry> files;
    const fs::path drive = detail::DriveRoot();
    for (fs::directory_iterator it(hostDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (detail::IsTemporaryName(name) || !detail::WildcardMatch(mask, name))
            continue;
        if (IsLink(it->path()) && !LinkStaysOnDrive(it->path(), drive))
            continue;
        if (auto entry = EntryOf(it->path(), name, prefix + name))
            files.push_back(*entry);
    }
    detail::MergePendingEntries(dirPath, mask, files);
    SortByFoldedName(files);
    found.insert(found.end(), files.begin(), files.end());
    return found;
}

std::optional<TFindEntry> FileEntry(const std::string& path) {
    const detail::TWinPath parsed = Parse(path);
    const fs::path host = Resolve(parsed);
    const std::string name = parsed.Components.empty() ? std::string() : host.filename().string();
    const std::string normalized = detail::JoinWinPath(parsed);
    return detail::WithPending(normalized, EntryOf(host, name, normalized));
}

std::string GetCurrentDirectory() {
    std::lock_guard lock(CurrentDirMutex);
    return CurrentDir;
}

bool SetCurrentDirectory(const std::string& path) {
    const std::string normalized = NormalizePath(path);
    if (!DirectoryExists(normalized))
        return false;
    std::lock_guard lock(CurrentDirMutex);
    CurrentDir = normalized;
    return true;
}

} // namespace platform
