#pragma once
// profiles.ini of a Mozilla application: the profiles ([Profile0], [Profile1] ...) and, since
// version 68, one [Install<hash>] section per installation naming the profile that installation
// starts (see MozillaInstallHash.h). Bytes in; paths stay as written (relative ones with "/").

#include <string>
#include <string_view>
#include <vector>

struct TMozillaProfileEntry {
    std::string Name = "default";
    std::string Path;       // as written
    bool IsRelative = true; // relative to the application's data folder
    bool IsDefault = false; // Default=1
};

struct TMozillaInstallEntry {
    std::string Hash;        // the part of the section name after "Install"
    std::string DefaultPath; // the Path of the profile this installation starts
};

struct TMozillaProfilesIni {
    std::vector<TMozillaProfileEntry> Profiles; // in file order
    std::vector<TMozillaInstallEntry> Installs; // in file order; only those naming a profile
};

// Every section whose name contains "Profile" is a profile, except the list of background-task
// profiles ([BackgroundTasksProfiles]), which is none.
TMozillaProfilesIni ParseProfilesIni(std::string_view bytes);

// The installation whose profile is the default: the one of the installation folder's hash,
// else the first; none when there are no installations.
const TMozillaInstallEntry* ChooseInstall(const TMozillaProfilesIni& ini,
                                          const std::string& installHash);
