#pragma once
// Unique file names in the system's temporary folder.

#include <string>

namespace app {

// A new unique file "<temp folder><prefix><hex number>.tmp"; the system creates it empty to
// reserve the name and it is left in place. Empty when the temporary folder is unknown, longer
// than the system allows, or no name could be made.
std::string TempFileName(const std::string& prefix);

} // namespace app
