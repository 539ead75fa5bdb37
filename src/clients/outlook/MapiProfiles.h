#pragma once
// The current user's MAPI profiles, below which Outlook 98 to 2007 keep each profile's services
// and, from Outlook 2002 on, its mail accounts. Paths are below HKEY_CURRENT_USER, without a
// leading backslash.

#include "clients/outlook/OutlookWindowsVersion.h"

#include <string>

namespace mapi_profiles {

inline const std::string ProfilesKey9x =
    "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles";
inline const std::string ProfilesKeyNT =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";

// Value of the profiles key: the name of the profile Outlook starts with.
inline constexpr const char* DefaultProfile = "DefaultProfile";
// The profile's own section, which every profile Outlook has set up holds.
inline constexpr const char* ProfileSection = "0a0d020000000000c000000000000046";

// The profiles key on this Windows version: the 9x key on Windows 95, 98 and Me, the NT key on NT
// 4.0 to Windows 7. Outlook up to 2007 keeps using the NT key on later Windows versions, so on a
// version the classification does not know, the key that exists is taken (the NT key first), and
// the NT key when neither does.
std::string ProfilesKey(TOutlookWindowsVersion windows);

// The key of one profile below the profiles key.
inline std::string ProfileKey(const std::string& profilesKey, const std::string& profile) {
    return profilesKey + "\\" + profile;
}

} // namespace mapi_profiles
