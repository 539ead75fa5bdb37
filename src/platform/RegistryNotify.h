#pragma once
// Registry change notification: signal an event at the next change of an open key (and, when
// asked, of its subtree). A notification reports one change; arm it again for the next one.
// Changes count whether they are made through TRegistry on any thread of this process or by
// another process that rewrites a hive file: the file is read again and compared, so a rewrite
// that changes nothing signals nothing.

#include "platform/Registry.h"
#include "platform/Synchronization.h"

#include <cstdint>

namespace platform {

inline constexpr std::uint32_t REG_NOTIFY_CHANGE_NAME = 0x1;       // a subkey added or deleted
inline constexpr std::uint32_t REG_NOTIFY_CHANGE_ATTRIBUTES = 0x2; // key attributes
inline constexpr std::uint32_t REG_NOTIFY_CHANGE_LAST_SET = 0x4; // a value added, changed, deleted
inline constexpr std::uint32_t REG_NOTIFY_CHANGE_SECURITY = 0x8; // the key's security

// Asynchronous: returns at once and signals the event when the key changes in a way the filter
// names; the deletion of the key itself always signals. Keys of the simulated registry carry
// no attributes or security descriptors, so those two filters alone never fire. The
// notification ends when it has fired or its event is closed.
// ERROR_SUCCESS, or ERROR_INVALID_HANDLE (no open key or no event), ERROR_INVALID_PARAMETER
// (an empty or unknown filter), ERROR_KEY_DELETED (the open key no longer exists).
std::uint32_t RegNotifyChangeKeyValue(const TRegistry& key, bool watchSubtree,
                                      std::uint32_t notifyFilter, const THandle& event);

} // namespace platform
