#include "platform/Synchronization.h"

#include "platform/LastError.h"
#include "platform/WaitableObject.h"

#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

using detail::TWaitableObject;

// An event is an eventfd: signalled while its counter is above zero.
class TEventObject : public TWaitableObject {
public:
    TEventObject(int fd, bool manualReset) : Fd_(fd), ManualReset_(manualReset) {}
    ~TEventObject() override { ::close(Fd_); }
    TEventObject(const TEventObject&) = delete;
    TEventObject& operator=(const TEventObject&) = delete;

    int PollFd() const override { return Fd_; }

    bool TryAcquire() override {
        if (!ManualReset_) {
            return Drain(); // the one waiter that empties the counter gets through
        }
        pollfd entry{Fd_, POLLIN, 0};
        return ::poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN) != 0;
    }

    void Set() {
        const std::uint64_t one = 1;
        // Fails only when the counter is near its limit, and then it is signalled anyway.
        (void)!::write(Fd_, &one, sizeof one);
    }

    // Empties the counter; true when it was signalled.
    bool Drain() {
        std::uint64_t count = 0;
        return ::read(Fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
    }

private:
    int Fd_;
    bool ManualReset_;
};

TEventObject* EventOf(const THandle& handle) {
    return dynamic_cast<TEventObject*>(handle.Object().get());
}

// Named events of this process; a name lives as long as its event.
struct TNamedEvents {
    std::mutex Mutex;
    std::map<std::string, std::weak_ptr<TEventObject>> ByName;
};

TNamedEvents& NamedEvents() {
    static TNamedEvents table;
    return table;
}

std::uint32_t ErrorOfErrno(int error) {
    switch (error) {
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_GEN_FAILURE;
    }
}

std::shared_ptr<TEventObject> NewEvent(bool manualReset, bool initialState) {
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) {
        SetLastError(ErrorOfErrno(errno));
        return nullptr;
    }
    auto event = std::make_shared<TEventObject>(fd, manualReset);
    if (initialState) {
        event->Set();
    }
    return event;
}

// Milliseconds left until the deadline, for poll(); -1 waits for ever.
int PollTimeout(bool infinite, std::chrono::steady_clock::time_point deadline) {
    if (infinite) {
        return -1;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

bool detail::IsEvent(const THandle& handle) {
    return EventOf(handle) != nullptr;
}

THandle CreateEvent(bool manualReset, bool initialState, const std::string& name) {
    if (name.empty()) {
        auto event = NewEvent(manualReset, initialState);
        return event ? THandle(std::move(event)) : THandle();
    }
    TNamedEvents& table = NamedEvents();
    std::lock_guard lock(table.Mutex);
    if (auto existing = table.ByName[name].lock()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return THandle(std::move(existing));
    }
    auto event = NewEvent(manualReset, initialState);
    if (!event) {
        table.ByName.erase(name);
        return THandle();
    }
    std::erase_if(table.ByName, [](const auto& entry) { return entry.second.expired(); });
    table.ByName[name] = event;
    SetLastError(ERROR_SUCCESS);
    return THandle(std::move(event));
}

bool SetEvent(const THandle& event) {
    TEventObject* object = EventOf(event);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    object->Set();
    return true;
}

bool ResetEvent(const THandle& event) {
    TEventObject* object = EventOf(event);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    object->Drain();
    return true;
}

bool CloseHandle(THandle& handle) {
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    handle = THandle();
    return true;
}

std::uint32_t WaitForSingleObject(const THandle& handle, std::uint32_t milliseconds) {
    return WaitForMultipleObjects(std::span<const THandle>(&handle, 1), milliseconds);
}

std::uint32_t WaitForMultipleObjects(std::span<const THandle> handles, std::uint32_t milliseconds) {
    if (handles.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    // Copies keep the objects (and their descriptors) alive while we wait.
    std::vector<std::shared_ptr<TWaitableObject>> objects;
    std::vector<pollfd> fds;
    for (const THandle& handle : handles) {
        if (!handle) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(handle.Object());
        fds.push_back(pollfd{handle.Object()->PollFd(), POLLIN, 0});
    }
    const bool infinite = milliseconds == INFINITE;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->TryAcquire()) {
                return WAIT_OBJECT_0 + static_cast<std::uint32_t>(i);
            }
        }
        const int timeout = PollTimeout(infinite, deadline);
        if (!infinite && timeout == 0) {
            return WAIT_TIMEOUT;
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            SetLastError(ErrorOfErrno(errno));
            return WAIT_FAILED;
        }
    }
}

} // namespace platform
