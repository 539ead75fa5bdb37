#include "MozillaProfilesIni.h"

#include "MozillaPrefsLine.h"

#include <platform/IniFile.h>

namespace {

constexpr std::string_view kInstallPrefix = "install";

bool IsProfileSection(const std::string& section) {
    return section.find("Profile") != std::string::npos &&
           prefs_detail::LowerAscii(section) != "backgroundtasksprofiles";
}

bool IsInstallSection(const std::string& section) {
    return section.size() > kInstallPrefix.size() &&
           prefs_detail::LowerAscii(section.substr(0, kInstallPrefix.size())) == kInstallPrefix;
}

} // namespace

TMozillaProfilesIni ParseProfilesIni(std::string_view bytes) {
    const platform::TIniFile ini = platform::TIniFile::FromText(std::string(bytes));
    TMozillaProfilesIni result;
    for (const std::string& section : ini.Sections()) {
        if (IsInstallSection(section)) {
            const std::string path = ini.ReadString(section, "Default", "");
            if (!path.empty()) {
                result.Installs.push_back({section.substr(kInstallPrefix.size()), path});
            }
        } else if (IsProfileSection(section)) {
            TMozillaProfileEntry profile;
            profile.Name = ini.ReadString(section, "Name", "default");
            profile.Path = ini.ReadString(section, "Path", "");
            profile.IsRelative = ini.ReadInteger(section, "IsRelative", 1) == 1;
            profile.IsDefault = ini.ReadInteger(section, "Default", 0) == 1;
            result.Profiles.push_back(std::move(profile));
        }
    }
    return result;
}

const TMozillaInstallEntry* ChooseInstall(const TMozillaProfilesIni& ini,
                                          const std::string& installHash) {
    const std::string wanted = prefs_detail::LowerAscii(installHash);
    for (const TMozillaInstallEntry& install : ini.Installs) {
        if (!wanted.empty() && prefs_detail::LowerAscii(install.Hash) == wanted) {
            return &install;
        }
    }
    return ini.Installs.empty() ? nullptr : &ini.Installs.front();
}
