#include "platform/Files.h"

#include "platform/System.h"
#include "platform/SystemState.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

namespace {

// Temporary files of atomic writes; never listed, so a crash leaves nothing visible behind.
constexpr std::string_view TempPrefix = ".~qtmp.";

std::mutex CurrentDirMutex;
std::string CurrentDir = "C:\\";

std::atomic<bool> FailNextWrite{false};

// Hidden, system and archive bits (and read-only of folders) have no host counterpart; they live
// in <root>/attributes.ini, one "c:\folded\path=hex" line per file that differs from the default.
constexpr std::uint32_t StoredBits =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

class TAttributeStore {
public:
    std::optional<std::uint32_t> Get(const std::string& key) {
        std::lock_guard lock(Mutex_);
        Load();
        const auto it = Values_.find(key);
        return it == Values_.end() ? std::nullopt : std::optional(it->second);
    }
    void Set(const std::string& key, std::optional<std::uint32_t> value) {
        std::lock_guard lock(Mutex_);
        Load();
        bool changed = false;
        if (value) {
            const auto it = Values_.find(key);
            changed = it == Values_.end() || it->second != *value;
            Values_[key] = *value;
        } else {
            changed = Values_.erase(key) > 0;
        }
        if (changed)
            Save();
    }
    void Reset() {
        std::lock_guard lock(Mutex_);
        Loaded_ = false;
        Values_.clear();
    }

private:
    std::mutex Mutex_;
    bool Loaded_ = false;
    fs::path File_;
    std::map<std::string, std::uint32_t> Values_;

    void Load() {
        if (Loaded_)
            return;
        Loaded_ = true;
        const fs::path root = SystemRoot();
        File_ = root.empty() ? fs::path() : root / "attributes.ini";
        std::ifstream in(File_);
        std::string line;
        while (std::getline(in, line)) {
            const auto eq = line.rfind('=');
            if (eq != std::string::npos)
                Values_[line.substr(0, eq)] =
                    static_cast<std::uint32_t>(std::strtoul(line.c_str() + eq + 1, nullptr, 16));
        }
    }
    void Save() {
        if (File_.empty())
            return;
        const fs::path temp = File_.string() + ".tmp";
        {
            std::ofstream out(temp, std::ios::trunc);
            for (const auto& [key, value] : Values_)
                out << key << '=' << std::hex << value << std::dec << '\n';
            if (!out)
                return;
        }
        std::error_code ec;
        fs::rename(temp, File_, ec);
    }
};

TAttributeStore& Attributes() {
    static TAttributeStore store;
    return store;
}

std::string AttributeKey(const std::string& normalizedPath) {
    return detail::FoldCase(normalizedPath);
}

detail::TWinPath Parse(const std::string& windowsPath) {
    return detail::ParseWinPath(windowsPath, GetCurrentDirectory());
}

// The host entry of `name` inside `dir`: the exact name if present, else the first entry
// equal without case; the name itself when nothing matches (for creation).
fs::path FindComponent(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(dir / name, ec)))
        return dir / name;
    std::string best;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (detail::SameTextNoCase(candidate, name) && (best.empty() || candidate < best))
            best = candidate;
    }
    return dir / (best.empty() ? name : best);
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

bool IsLink(const fs::path& host) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(host, ec));
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
        if (detail::HasWildcards(component) || component.rfind(TempPrefix, 0) == 0)
            return {};
        host = FindComponent(host, component);
        if (IsLink(host) && !LinkStaysOnDrive(host, drive))
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

std::string ErrorText(int error) {
    return std::strerror(error);
}

// Writes all bytes to a descriptor and makes them durable; false with errno set on failure.
bool WriteAndSync(int fd, const std::string& bytes) {
    std::size_t done = 0;
    const bool fail = FailNextWrite.exchange(false);
    const std::size_t limit = fail ? bytes.size() / 2 : bytes.size();
    while (done < limit) {
        const ssize_t n = ::write(fd, bytes.data() + done, limit - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    if (fail) {
        errno = ENOSPC;
        return false;
    }
    return ::fsync(fd) == 0;
}

void SyncDirectory(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
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
    std::error_code ec;
    const fs::path host = HostPath(path);
    return !host.empty() && fs::is_regular_file(host, ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    const fs::path host = HostPath(path);
    return !host.empty() && fs::is_directory(host, ec);
}

bool ForceDirectories(const std::string& path) {
    const fs::path host = HostPath(path);
    if (host.empty())
        return false;
    std::error_code ec;
    fs::create_directories(host, ec);
    return fs::is_directory(host, ec);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    const fs::path host = HostPath(path);
    std::error_code ec;
    if (host.empty() || !fs::is_regular_file(host, ec))
        return std::nullopt;
    std::ifstream in(host, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

void WriteFileAtomic(const std::string& path, const std::string& bytes) {
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

    std::string temp =
        (host.parent_path() / (std::string(TempPrefix) + host.filename().string() + ".XXXXXX"))
            .string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        throw EFileError(failure + ErrorText(errno));
    const mode_t mode = existed ? (old.st_mode & 07777) : 0644;
    const bool written = WriteAndSync(fd, bytes) && ::fchmod(fd, mode) == 0;
    const int error = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), host.c_str()) != 0) {
        const int cause = written && closed ? errno : error;
        ::unlink(temp.c_str());
        throw EFileError(failure + ErrorText(cause));
    }
    SyncDirectory(host.parent_path());
}

bool DeleteFile(const std::string& path) {
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
    Attributes().Set(AttributeKey(NormalizePath(path)),
                     isDefault ? std::nullopt : std::optional(stored));
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
    std::error_code ec;
    if (hostDir.empty() || !fs::is_directory(hostDir, ec))
        return found;
    const std::string dirPath = detail::JoinWinPath(dir);
    const std::string prefix = dir.Components.empty() ? dirPath : dirPath + "\\";
    if (!dir.Components.empty()) {
        for (const char* dots : {".", ".."}) {
            if (!detail::WildcardMatch(mask, dots))
                continue;
            const fs::path host = std::string(dots) == "." ? hostDir : hostDir.parent_path();
            const std::string win =
                std::string(dots) == "." ? dirPath : NormalizePath(dirPath + "\\..");
            if (auto entry = EntryOf(host, dots, win))
                found.push_back(*entry);
        }
    }
    std::vector<TFindEntry> files;
    const fs::path drive = detail::DriveRoot();
    for (fs::directory_iterator it(hostDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(TempPrefix, 0) == 0 || !detail::WildcardMatch(mask, name))
            continue;
        if (IsLink(it->path()) && !LinkStaysOnDrive(it->path(), drive))
            continue;
        if (auto entry = EntryOf(it->path(), name, prefix + name))
            files.push_back(*entry);
    }
    std::sort(files.begin(), files.end(), [](const TFindEntry& a, const TFindEntry& b) {
        return detail::FoldCase(a.Name) < detail::FoldCase(b.Name);
    });
    found.insert(found.end(), files.begin(), files.end());
    return found;
}

std::optional<TFindEntry> FileEntry(const std::string& path) {
    const detail::TWinPath parsed = Parse(path);
    const fs::path host = Resolve(parsed);
    const std::string name = parsed.Components.empty() ? std::string() : host.filename().string();
    return EntryOf(host, name, detail::JoinWinPath(parsed));
}

std::string ExtractFilePath(const std::string& path) {
    const auto pos = path.find_last_of("\\:");
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
    const auto pos = path.find_last_of("\\:");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const auto dot = path.find_last_of(".\\:");
    if (dot == std::string::npos || path[dot] != '.')
        return path + ext;
    return path.substr(0, dot) + ext;
}

std::string IncludeTrailingBackslash(const std::string& path) {
    return !path.empty() && path.back() == '\\' ? path : path + "\\";
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
