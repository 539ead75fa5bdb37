#pragma once
// What a handle refers to: an object a thread can wait for (internal to platform/).

#include <memory>

namespace platform {
class THandle;
}

namespace platform::detail {

class TWaitableObject {
public:
    virtual ~TWaitableObject() = default;
    // A descriptor that becomes readable when the object may have become signalled.
    virtual int PollFd() const = 0;
    // Without blocking: true when the object is signalled, taking the signal where the kind
    // of object says so (an auto-reset event lets one waiter through).
    virtual bool TryAcquire() = 0;
};

// Whether the handle refers to an event.
bool IsEvent(const THandle& handle);

} // namespace platform::detail
