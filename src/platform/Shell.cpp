#include "platform/Shell.h"

#include "platform/BatchRunner.h"
#include "platform/DetachedProcess.h"

#include <mutex>

namespace platform {

namespace {

std::mutex ObserverMutex;
std::function<void(const std::string&)> Observer;

} // namespace

void SetShellOpenObserver(std::function<void(const std::string&)> observer) {
    std::lock_guard lock(ObserverMutex);
    Observer = std::move(observer);
}

bool ShellOpen(const std::string& url) {
    // An address starting with "-" would reach the opener as an option.
    if (url.empty() || url.front() == '-' || url.find('\0') != std::string::npos)
        return false;
    {
        std::lock_guard lock(ObserverMutex);
        if (Observer) {
            Observer(url);
            return true;
        }
    }
    return StartDetachedProcess({"xdg-open", url});
}

bool WinExecBatch(const std::string& batchPath) {
    return StartBatch(batchPath);
}

} // namespace platform
