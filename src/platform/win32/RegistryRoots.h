#pragma once
// The machine's predefined key for a root of the platform's registry accessor (internal to
// platform/win32/).

#include "platform/win32/WindowsApi.h"

#include "platform/Registry.h"

namespace platform::win32 {

inline HKEY RootHandle(THKey root) {
    switch (root) {
    case THKey::ClassesRoot:
        return ClassesRootKey;
    case THKey::LocalMachine:
        return LocalMachineKey;
    case THKey::CurrentUser:
        break;
    }
    return CurrentUserKey;
}

} // namespace platform::win32
