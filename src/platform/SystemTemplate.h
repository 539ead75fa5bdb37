#pragma once
// Creating a simulated system from a template folder (the demo machine, test machines).

#include <filesystem>

namespace platform {

// Copies the template tree to targetRoot (which must not exist yet) and creates the executables
// that the template's executables.ini lists ("[Executables]" with "C:\...\x.exe=1.2.3.4"), so
// that no binary files need to live in the template. Placeholder files named ".keep" (which only
// keep empty folders in version control) are not copied. Throws ESystemError on failure.
void CreateSystemFromTemplate(const std::filesystem::path& templateDir,
                              const std::filesystem::path& targetRoot);

} // namespace platform
