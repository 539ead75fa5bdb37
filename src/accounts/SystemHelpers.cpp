#include "accounts/SystemHelpers.h"

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/SystemInfo.h"
#include "platform/TextCodec.h"
#include "platform/VersionInfo.h"

#include <cstdio>

namespace {

struct TVersionWords {
    std::uint32_t MS = 0, LS = 0;
};

bool SplitVersion(std::optional<TVersionWords> words, int& major, int& minor, int& release,
                  int& build) {
    major = minor = release = build = 0;
    if (!words)
        return false;
    major = static_cast<int>(words->MS >> 16);
    minor = static_cast<int>(words->MS & 0xFFFF);
    release = static_cast<int>(words->LS >> 16);
    build = static_cast<int>(words->LS & 0xFFFF);
    return true;
}

std::optional<TVersionWords> FileWords(const std::string& path) {
    const auto v = platform::ReadFixedFileVersion(path);
    return v ? std::optional(TVersionWords{v->FileVersionMS, v->FileVersionLS}) : std::nullopt;
}

std::optional<TVersionWords> ProductWords(const std::string& path) {
    const auto v = platform::ReadFixedFileVersion(path);
    return v ? std::optional(TVersionWords{v->ProductVersionMS, v->ProductVersionLS})
             : std::nullopt;
}

} // namespace

std::string SpecialFolderPath(int csidl) {
    return platform::GetSpecialFolderPath(csidl);
}

std::string ExpandEnvironmentPath(const std::string& text) {
    std::string expanded = platform::ExpandEnvironmentStrings(text);
    return expanded.size() < ExpandedPathBufferLength ? expanded : std::string();
}

bool GetFileVersion(const std::string& path, int& major, int& minor, int& release, int& build) {
    return SplitVersion(FileWords(path), major, minor, release, build);
}

bool GetProductVersion(const std::string& path, int& major, int& minor, int& release, int& build) {
    return SplitVersion(ProductWords(path), major, minor, release, build);
}

std::string FileVersionText(const std::string& path) {
    int major = 0, minor = 0, release = 0, build = 0;
    if (!GetFileVersion(path, major, minor, release, build))
        return {};
    char text[48];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", major, minor, release, build);
    return text;
}

int FileMajorVersion(const std::string& path) {
    int major = 0, minor = 0, release = 0, build = 0;
    GetFileVersion(path, major, minor, release, build);
    return major;
}

int ProductMajorVersion(const std::string& path) {
    int major = 0, minor = 0, release = 0, build = 0;
    GetProductVersion(path, major, minor, release, build);
    return major;
}

bool IsProcessRunning(const std::string& exeName) {
    return platform::ProcessRunning(exeName);
}

bool IsComObjectRunning(const std::string& progId) {
    try {
        return platform::AutomationObjectRunning(progId);
    } catch (...) {
        return false;
    }
}

TFileStateRecord GetFileInfo(const std::u16string& path) {
    TFileStateRecord record;
    const auto found = platform::FindFiles(platform::Utf16ToUtf8(path));
    if (found.empty())
        return record;
    const platform::TFindEntry& entry = found.front();
    record.Exists = true;
    record.SizeLow = static_cast<std::uint32_t>(entry.Size & 0xFFFFFFFF);
    record.SizeHigh = static_cast<std::uint32_t>(entry.Size >> 32);
    record.Attributes = entry.Attributes;
    record.LastWriteTime = entry.LastWriteTime;
    record.CreationTime = entry.CreationTime;
    record.LastAccessTime = entry.LastAccessTime;
    return record;
}

bool FileInfoChanged(const std::u16string& path, std::uint32_t flags, TFileStateRecord& stored) {
    const TFileStateRecord fresh = GetFileInfo(path);
    const bool changed =
        fresh.Exists != stored.Exists || ((flags & 0x4) && fresh.Attributes != stored.Attributes) ||
        ((flags & 0x8) && (fresh.SizeLow != stored.SizeLow || fresh.SizeHigh != stored.SizeHigh)) ||
        ((flags & 0x10) && fresh.LastWriteTime != stored.LastWriteTime) ||
        ((flags & 0x20) && fresh.LastAccessTime != stored.LastAccessTime) ||
        ((flags & 0x40) && fresh.CreationTime != stored.CreationTime);
    if (changed)
        stored = fresh;
    return changed;
}

std::uint32_t ChangeKindsToFlags(const TFileChangeKinds& kinds) {
    std::uint32_t flags = 0;
    for (TFileChangeKind kind : kinds) {
        switch (kind) {
        case TFileChangeKind::FileName:
            flags |= 0x1;
            break;
        case TFileChangeKind::DirName:
            flags |= 0x2;
            break;
        case TFileChangeKind::Attributes:
            flags |= 0x4;
            break;
        case TFileChangeKind::Size:
            flags |= 0x8;
            break;
        case TFileChangeKind::LastWrite:
            flags |= 0x10;
            break;
        case TFileChangeKind::LastAccess:
            flags |= 0x20;
            break;
        case TFileChangeKind::Creation:
            flags |= 0x40;
            break;
        case TFileChangeKind::Security:
            flags |= 0x100;
            break;
        }
    }
    return flags;
}
