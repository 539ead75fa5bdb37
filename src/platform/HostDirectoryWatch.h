#pragma once
// Change notification on a host directory (internal to platform/: the registry watch uses it
// for the hive files).

#include "platform/Synchronization.h"

#include <cstdint>
#include <filesystem>

namespace platform::detail {

// As FindFirstChangeNotification, for a host path.
THandle WatchHostDirectory(const std::filesystem::path& directory, bool watchSubtree,
                           std::uint32_t filter);

} // namespace platform::detail
