#pragma once
// Events and waits in the manner of the system's kernel objects. A handle refers to an object
// shared by every copy of it; the object lives while a handle (or a pending notification that
// signals it) refers to it. Safe to use from any thread.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace platform {

namespace detail {
class TWaitableObject;
}

inline constexpr std::uint32_t INFINITE = 0xFFFFFFFF;
inline constexpr std::uint32_t WAIT_OBJECT_0 = 0;
inline constexpr std::uint32_t WAIT_TIMEOUT = 258;
inline constexpr std::uint32_t WAIT_FAILED = 0xFFFFFFFF;

class THandle {
public:
    THandle() = default;
    explicit THandle(std::shared_ptr<detail::TWaitableObject> object)
        : Object_(std::move(object)) {}

    bool Valid() const { return Object_ != nullptr; }
    explicit operator bool() const { return Valid(); }
    bool operator==(const THandle& other) const { return Object_ == other.Object_; }
    const std::shared_ptr<detail::TWaitableObject>& Object() const { return Object_; }

private:
    std::shared_ptr<detail::TWaitableObject> Object_;
};

// A new event, manual-reset (stays signalled until reset) or auto-reset (lets one waiter
// through, then resets itself). A name already in use in this process gives that event (its
// reset mode and state unchanged) and sets the last error to ERROR_ALREADY_EXISTS. An invalid
// handle, with the last error set, when the system cannot make one.
THandle CreateEvent(bool manualReset, bool initialState, const std::string& name = {});
bool SetEvent(const THandle& event);
bool ResetEvent(const THandle& event);
// Forgets this reference; the object goes when the last one does.
bool CloseHandle(THandle& handle);

// Waits until the object is signalled (WAIT_OBJECT_0) or the time-out in milliseconds passes
// (WAIT_TIMEOUT); INFINITE waits for ever. WAIT_FAILED, with the last error set, for an
// invalid handle.
std::uint32_t WaitForSingleObject(const THandle& handle, std::uint32_t milliseconds);
// Waits until any of the objects is signalled: WAIT_OBJECT_0 + its index (the first in the
// list when several are), or WAIT_TIMEOUT, or WAIT_FAILED.
std::uint32_t WaitForMultipleObjects(std::span<const THandle> handles, std::uint32_t milliseconds);

} // namespace platform
