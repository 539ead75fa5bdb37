#pragma once
// The hash by which Mozilla applications (since version 68) tell their installations apart, as
// it names the [Install<hash>] sections of profiles.ini: CityHash64 (version 1.0) of the
// installation folder's path in UTF-16LE, without a trailing separator, in the case the file
// system spells it, written as upper-case hex without leading zeros.

#include <cstdint>
#include <string>
#include <string_view>

std::uint64_t CityHash64(std::string_view bytes);
// The hash of an installation folder given as UTF-8 text ("C:\Program Files\Mozilla Thunderbird").
std::string MozillaInstallHash(std::string_view installFolder);
