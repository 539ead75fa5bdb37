#include "platform/AtomicFile.h"

#include "platform/ProcessIdentity.h"
#include "platform/System.h"
#include "platform/WriteJournal.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform::detail {

namespace {

// Long target names are cut in the temporary's name, which must stay within a name's limit.
constexpr std::size_t MaxNameInTemporary = 64;

std::atomic<unsigned long> TemporaryCount{0};

// The process id of a temporary's name; 0 for names of another form.
int OwnerOfTemporary(std::string_view name) {
    if (name.substr(0, TempPrefix.size()) != TempPrefix)
        return 0;
    name.remove_prefix(TempPrefix.size());
    const auto dot = name.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot > 9 ||
        name.substr(0, dot).find_first_not_of("0123456789") != std::string_view::npos)
        return 0;
    return std::stoi(std::string(name.substr(0, dot)));
}

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

bool IsTemporaryName(std::string_view name) {
    return name.substr(0, TempPrefix.size()) == TempPrefix;
}

fs::path NewTemporaryPath(const fs::path& target) {
    std::string name = target.filename().string().substr(0, MaxNameInTemporary);
    return target.parent_path() / (std::string(TempPrefix) + std::to_string(CurrentProcessId()) +
                                   "." + std::to_string(++TemporaryCount) + "." + name);
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

TWriteResult ReplaceFileAtomically(const fs::path& file, const std::string& bytes,
                                   TWriteFault fault) {
    RemoveStaleTemporaries(file.parent_path());
    const fs::path temp = NewTemporaryPath(file);
    if (TWriteResult failed = WriteNewFile(temp, bytes, ModeToKeep(file), fault))
        return failed;
    if (TWriteResult failed = RenameFile(temp, file, fault)) {
        ::unlink(temp.c_str());
        return failed;
    }
    SyncDirectory(file.parent_path());
    return std::nullopt;
}

void RemoveStaleTemporaries(const fs::path& dir) {
    std::set<int> spared; // a killed commit's files wait for its journal to be finished
    bool sparedKnown = false;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const int owner = OwnerOfTemporary(it->path().filename().string());
        if (owner == 0 || owner == CurrentProcessId() || ProcessAlive(owner))
            continue;
        if (!sparedKnown) {
            spared = ProcessesWithJournals(SystemRoot());
            sparedKnown = true;
        }
        if (spared.count(owner) == 0)
            ::unlink(it->path().c_str());
    }
}

} // namespace platform::detail
