#pragma once
// Files on the simulated drive, named by Windows paths ("C:\Program Files\X\a.txt").
// Component lookup ignores case; creation keeps the case given. A path never leaves the drive:
// "C:\..\.." is "C:\", and a symbolic link on the drive is followed only when it leads to a
// place on the drive (any other names nothing, and is not listed). Relative paths are taken from
// the current directory.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// Windows FILETIME: 100-ns intervals since 1601-01-01 UTC.
using TFileTime = std::uint64_t;

struct TFindEntry {
    std::string Name; // file name as stored (case preserved)
    std::uint32_t Attributes = 0;
    std::uint64_t Size = 0;
    TFileTime CreationTime = 0;
    TFileTime LastAccessTime = 0;
    TFileTime LastWriteTime = 0;
};

// Normalises a Windows path: drive letter upper-case, "/" to "\", "." and ".." resolved,
// never above the drive root. Relative paths are taken from the current directory.
std::string NormalizePath(const std::string& windowsPath);
// The host file that a Windows path names (existing components matched without case).
std::filesystem::path HostPath(const std::string& windowsPath);
// The Windows path of a host file on the simulated drive; empty when it lies elsewhere.
std::string WindowsPathOf(const std::filesystem::path& hostPath);

bool FileExists(const std::string& path); // an existing file, not a directory
bool DirectoryExists(const std::string& path);
bool ForceDirectories(
    const std::string& path); // creates missing parents; true when it exists after
std::optional<std::string> ReadFileBytes(const std::string& path); // nullopt when unreadable
// Writes atomically: a temporary file in the same folder, flushed, renamed over the old one.
// Raises EFileError (the message names the path) on failure; a read-only target is refused.
void WriteFileAtomic(const std::string& path, const std::string& bytes);
bool DeleteFile(const std::string& path);      // refuses read-only files, as Windows does
bool RemoveDirectory(const std::string& path); // empty directories only
std::uint32_t GetFileAttributes(const std::string& path); // INVALID_FILE_ATTRIBUTES when missing
bool SetFileAttributes(const std::string& path, std::uint32_t attributes);
// Entries matching a pattern with Windows wildcards ("*", "?") in its last component, e.g.
// "C:\Mail\*.oeaccount"; "." and ".." are listed for "*" in a directory other than the root.
std::vector<TFindEntry> FindFiles(const std::string& pattern);
std::optional<TFindEntry> FileEntry(const std::string& path);

// Extracts parts of a Windows path.
std::string ExtractFilePath(const std::string& path); // with trailing "\"
std::string ExtractFileName(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string IncludeTrailingBackslash(const std::string& path);

// Process current directory on the simulated drive (starts at "C:\").
std::string GetCurrentDirectory();
bool SetCurrentDirectory(const std::string& path); // false when it does not exist

} // namespace platform
