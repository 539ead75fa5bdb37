#include "platform/DetachedProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// Marks every inherited descriptor above stderr close-on-exec, so the program holds none of
// our files or sockets open.
void CloseInheritedOnExec() {
    const long maxFd = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (maxFd > 0 ? maxFd : 1024); ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0)
            ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

// Only async-signal-safe calls between fork and exec: the program may have threads.
[[noreturn]] void RunDetached(char* const* argv, int errorPipe) {
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
    ::execvp(argv[0], argv);
    const int error = errno;
    (void)!::write(errorPipe, &error, sizeof error);
    ::_exit(127);
}

} // namespace

bool StartDetachedProcess(const std::vector<std::string>& argv) {
    if (argv.empty())
        return false;
    // Built before the fork: the child may not allocate.
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

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
        RunDetached(args.data(), pipeFds[1]);
    }
    ::close(pipeFds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The close-on-exec pipe closes without data when exec succeeded.
    int error = 0;
    ssize_t n = 0;
    do {
        n = ::read(pipeFds[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

} // namespace platform
