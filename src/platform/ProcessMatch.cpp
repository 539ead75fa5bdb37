// Finding a running program in the process snapshot, the same for every backend.

#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/WinPath.h"

namespace platform {

bool ProcessRunning(const std::string& exeNameOrPath) {
    if (exeNameOrPath.empty())
        return false;
    const bool wholePath = exeNameOrPath.find_first_of("\\/:") != std::string::npos;
    const std::string wanted = wholePath ? NormalizePath(exeNameOrPath) : exeNameOrPath;
    for (const TProcessEntry& process : ProcessSnapshot()) {
        if (detail::SameTextNoCase(process.ExePath, wanted) ||
            detail::SameTextNoCase(ExtractFileName(process.ExePath), wanted))
            return true;
    }
    return false;
}

} // namespace platform
