#include "platform/Shell.h"

#include "platform/BatchRunner.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

std::mutex ObserverMutex;
std::function<void(const std::string&)> Observer;

// Starts the host's opener for the address in a grandchild, so that it outlives nothing of ours
// and leaves no zombie. A close-on-exec pipe tells whether exec succeeded.
bool StartOpener(const std::string& url) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            const int devNull = ::open("/dev/null", O_RDWR);
            if (devNull >= 0) {
                ::dup2(devNull, 0);
                ::dup2(devNull, 1);
                ::dup2(devNull, 2);
            }
            ::execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
            const int error = errno;
            (void)!::write(pipeFds[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(pipeFds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n = 0;
    do {
        n = ::read(pipeFds[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

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
    return StartOpener(url);
}

bool WinExecBatch(const std::string& batchPath) {
    return StartBatch(batchPath);
}

} // namespace platform
