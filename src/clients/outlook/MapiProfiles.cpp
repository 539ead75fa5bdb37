#include "clients/outlook/MapiProfiles.h"

#include "platform/Registry.h"

namespace mapi_profiles {

namespace {

bool KeyExists(const std::string& key) {
    return platform::TRegistry(platform::HKEY_CURRENT_USER).KeyExists("\\" + key);
}

} // namespace

std::string ProfilesKey(TOutlookWindowsVersion windows) {
    switch (windows) {
    case TOutlookWindowsVersion::Win95:
    case TOutlookWindowsVersion::Win98:
    case TOutlookWindowsVersion::WinMe:
        return ProfilesKey9x;
    case TOutlookWindowsVersion::WinNT4:
    case TOutlookWindowsVersion::Win2000:
    case TOutlookWindowsVersion::WinXP:
    case TOutlookWindowsVersion::WinServer2003:
    case TOutlookWindowsVersion::WinVista:
    case TOutlookWindowsVersion::Win7:
        return ProfilesKeyNT;
    case TOutlookWindowsVersion::Other:
        break;
    }
    if (!KeyExists(ProfilesKeyNT) && KeyExists(ProfilesKey9x)) {
        return ProfilesKey9x;
    }
    return ProfilesKeyNT;
}

} // namespace mapi_profiles
