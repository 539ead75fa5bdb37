// The attributes of a transaction's paths on the simulated system: the read-only bit of a file
// in its host permissions, the hidden, system and archive bits (and a folder's read-only bit) in
// the attribute store.

#include "platform/FileAttributes.h"
#include "platform/FileJournal.h"

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace platform::detail {

namespace {

constexpr unsigned WriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// The entry of the attribute store after the change: nullopt when it is the default.
std::optional<std::uint32_t> StoredAfter(const TPendingPath& path) {
    if (path.NewKind == TPathKind::Folder) {
        const std::uint32_t stored = path.NewAttributes & (StoredBits | FILE_ATTRIBUTE_READONLY);
        return stored == 0 ? std::nullopt : std::optional(stored);
    }
    const std::uint32_t stored = path.NewAttributes & StoredBits;
    return stored == FILE_ATTRIBUTE_ARCHIVE ? std::nullopt : std::optional(stored);
}

} // namespace

TPathKind HostKindOf(const fs::path& host) {
    struct stat info {};
    if (::stat(host.c_str(), &info) != 0) {
        return TPathKind::Absent;
    }
    return S_ISDIR(info.st_mode) ? TPathKind::Folder : TPathKind::File;
}

std::uint32_t NewFileAttributes(const std::string& normalizedPath) {
    const std::uint32_t stored =
        Attributes().Get(AttributeKey(normalizedPath)).value_or(FILE_ATTRIBUTE_ARCHIVE);
    return stored == 0 ? FILE_ATTRIBUTE_NORMAL : stored;
}

unsigned FileModeAfter(const TPendingPath& path, const fs::path& host) {
    const unsigned mode = path.OldKind == TPathKind::File ? ModeToKeep(host) : 0644;
    if (!path.AttributesSet) {
        return mode;
    }
    return (path.NewAttributes & FILE_ATTRIBUTE_READONLY) ? mode & ~WriteBits : mode | S_IWUSR;
}

void PlanAttributes(const TPendingPath& path, const fs::path& host, TCommitPlan& plan,
                    TPlannedParts& parts, std::map<std::string, std::uint32_t>& stored) {
    if (path.NewKind == TPathKind::File && !path.NewBytes && path.AttributesSet) {
        const unsigned oldMode = ModeToKeep(host);
        const unsigned newMode = FileModeAfter(path, host);
        if (newMode != oldMode) {
            parts[plan.ChangeMode(host, oldMode, newMode)] = {TPlannedPart::TKind::Attributes,
                                                              path.Path};
        }
    }
    const std::string key = AttributeKey(NormalizePath(path.Path));
    if (path.NewKind == TPathKind::Absent && path.OldKind != TPathKind::Absent) {
        stored.erase(key);
    } else if (path.AttributesSet) {
        if (const auto after = StoredAfter(path)) {
            stored[key] = *after;
        } else {
            stored.erase(key);
        }
    }
}

} // namespace platform::detail
