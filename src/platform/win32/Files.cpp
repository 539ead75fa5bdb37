// Files through the wide-character file API. Paths are the machine's own; an atomic write goes
// through a temporary file in the target's folder, flushed and moved over the old file in one
// rename (AtomicFile.h: MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH),
// which keeps the old file's attribute bits. Inside a write transaction, changes go to its file
// journal and reads see them, as on the simulated system.

#include "platform/win32/WindowsApi.h"

#include "platform/AtomicFile.h"
#include "platform/FileJournal.h"
#include "platform/Files.h"
#include "platform/SystemState.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace fs = std::filesystem;

namespace platform {

namespace {

using win32::ErrorText;
using win32::Utf8;
using win32::Wide;

std::atomic<detail::TWriteFault> NextWriteFault{detail::TWriteFault::None};

TFileTime ToFileTime(const FILETIME& time) {
    return (static_cast<TFileTime>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

TFindEntry EntryOf(const WIN32_FIND_DATAW& data) {
    TFindEntry entry;
    entry.Name = Utf8(data.cFileName);
    entry.Attributes = data.dwFileAttributes;
    const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.Size =
        directory ? 0 : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.CreationTime = ToFileTime(data.ftCreationTime);
    entry.LastAccessTime = ToFileTime(data.ftLastAccessTime);
    entry.LastWriteTime = ToFileTime(data.ftLastWriteTime);
    return entry;
}

std::uint32_t AttributesOf(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(Wide(path).c_str());
}

// A path with a file name below a folder: "C:\" and "C:" name no file.
bool NamesFileInFolder(const std::string& normalized) {
    const auto cut = normalized.find_last_of('\\');
    return cut != std::string::npos && cut + 1 < normalized.size();
}

// The name of an existing entry as the file system spells it; empty when it does not exist.
std::wstring StoredName(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    return win32::FindFirst(path, data) ? std::wstring(data.cFileName) : std::wstring();
}

// Each existing component as stored (its case, its long name); the rest as written.
std::string SpelledAsStored(const std::string& full) {
    const auto rootEnd = full.find('\\');
    if (rootEnd == std::string::npos) {
        return full;
    }
    std::string out = full.substr(0, rootEnd + 1);
    std::size_t start = rootEnd + 1;
    bool exists = true;
    while (start < full.size()) {
        auto end = full.find('\\', start);
        end = end == std::string::npos ? full.size() : end;
        std::string name = full.substr(start, end - start);
        if (exists && !detail::HasWildcards(name)) {
            const std::wstring stored = StoredName(Wide(out + name));
            exists = !stored.empty();
            if (exists) {
                name = Utf8(stored);
            }
        }
        out += name;
        if (end < full.size()) {
            out += '\\';
        }
        start = end + 1;
    }
    return out;
}

std::optional<TFindEntry> EntryOnDisk(const std::string& full) {
    if (full.empty() || detail::HasWildcards(full.substr(2))) {
        return std::nullopt;
    }
    if (!NamesFileInFolder(full)) {
        // A drive's root has attributes and times but no name.
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(Wide(full).c_str(), GetFileExInfoStandard, &data)) {
            return std::nullopt;
        }
        TFindEntry entry;
        entry.Attributes = data.dwFileAttributes;
        entry.CreationTime = ToFileTime(data.ftCreationTime);
        entry.LastAccessTime = ToFileTime(data.ftLastAccessTime);
        entry.LastWriteTime = ToFileTime(data.ftLastWriteTime);
        return entry;
    }
    WIN32_FIND_DATAW data;
    if (!win32::FindFirst(Wide(full), data)) {
        return std::nullopt;
    }
    return EntryOf(data);
}

} // namespace

namespace detail {

void FailNextAtomicWriteForTesting() {
    NextWriteFault = TWriteFault::Write;
}

TWriteFault TakeWriteFaultForTesting() {
    return NextWriteFault.exchange(TWriteFault::None);
}

} // namespace detail

std::string NormalizePath(const std::string& windowsPath) {
    if (windowsPath.empty()) {
        return {};
    }
    const std::wstring wide = Wide(windowsPath);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            return windowsPath;
        }
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    if (full.size() >= 2 && full[1] == L':' && full[0] >= L'a' && full[0] <= L'z') {
        full[0] = static_cast<wchar_t>(full[0] - L'a' + L'A');
    }
    // A trailing backslash is kept only for a drive's root, as in the simulated system.
    while (full.size() > 3 && full.back() == L'\\') {
        full.pop_back();
    }
    return Utf8(full);
}

// The file itself, its existing components spelled as stored, as the simulated system answers.
fs::path HostPath(const std::string& windowsPath) {
    return windowsPath.empty() ? fs::path()
                               : fs::path(Wide(SpelledAsStored(NormalizePath(windowsPath))));
}

std::string WindowsPathOf(const fs::path& hostPath) {
    return hostPath.empty() ? std::string()
                            : SpelledAsStored(NormalizePath(Utf8(hostPath.wstring())));
}

bool FileExists(const std::string& path) {
    if (const detail::TPendingPath* pending = detail::PendingPath(path)) {
        return pending->NewKind == detail::TPathKind::File;
    }
    const std::uint32_t attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
    if (const detail::TPendingPath* pending = detail::PendingPath(path)) {
        return pending->NewKind == detail::TPathKind::Folder;
    }
    const std::uint32_t attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ForceDirectories(const std::string& path) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal()) {
        return !path.empty() && journal->ForceDirectories(path);
    }
    const std::string full = NormalizePath(path);
    if (full.empty()) {
        return false;
    }
    if (DirectoryExists(full)) {
        return true;
    }
    const auto cut = full.find_last_of('\\');
    if (cut != std::string::npos && cut + 1 < full.size() &&
        !ForceDirectories(full.substr(0, cut == 2 ? 3 : cut))) {
        return false;
    }
    CreateDirectoryW(Wide(full).c_str(), nullptr);
    return DirectoryExists(full);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    if (const detail::TPendingPath* pending = detail::PendingPath(path)) {
        if (pending->NewKind != detail::TPathKind::File) {
            return std::nullopt;
        }
        if (pending->NewBytes) {
            return pending->NewBytes;
        }
    }
    if (path.empty()) {
        return std::nullopt;
    }
    // Others may go on reading, writing and replacing the file meanwhile, as on the drive.
    win32::THandle file = win32::OwnHandle(CreateFileW(
        Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
            return std::nullopt;
        }
        if (read == 0) {
            return bytes;
        }
        bytes.append(buffer, read);
    }
}

void WriteFileAtomic(const std::string& path, const std::string& bytes) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal()) {
        return journal->Write(path, bytes);
    }
    const std::string failure = "Cannot write the file \"" + path + "\": ";
    const std::string full = NormalizePath(path);
    if (full.empty() || !NamesFileInFolder(full) || detail::HasWildcards(full.substr(2))) {
        throw EFileError(failure + "the path does not name a file");
    }
    if (!DirectoryExists(full.substr(0, full.find_last_of('\\') + 1))) {
        throw EFileError(failure + "the folder does not exist");
    }
    const std::uint32_t old = AttributesOf(full);
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw EFileError(failure + "it is not a file");
    }
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) != 0) {
        throw EFileError(failure + "the file is read-only");
    }
    const detail::TWriteFault fault = detail::TakeWriteFaultForTesting();
    if (const detail::TWriteResult failed =
            detail::ReplaceFileAtomically(fs::path(Wide(full)), bytes, fault)) {
        throw EFileError(failure + failed->Reason());
    }
}

bool DeleteFile(const std::string& path) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal()) {
        return journal->DeleteFile(path);
    }
    return FileExists(path) && DeleteFileW(Wide(path).c_str()) != 0;
}

bool RemoveDirectory(const std::string& path) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal()) {
        return journal->RemoveDirectory(path);
    }
    return DirectoryExists(path) && RemoveDirectoryW(Wide(path).c_str()) != 0;
}

std::uint32_t GetFileAttributes(const std::string& path) {
    const auto entry = FileEntry(path);
    return entry ? entry->Attributes : INVALID_FILE_ATTRIBUTES;
}

bool SetFileAttributes(const std::string& path, std::uint32_t attributes) {
    if (detail::TFileJournal* journal = detail::ActiveFileJournal()) {
        return journal->SetAttributes(path, attributes);
    }
    return !path.empty() && SetFileAttributesW(Wide(path).c_str(), attributes) != 0;
}

std::vector<TFindEntry> FindFiles(const std::string& pattern) {
    // The mask is taken as written: "*." must keep the dot that a file name would lose.
    const auto cut = pattern.find_last_of("\\/:");
    const std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    std::vector<TFindEntry> found;
    if (mask.empty() || mask == "." || mask == "..") {
        return found;
    }
    const std::string folder = NormalizePath(cut == std::string::npos ? GetCurrentDirectory()
                                                                      : pattern.substr(0, cut + 1));
    if (!DirectoryExists(folder)) {
        return found;
    }
    const std::string prefix = NamesFileInFolder(folder) ? folder + "\\" : folder;
    std::vector<TFindEntry> dots;
    WIN32_FIND_DATAW data;
    if (const win32::TFind find = win32::FindFirst(Wide(prefix + "*"), data)) {
        do {
            // Matched on the long name only: the system would also match a short 8.3 alias,
            // so that "*.ini" finds "notes.ini_old" too.
            const std::string name = Utf8(data.cFileName);
            if (detail::IsTemporaryName(name) || !detail::WildcardMatch(mask, name)) {
                continue;
            }
            const bool isDots = name == "." || name == "..";
            const std::string path = isDots ? NormalizePath(prefix + name) : prefix + name;
            if (auto entry = detail::WithPending(path, EntryOf(data))) {
                entry->Name = name;
                (isDots ? dots : found).push_back(*entry);
            }
        } while (FindNextFileW(find.get(), &data));
    }
    detail::MergePendingEntries(folder, mask, found);
    std::sort(found.begin(), found.end(), [](const TFindEntry& a, const TFindEntry& b) {
        return detail::FoldCase(a.Name) < detail::FoldCase(b.Name);
    });
    std::sort(dots.begin(), dots.end(),
              [](const TFindEntry& a, const TFindEntry& b) { return a.Name < b.Name; });
    found.insert(found.begin(), dots.begin(), dots.end());
    return found;
}

std::optional<TFindEntry> FileEntry(const std::string& path) {
    const std::string full = NormalizePath(path);
    return detail::WithPending(full, EntryOnDisk(full));
}

std::string GetCurrentDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return NormalizePath(Utf8(buffer));
        }
        buffer.resize(length);
    }
}

bool SetCurrentDirectory(const std::string& path) {
    return DirectoryExists(path) && SetCurrentDirectoryW(Wide(NormalizePath(path)).c_str()) != 0;
}

} // namespace platform
