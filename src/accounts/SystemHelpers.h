#pragma once
// System helpers shared by the stores and the change monitors: special folders, environment
// expansion, executable versions, running processes and automation objects, and file-state
// snapshots. None of them raises for a missing file, resource or process.

#include <cstdint>
#include <set>
#include <string>

// The file-system path of a shell special folder (CSIDL number: 26 application data,
// 28 local application data, 38 program files); empty when it has none.
std::string SpecialFolderPath(int csidl);

// The expansion is made into a buffer of this many characters, the terminating NUL included.
inline constexpr std::size_t ExpandedPathBufferLength = 258;
// The text with %NAME% references expanded. An expansion that does not fit the buffer (more than
// 257 characters) gives empty: a cut-off path would name another file.
std::string ExpandEnvironmentPath(const std::string& text);

// Major, minor, release and build of the file (or product) version in the executable's fixed
// version resource. False, with all four set to 0, when there is none.
bool GetFileVersion(const std::string& path, int& major, int& minor, int& release, int& build);
bool GetProductVersion(const std::string& path, int& major, int& minor, int& release, int& build);
// "major.minor.release.build" of the file version; empty when there is none.
std::string FileVersionText(const std::string& path);
int FileMajorVersion(const std::string& path);    // 0 when there is no version
int ProductMajorVersion(const std::string& path); // 0 when there is no version

// True when a process runs whose executable's file name or whole path equals the name, ignoring
// case.
bool IsProcessRunning(const std::string& exeName);
// True when an instance of the automation object is running; false on any failure.
bool IsComObjectRunning(const std::string& progId);

// A snapshot of one file's state; a missing file gives all zeros with Exists false.
struct TFileStateRecord {
    bool Exists = false;
    std::uint32_t SizeLow = 0;
    std::uint32_t SizeHigh = 0;
    std::uint32_t Attributes = 0;
    std::uint64_t LastWriteTime = 0; // file times: 100 ns since 1601
    std::uint64_t CreationTime = 0;
    std::uint64_t LastAccessTime = 0;
    bool operator==(const TFileStateRecord&) const = default;
};

// The state of the entry a directory search finds for the path (the first match when it holds
// wildcards). A path ending in a backslash names no entry, as in the system's own search.
TFileStateRecord GetFileInfo(const std::u16string& path);
// Compares a fresh snapshot with `stored`: changed when the file appeared or disappeared, or a
// watched property differs (attributes 0x4, size 0x8, last write 0x10, last access 0x20,
// creation 0x40). A change replaces `stored` with the fresh snapshot.
bool FileInfoChanged(const std::u16string& path, std::uint32_t flags, TFileStateRecord& stored);

// Kinds of file change a monitor watches, in the order of their notification flags.
enum class TFileChangeKind {
    FileName,   // 0x1
    DirName,    // 0x2
    Attributes, // 0x4
    Size,       // 0x8
    LastWrite,  // 0x10
    LastAccess, // 0x20
    Creation,   // 0x40
    Security,   // 0x100
};
using TFileChangeKinds = std::set<TFileChangeKind>;
// The sum of the change-notification flags of the kinds in the set.
std::uint32_t ChangeKindsToFlags(const TFileChangeKinds& kinds);
