#pragma once
// The two in-memory hives of the installed system (internal to platform/).

#include <filesystem>
#include <string>
#include <vector>

namespace platform::detail {

// Loads <registryDir>/HKEY_LOCAL_MACHINE.reg and HKEY_CURRENT_USER.reg (missing files give empty
// hives). Throws ESystemError whose message names the file and line of a parse error; a hive
// that failed to parse is never written back.
void LoadRegistry(const std::filesystem::path& registryDir);
// Saves changed hives and forgets both.
void UnloadRegistry();

} // namespace platform::detail
