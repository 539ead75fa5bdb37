#include "app/TempFile.h"

#include "platform/SystemInfo.h"

namespace app {

namespace {
// The buffer the temporary folder is asked into holds 260 characters with its terminator.
constexpr std::size_t MaxPath = 260;
} // namespace

std::string TempFileName(const std::string& prefix) {
    const std::string folder = platform::GetTempPath();
    if (folder.empty() || folder.size() >= MaxPath)
        return {};
    return platform::GetTempFileName(folder, prefix);
}

} // namespace app
