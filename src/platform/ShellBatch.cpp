// Starting a .bat file: the runner executable is started in a new session, twice forked, so that
// it is nobody's child and outlives the program that started it (the program is usually the
// very file the batch is waiting to delete).

#include "platform/BatchRunner.h"

#include "platform/Files.h"
#include "platform/System.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

const char* const RunnerName = "quenlix-batch-runner";

bool IsExecutableFile(const std::filesystem::path& file) {
    std::error_code ec;
    return !file.empty() && std::filesystem::is_regular_file(file, ec) &&
           ::access(file.c_str(), X_OK) == 0;
}

// Marks every inherited descriptor above stderr close-on-exec, so the runner holds none of the
// program's files or sockets open.
void CloseInheritedOnExec() {
    const long maxFd = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (maxFd > 0 ? maxFd : 1024); ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0)
            ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

// Only async-signal-safe calls between fork and exec: the program may have threads.
[[noreturn]] void RunDetached(const char* const* argv, int errorPipe) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0)
        ::_exit(grandchild < 0 ? 1 : 0);
    const int devNull = ::open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        if (devNull > 2)
            ::close(devNull);
    }
    CloseInheritedOnExec();
    ::execv(argv[0], const_cast<char* const*>(argv));
    const int error = errno;
    (void)!::write(errorPipe, &error, sizeof error);
    ::_exit(127);
}

bool StartDetached(const std::string& runner, const std::string& root, const std::string& cwd,
                   const std::string& batch) {
    const char* argv[] = {runner.c_str(), root.c_str(), cwd.c_str(), batch.c_str(), nullptr};
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
        RunDetached(argv, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes without data when exec succeeded.
    int error = 0;
    ssize_t n = 0;
    do {
        n = ::read(pipeFds[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

} // namespace

std::string BatchRunnerExecutable() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && IsExecutableFile(self.parent_path() / RunnerName))
        return (self.parent_path() / RunnerName).string();
    if (const char* env = std::getenv("QUENLIX_BATCH_RUNNER"); env && IsExecutableFile(env))
        return env;
#ifdef QUENLIX_BATCH_RUNNER_BUILD_PATH
    if (IsExecutableFile(QUENLIX_BATCH_RUNNER_BUILD_PATH))
        return QUENLIX_BATCH_RUNNER_BUILD_PATH;
#endif
    return {};
}

bool StartBatch(const std::string& batchPath) {
    if (!SystemInstalled() || !FileExists(batchPath))
        return false;
    const std::string runner = BatchRunnerExecutable();
    if (runner.empty())
        return false;
    return StartDetached(runner, SystemRoot().string(), GetCurrentDirectory(),
                         NormalizePath(batchPath));
}

} // namespace platform
