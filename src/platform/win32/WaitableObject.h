#pragma once
// What a handle refers to on Windows: a kernel object the system waits for (internal to
// platform/win32/).

#include "platform/win32/WindowsApi.h"

namespace platform::detail {

class TWaitableObject {
public:
    enum class TKind { Event, ChangeNotification };

    TWaitableObject(HANDLE handle, TKind kind) : Handle_(handle), Kind_(kind) {}
    ~TWaitableObject() {
        NotifiedKey.reset(); // a pending registry notification ends with its key
        if (Kind_ == TKind::ChangeNotification) {
            ::FindCloseChangeNotification(Handle_);
        } else {
            ::CloseHandle(Handle_);
        }
    }
    TWaitableObject(const TWaitableObject&) = delete;
    TWaitableObject& operator=(const TWaitableObject&) = delete;

    HANDLE Handle() const { return Handle_; }
    TKind Kind() const { return Kind_; }

    // An event's registry key whose change notification is armed: the system reports the change
    // only while the key stays open.
    win32::TKey NotifiedKey;

private:
    HANDLE Handle_;
    TKind Kind_;
};

// The object of a handle when it is of the kind; nullptr otherwise.
TWaitableObject* ObjectOf(const THandle& handle, TWaitableObject::TKind kind);

} // namespace platform::detail
