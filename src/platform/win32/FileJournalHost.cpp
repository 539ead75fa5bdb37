// The attributes of a transaction's paths on Windows: the file system keeps them all, so a
// change of attributes is a change of the file's mode (its attribute bits) in the commit plan.

#include "platform/win32/WindowsApi.h"

#include "platform/FileJournal.h"

namespace fs = std::filesystem;

namespace platform::detail {

TPathKind HostKindOf(const fs::path& host) {
    const DWORD attributes = GetFileAttributesW(host.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return TPathKind::Absent;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TPathKind::Folder : TPathKind::File;
}

std::uint32_t NewFileAttributes(const std::string&) {
    return FILE_ATTRIBUTE_ARCHIVE;
}

unsigned FileModeAfter(const TPendingPath& path, const fs::path& host) {
    if (path.AttributesSet) {
        return path.NewAttributes;
    }
    return path.OldKind == TPathKind::File ? ModeToKeep(host) : FILE_ATTRIBUTE_ARCHIVE;
}

void PlanAttributes(const TPendingPath& path, const fs::path& host, TCommitPlan& plan,
                    TPlannedParts& parts, std::map<std::string, std::uint32_t>&) {
    const bool written = path.NewKind == TPathKind::File && path.NewBytes;
    if (!path.AttributesSet || written || path.NewKind == TPathKind::Absent) {
        return;
    }
    const std::uint32_t directory = FILE_ATTRIBUTE_DIRECTORY;
    const unsigned oldMode = path.OldKind == path.NewKind ? path.OldAttributes & ~directory : 0;
    const unsigned newMode = path.NewAttributes & ~directory;
    if (newMode != oldMode) {
        parts[plan.ChangeMode(host, oldMode, newMode)] = {TPlannedPart::TKind::Attributes,
                                                          path.Path};
    }
}

} // namespace platform::detail
