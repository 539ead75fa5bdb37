#include "platform/ChangeNotification.h"

#include "platform/Files.h"
#include "platform/HostDirectoryWatch.h"
#include "platform/LastError.h"
#include "platform/WaitableObject.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t KnownFilters =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES |
    FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_LAST_ACCESS |
    FILE_NOTIFY_CHANGE_CREATION | FILE_NOTIFY_CHANGE_SECURITY;

constexpr std::uint32_t NameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

// Name events are always watched: a subtree watch follows new directories through them.
std::uint32_t InotifyMask(std::uint32_t filter) {
    std::uint32_t mask = NameEvents | IN_DELETE_SELF | IN_MOVE_SELF | IN_DONT_FOLLOW;
    if (filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)) {
        mask |= IN_ATTRIB;
    }
    if (filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) {
        mask |= IN_MODIFY | IN_CLOSE_WRITE;
    }
    if (filter & FILE_NOTIFY_CHANGE_LAST_ACCESS) {
        mask |= IN_ACCESS;
    }
    return mask;
}

std::uint32_t ErrorOfErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
    case ENOSPC: // the limit on watches
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENOTDIR:
        return ERROR_DIRECTORY;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// Whether an inotify event is a change the filter asks for.
bool Matches(std::uint32_t filter, std::uint32_t mask) {
    const bool directory = (mask & IN_ISDIR) != 0;
    if (mask & IN_Q_OVERFLOW) {
        return true; // changes were lost: say that something changed
    }
    if (mask & NameEvents) {
        const std::uint32_t kind =
            directory ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME;
        const bool created = !directory && (mask & IN_CREATE) != 0;
        return (filter & kind) != 0 || (created && (filter & FILE_NOTIFY_CHANGE_CREATION) != 0);
    }
    if (mask & IN_ATTRIB) {
        return (filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY)) != 0;
    }
    if (!directory && (mask & (IN_MODIFY | IN_CLOSE_WRITE))) {
        return (filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)) != 0;
    }
    if (mask & IN_ACCESS) {
        return (filter & FILE_NOTIFY_CHANGE_LAST_ACCESS) != 0;
    }
    return false;
}

class TDirectoryNotification : public detail::TWaitableObject {
public:
    TDirectoryNotification(int fd, bool subtree, std::uint32_t filter)
        : Fd_(fd), Subtree_(subtree), Filter_(filter), Mask_(InotifyMask(filter)) {}
    ~TDirectoryNotification() override { ::close(Fd_); }
    TDirectoryNotification(const TDirectoryNotification&) = delete;
    TDirectoryNotification& operator=(const TDirectoryNotification&) = delete;

    // Watches the root directory (and its subtree); the errno of the root's failure, else 0.
    int Start(const fs::path& root) {
        const int wd = ::inotify_add_watch(Fd_, root.c_str(), Mask_ | IN_ONLYDIR);
        if (wd < 0) {
            return errno;
        }
        RootWatch_ = wd;
        Directories_[wd] = root;
        if (Subtree_) {
            WatchBelow(root, false);
        }
        return 0;
    }

    int PollFd() const override { return Fd_; }

    bool TryAcquire() override {
        std::lock_guard lock(Mutex_);
        if (!Signalled_) {
            ReadEvents();
        }
        return Signalled_;
    }

    bool Rearm() {
        std::lock_guard lock(Mutex_);
        if (Gone_) {
            return false;
        }
        Signalled_ = false;
        return true;
    }

private:
    // Adds watches to every directory below dir. With report, entries already there count as
    // changes: they appeared together with a directory that was just created.
    void WatchBelow(const fs::path& dir, bool report) {
        std::vector<fs::path> pending{dir};
        while (!pending.empty()) {
            const fs::path current = pending.back();
            pending.pop_back();
            std::error_code ec;
            for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
                const bool isDirectory = it->symlink_status(ec).type() == fs::file_type::directory;
                if (report) {
                    Signalled_ =
                        Signalled_ || Matches(Filter_, IN_CREATE | (isDirectory ? IN_ISDIR : 0));
                }
                if (!isDirectory) {
                    continue;
                }
                const int wd = ::inotify_add_watch(Fd_, it->path().c_str(), Mask_ | IN_ONLYDIR);
                if (wd >= 0) {
                    Directories_[wd] = it->path();
                    pending.push_back(it->path());
                }
            }
        }
    }

    void ReadEvents() {
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t length = ::read(Fd_, buffer, sizeof buffer);
            if (length <= 0) {
                return; // drained (EAGAIN), or nothing more to learn
            }
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                Handle(*event);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    void Handle(const inotify_event& event) {
        if (event.wd == RootWatch_ && (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))) {
            Gone_ = true;
            Signalled_ = true; // a waiter must learn that the watch has ended
            return;
        }
        if (event.mask & IN_IGNORED) {
            Directories_.erase(event.wd);
            return;
        }
        Signalled_ = Signalled_ || Matches(Filter_, event.mask);
        const bool newDirectory =
            (event.mask & IN_ISDIR) && (event.mask & (IN_CREATE | IN_MOVED_TO)) && event.len > 0;
        const auto parent = Directories_.find(event.wd);
        if (Subtree_ && newDirectory && parent != Directories_.end()) {
            const fs::path dir = parent->second / event.name;
            const int wd = ::inotify_add_watch(Fd_, dir.c_str(), Mask_ | IN_ONLYDIR);
            if (wd >= 0) {
                Directories_[wd] = dir;
                WatchBelow(dir, true);
            }
        }
    }

    const int Fd_;
    const bool Subtree_;
    const std::uint32_t Filter_;
    const std::uint32_t Mask_;
    std::mutex Mutex_;
    int RootWatch_ = -1;
    std::map<int, fs::path> Directories_; // watch -> host directory
    bool Signalled_ = false;
    bool Gone_ = false;
};

// Why a directory cannot be watched, before asking inotify.
std::uint32_t CheckDirectory(const fs::path& directory) {
    std::error_code ec;
    const fs::file_status status = fs::status(directory, ec);
    if (status.type() == fs::file_type::not_found) {
        return fs::is_directory(directory.parent_path(), ec) ? ERROR_FILE_NOT_FOUND
                                                             : ERROR_PATH_NOT_FOUND;
    }
    if (ec) {
        return ErrorOfErrno(ec.value());
    }
    return fs::is_directory(status) ? ERROR_SUCCESS : ERROR_DIRECTORY;
}

} // namespace

namespace detail {

THandle WatchHostDirectory(const fs::path& directory, bool watchSubtree, std::uint32_t filter) {
    if (filter == 0 || (filter & ~KnownFilters) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return THandle();
    }
    if (const std::uint32_t error = CheckDirectory(directory); error != ERROR_SUCCESS) {
        SetLastError(error);
        return THandle();
    }
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        SetLastError(ErrorOfErrno(errno));
        return THandle();
    }
    auto notification = std::make_shared<TDirectoryNotification>(fd, watchSubtree, filter);
    if (const int error = notification->Start(directory); error != 0) {
        SetLastError(ErrorOfErrno(error));
        return THandle();
    }
    SetLastError(ERROR_SUCCESS);
    return THandle(std::move(notification));
}

} // namespace detail

THandle FindFirstChangeNotification(const std::string& path, bool watchSubtree,
                                    std::uint32_t filter) {
    fs::path host;
    try {
        host = HostPath(path);
    } catch (const std::exception&) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return THandle();
    }
    return detail::WatchHostDirectory(host, watchSubtree, filter);
}

bool FindNextChangeNotification(const THandle& handle) {
    auto* notification = dynamic_cast<TDirectoryNotification*>(handle.Object().get());
    if (notification == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!notification->Rearm()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

bool FindCloseChangeNotification(THandle& handle) {
    if (dynamic_cast<TDirectoryNotification*>(handle.Object().get()) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    handle = THandle();
    return true;
}

} // namespace platform
