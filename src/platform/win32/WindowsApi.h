#pragma once
// The Windows API for the Windows implementations of platform/ (internal to platform/win32/).
//
// Our platform headers keep the Windows names (DeleteFile, GetTempPath, HKEY_CURRENT_USER,
// FILE_ATTRIBUTE_READONLY ...), which <windows.h> defines as macros. This header includes the
// system headers and then removes those macros, so include it before any platform header. The
// values still needed are kept under other names below; the functions are called by their wide
// names (DeleteFileW), which stay.
//
// Text is UTF-8 inside the program and UTF-16 at the API: Wide() and Utf8() convert at the call.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <memory>
#include <string>
#include <string_view>

namespace platform::win32 {

// The predefined keys, kept before their macros go. Error codes, wait results and notification
// filters have platform constants of the same values (LastError.h and Synchronization.h,
// included below; ChangeNotification.h, RegistryNotify.h).
inline const HKEY ClassesRootKey = HKEY_CLASSES_ROOT;
inline const HKEY CurrentUserKey = HKEY_CURRENT_USER;
inline const HKEY LocalMachineKey = HKEY_LOCAL_MACHINE;

// UTF-8 to UTF-16 and back; malformed input becomes U+FFFD, as everywhere in the program.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// The system's text for an error number (GetLastError, LSTATUS, HRESULT), without the line end.
std::string ErrorText(DWORD error);

// Owners of the API's handles, closed on every path.
struct THandleClose {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
    }
};
using THandle = std::unique_ptr<void, THandleClose>;
// A handle that failed as INVALID_HANDLE_VALUE (CreateFileW) becomes an empty owner.
inline THandle OwnHandle(HANDLE handle) {
    return THandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct TKeyClose {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using TKey = std::unique_ptr<std::remove_pointer_t<HKEY>, TKeyClose>;

struct TFindClose {
    void operator()(HANDLE handle) const { FindClose(handle); }
};
using TFind = std::unique_ptr<void, TFindClose>;
// FindFirstFileW; an empty owner when nothing matches.
inline TFind FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& data) {
    const HANDLE handle = FindFirstFileW(pattern.c_str(), &data);
    return TFind(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct TLocalFree {
    void operator()(void* memory) const { LocalFree(memory); }
};

// COM on the calling thread for the length of a call; leaves a thread that had COM as it was.
class TComScope {
public:
    TComScope() : Result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TComScope() {
        if (SUCCEEDED(Result_)) {
            CoUninitialize();
        }
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    HRESULT Result_;
};

} // namespace platform::win32

// Macros that would rename or replace our platform declarations.
#undef HKEY_CLASSES_ROOT
#undef HKEY_CURRENT_USER
#undef HKEY_LOCAL_MACHINE
#undef CP_ACP
#undef FILE_ATTRIBUTE_READONLY
#undef FILE_ATTRIBUTE_HIDDEN
#undef FILE_ATTRIBUTE_SYSTEM
#undef FILE_ATTRIBUTE_DIRECTORY
#undef FILE_ATTRIBUTE_ARCHIVE
#undef FILE_ATTRIBUTE_NORMAL
#undef INVALID_FILE_ATTRIBUTES
#undef CRYPTPROTECT_UI_FORBIDDEN
#undef CRYPTPROTECT_LOCAL_MACHINE
#undef CRYPTPROTECT_AUDIT
#undef CRYPTPROTECT_VERIFY_PROTECTION
#undef VER_PLATFORM_WIN32_WINDOWS
#undef VER_PLATFORM_WIN32_NT
#undef CSIDL_APPDATA
#undef CSIDL_LOCAL_APPDATA
#undef CSIDL_PROGRAM_FILES
#undef DeleteFile
#undef RemoveDirectory
#undef GetFileAttributes
#undef SetFileAttributes
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef GetUserName
#undef GetEnvironmentVariable
#undef ExpandEnvironmentStrings
#undef GetTempPath
#undef GetTempFileName
#undef GetModuleFileName
#undef GetVersionEx
#undef ERROR_SUCCESS
#undef ERROR_FILE_NOT_FOUND
#undef ERROR_PATH_NOT_FOUND
#undef ERROR_TOO_MANY_OPEN_FILES
#undef ERROR_ACCESS_DENIED
#undef ERROR_INVALID_HANDLE
#undef ERROR_NOT_ENOUGH_MEMORY
#undef ERROR_GEN_FAILURE
#undef ERROR_INVALID_PARAMETER
#undef ERROR_ALREADY_EXISTS
#undef ERROR_DIRECTORY
#undef ERROR_KEY_DELETED
#undef INFINITE
#undef WAIT_OBJECT_0
#undef WAIT_TIMEOUT
#undef WAIT_FAILED
#undef FILE_NOTIFY_CHANGE_FILE_NAME
#undef FILE_NOTIFY_CHANGE_DIR_NAME
#undef FILE_NOTIFY_CHANGE_ATTRIBUTES
#undef FILE_NOTIFY_CHANGE_SIZE
#undef FILE_NOTIFY_CHANGE_LAST_WRITE
#undef FILE_NOTIFY_CHANGE_LAST_ACCESS
#undef FILE_NOTIFY_CHANGE_CREATION
#undef FILE_NOTIFY_CHANGE_SECURITY
#undef REG_NOTIFY_CHANGE_NAME
#undef REG_NOTIFY_CHANGE_ATTRIBUTES
#undef REG_NOTIFY_CHANGE_LAST_SET
#undef REG_NOTIFY_CHANGE_SECURITY
#undef CreateEvent
#undef FindFirstChangeNotification

#include "platform/LastError.h"
#include "platform/Synchronization.h"
