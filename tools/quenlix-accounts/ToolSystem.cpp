#include "ToolSystem.h"

#include "ToolExit.h"

#include <platform/System.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>

namespace accounts_tool {

void InstallToolSystem() {
    const char* named = std::getenv("QUENLIX_SYSTEM_ROOT");
    if (named == nullptr || *named == '\0') {
        throw EToolError(ecSystemUnusable, "QUENLIX_SYSTEM_ROOT is not set; it names the folder "
                                           "of the Windows system to work on");
    }
    const std::filesystem::path root(named);
    std::error_code error;
    if (!std::filesystem::is_directory(root, error)) {
        // A mistyped path must not silently become a new, empty machine.
        throw EToolError(ecSystemUnusable, "QUENLIX_SYSTEM_ROOT names \"" + root.string() +
                                               "\", which is not a folder");
    }
    try {
        platform::InstallSystem(root);
    } catch (const std::exception& failure) {
        throw EToolError(ecSystemUnusable,
                         std::string("the Windows system cannot be read: ") + failure.what());
    }
}

void UninstallToolSystem() {
    platform::UninstallSystem();
}

} // namespace accounts_tool
