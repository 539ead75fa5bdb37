// Events and waits on the system's kernel objects. A named event is the system's: other
// processes of the session that name it share it.

#include "platform/win32/WaitableObject.h"

#include <vector>

namespace platform {

namespace detail {

TWaitableObject* ObjectOf(const THandle& handle, TWaitableObject::TKind kind) {
    TWaitableObject* object = handle.Object().get();
    return object != nullptr && object->Kind() == kind ? object : nullptr;
}

} // namespace detail

namespace {

using detail::TWaitableObject;

HANDLE EventHandle(const THandle& event) {
    TWaitableObject* object = detail::ObjectOf(event, TWaitableObject::TKind::Event);
    if (object == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object->Handle();
}

} // namespace

THandle CreateEvent(bool manualReset, bool initialState, const std::string& name) {
    const std::wstring wideName = win32::Wide(name);
    const HANDLE event = ::CreateEventW(nullptr, manualReset, initialState,
                                        name.empty() ? nullptr : wideName.c_str());
    if (event == nullptr) {
        return THandle();
    }
    // CreateEventW leaves ERROR_ALREADY_EXISTS for a name in use, which the caller may ask.
    const DWORD error = ::GetLastError();
    THandle handle(std::make_shared<TWaitableObject>(event, TWaitableObject::TKind::Event));
    ::SetLastError(error);
    return handle;
}

bool SetEvent(const THandle& event) {
    const HANDLE handle = EventHandle(event);
    return handle != nullptr && ::SetEvent(handle) != 0;
}

bool ResetEvent(const THandle& event) {
    const HANDLE handle = EventHandle(event);
    return handle != nullptr && ::ResetEvent(handle) != 0;
}

bool CloseHandle(THandle& handle) {
    if (!handle) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    handle = THandle();
    return true;
}

std::uint32_t WaitForSingleObject(const THandle& handle, std::uint32_t milliseconds) {
    return WaitForMultipleObjects(std::span<const THandle>(&handle, 1), milliseconds);
}

std::uint32_t WaitForMultipleObjects(std::span<const THandle> handles, std::uint32_t milliseconds) {
    std::vector<HANDLE> system;
    for (const THandle& handle : handles) {
        if (!handle) {
            ::SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        system.push_back(handle.Object()->Handle());
    }
    if (system.empty() || system.size() > MAXIMUM_WAIT_OBJECTS) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    return ::WaitForMultipleObjects(static_cast<DWORD>(system.size()), system.data(), FALSE,
                                    milliseconds);
}

} // namespace platform
