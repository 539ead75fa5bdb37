#pragma once
// Directory change notification: a handle that becomes signalled when something the filter
// names changes in a directory (and, when asked, in its whole subtree). It stays signalled
// until FindNextChangeNotification; changes made meanwhile are kept and signal it again at the
// next wait. The directory itself changing is not reported, only what lies in it.

#include "platform/Synchronization.h"

#include <cstdint>
#include <string>

namespace platform {

inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_FILE_NAME =
    0x1; // a file created, deleted, renamed
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_DIR_NAME = 0x2; // the same for a directory
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x4;
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_SIZE = 0x8;
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_LAST_WRITE = 0x10;
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_LAST_ACCESS = 0x20;
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_CREATION = 0x40;
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_SECURITY = 0x100;

// Watches the directory named by a Windows path. An invalid handle when it cannot, with the
// last error set: ERROR_FILE_NOT_FOUND (the directory is missing), ERROR_PATH_NOT_FOUND (its
// parent is missing too), ERROR_DIRECTORY (the path names a file), ERROR_INVALID_PARAMETER (an
// empty or unknown filter), ERROR_TOO_MANY_OPEN_FILES or ERROR_NOT_ENOUGH_MEMORY (the system's
// limits on watches).
THandle FindFirstChangeNotification(const std::string& path, bool watchSubtree,
                                    std::uint32_t filter);
// Re-arms a signalled handle. False (ERROR_ACCESS_DENIED) once the watched directory itself
// was deleted or moved, or ERROR_INVALID_HANDLE for a handle of another kind.
bool FindNextChangeNotification(const THandle& handle);
// Ends the watch held by this handle.
bool FindCloseChangeNotification(THandle& handle);

} // namespace platform
