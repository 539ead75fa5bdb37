#pragma once
// Master keys of data protection (internal to platform/). Each scope keeps its keys where
// Windows keeps them: the user's in "<Application Data>\Microsoft\Protect\<user SID>\", the
// machine's in "<Windows>\System32\Microsoft\Protect\S-1-5-18\User\". A key is a file named by
// its GUID; "Preferred" names the key that new seals use. Keys are never replaced or removed,
// so every blob sealed under one stays readable.

#include "platform/Guid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform::detail {

enum class TKeyScope { User, Machine };

struct TMasterKey {
    TGUID Id;
    std::array<std::uint8_t, 32> Secret{};
};

// The security identifier the scope belongs to: the user's, or the local system's (S-1-5-18).
std::string KeyScopeSid(TKeyScope scope);
// The Windows path of the scope's key folder, with a trailing backslash.
std::string MasterKeyFolder(TKeyScope scope);
// The key new seals use; made from fresh random bytes and written atomically when the scope has
// none yet. nullopt when no key can be read or made (no system, a folder that cannot be made).
std::optional<TMasterKey> PreferredMasterKey(TKeyScope scope);
// The key of that GUID in the scope's folder; nullopt when it is missing or damaged. A key once
// read is kept in memory until ForgetMasterKeys.
std::optional<TMasterKey> FindMasterKey(TKeyScope scope, const TGUID& id);
// Forgets the keys read so far; called when a system is installed or uninstalled, so that no
// key of one system opens the blobs of another.
void ForgetMasterKeys();

} // namespace platform::detail
