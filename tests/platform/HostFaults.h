#pragma once
// Real failures of the host for tests of the save paths: a disk that fills up, a process that
// has ended.

#include <csignal>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform_test {

// While alive, no file of this process may grow beyond `bytes`: writes past it fail with EFBIG,
// as they would on a full disk. Also binds the superuser.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &Old_);
        OldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = Old_;
        limit.rlim_cur = bytes;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            throw std::runtime_error("cannot limit the file size");
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &Old_);
        std::signal(SIGXFSZ, OldHandler_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit Old_{};
    void (*OldHandler_)(int) = nullptr;
};

// The id of a process that has ended and been reaped.
inline int EndedProcessId() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return static_cast<int>(child);
}

} // namespace platform_test
