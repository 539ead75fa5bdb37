// The host's file primitives of the simulated system: POSIX calls on the host's file system.

#include "platform/AtomicFile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform::detail {

namespace {

TWriteResult Failed(const char* step, int error) {
    return TWriteError{step, error};
}

TWriteResult WriteAll(int fd, const std::string& bytes, TWriteFault fault) {
    // A torn write: only part reaches the disk before the disk is full.
    const std::size_t limit = fault == TWriteFault::Write ? bytes.size() / 2 : bytes.size();
    std::size_t done = 0;
    while (done < limit) {
        const ssize_t n = ::write(fd, bytes.data() + done, limit - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Failed("write", errno);
        if (n == 0)
            return Failed("write", ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    if (limit < bytes.size())
        return Failed("write", ENOSPC);
    return std::nullopt;
}

} // namespace

std::string TWriteError::Reason() const {
    return std::strerror(Error);
}

TWriteResult WriteNewFile(const fs::path& file, const std::string& bytes, unsigned mode,
                          TWriteFault fault) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return Failed("create temporary file", errno);
    TWriteResult result = WriteAll(fd, bytes, fault);
    if (!result && ::fchmod(fd, static_cast<mode_t>(mode & 07777)) != 0)
        result = Failed("set permissions", errno);
    if (!result && (fault == TWriteFault::Sync || ::fsync(fd) != 0))
        result = Failed("flush", fault == TWriteFault::Sync ? EIO : errno);
    if (::close(fd) != 0 && !result)
        result = Failed("close", errno);
    if (result)
        ::unlink(file.c_str());
    return result;
}

TWriteResult RenameFile(const fs::path& from, const fs::path& to, TWriteFault fault) {
    if (fault == TWriteFault::Rename)
        return Failed("rename", EIO);
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Failed("rename", errno);
    return std::nullopt;
}

void SyncDirectory(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

unsigned ModeToKeep(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    return 0644;
}

TWriteResult MakeFolder(const fs::path& dir) {
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        return Failed("create folder", errno);
    return std::nullopt;
}

bool RemoveEmptyFolder(const fs::path& dir) {
    return ::rmdir(dir.c_str()) == 0;
}

bool RemoveFile(const fs::path& file) {
    return ::unlink(file.c_str()) == 0;
}

bool LinkFile(const fs::path& file, const fs::path& link) {
    return ::link(file.c_str(), link.c_str()) == 0;
}

TWriteResult SetFileMode(const fs::path& file, unsigned mode) {
    if (::chmod(file.c_str(), static_cast<mode_t>(mode & 07777)) != 0)
        return Failed("set permissions", errno);
    return std::nullopt;
}

bool IsRegularFile(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

TWriteError LastHostError(const char* step) {
    return TWriteError{step, errno};
}

bool IsOtherVolume(const TWriteError& error) {
    return error.Error == EXDEV;
}

void KillThisProcess() {
    ::raise(SIGKILL);
    ::_exit(137);
}

} // namespace platform::detail
