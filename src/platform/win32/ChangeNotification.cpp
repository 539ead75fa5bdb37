// Directory change notification through FindFirstChangeNotificationW.

#include "platform/win32/WaitableObject.h"

#include "platform/ChangeNotification.h"
#include "platform/Files.h"

namespace platform {

namespace {

using detail::TWaitableObject;

constexpr std::uint32_t KnownFilters =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES |
    FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_LAST_ACCESS |
    FILE_NOTIFY_CHANGE_CREATION | FILE_NOTIFY_CHANGE_SECURITY;

} // namespace

THandle FindFirstChangeNotification(const std::string& path, bool watchSubtree,
                                    std::uint32_t filter) {
    // Refused the same way on both systems: the system itself takes unknown bits silently.
    if (filter == 0 || (filter & ~KnownFilters) != 0) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return THandle();
    }
    const DWORD attributes = ::GetFileAttributesW(win32::Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::SetLastError(ERROR_DIRECTORY);
        return THandle();
    }
    const HANDLE handle =
        ::FindFirstChangeNotificationW(win32::Wide(path).c_str(), watchSubtree, filter);
    if (handle == INVALID_HANDLE_VALUE) {
        return THandle();
    }
    return THandle(
        std::make_shared<TWaitableObject>(handle, TWaitableObject::TKind::ChangeNotification));
}

bool FindNextChangeNotification(const THandle& handle) {
    TWaitableObject* object = detail::ObjectOf(handle, TWaitableObject::TKind::ChangeNotification);
    if (object == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return ::FindNextChangeNotification(object->Handle()) != 0;
}

bool FindCloseChangeNotification(THandle& handle) {
    if (detail::ObjectOf(handle, TWaitableObject::TKind::ChangeNotification) == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    handle = THandle(); // the object closes the watch when its last handle goes
    return true;
}

} // namespace platform
