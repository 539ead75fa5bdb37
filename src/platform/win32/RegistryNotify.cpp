// Registry change notification through RegNotifyChangeKeyValue. The system reports a change only
// while the key it was armed on stays open, so the key is opened for the notification and kept
// with the event until the event is armed again or goes.
//
// The system ends a notification when the thread that armed it ends; the monitors arm and wait
// on their own thread.

#include "platform/win32/RegistryRoots.h"
#include "platform/win32/WaitableObject.h"

#include "platform/RegistryNotify.h"

namespace platform {

namespace {

using win32::RootHandle;

using detail::TWaitableObject;

constexpr std::uint32_t KnownFilters = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES |
                                       REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;

} // namespace

std::uint32_t RegNotifyChangeKeyValue(const TRegistry& key, bool watchSubtree,
                                      std::uint32_t notifyFilter, const THandle& event) {
    TWaitableObject* object = detail::ObjectOf(event, TWaitableObject::TKind::Event);
    if (!key.HasCurrentKey() || object == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (notifyFilter == 0 || (notifyFilter & ~KnownFilters) != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(
        RootHandle(key.RootKey()), win32::Wide(key.CurrentPath()).c_str(), 0, KEY_NOTIFY, &opened);
    if (status == ERROR_FILE_NOT_FOUND) {
        return ERROR_KEY_DELETED;
    }
    if (status != ERROR_SUCCESS) {
        return static_cast<std::uint32_t>(status);
    }
    win32::TKey watched(opened);
    const LSTATUS armed = ::RegNotifyChangeKeyValue(watched.get(), watchSubtree, notifyFilter,
                                                    object->Handle(), TRUE);
    if (armed != ERROR_SUCCESS) {
        return static_cast<std::uint32_t>(armed);
    }
    // The key of the previous arming goes now: its notification has fired or is replaced.
    object->NotifiedKey = std::move(watched);
    return ERROR_SUCCESS;
}

} // namespace platform
