// Machine facts from the Windows API.

#include "platform/win32/WindowsApi.h"

#include "platform/Files.h"
#include "platform/SystemInfo.h"

#include <cstring>

namespace platform {

namespace {

using win32::Utf8;
using win32::Wide;

// Calls an API that fills a wide buffer and answers the length it needed (GetTempPathW and
// the like): grows the buffer until the text fits. Empty when the call fails.
template <typename TCall> std::wstring GrowingText(TCall call) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length + 1);
    }
    return {};
}

} // namespace

// The version the system really is: GetVersionExW answers what the program's manifest claims to
// support (6.2 on every Windows after 8), RtlGetVersion the truth.
bool GetVersionEx(TOSVersionInfo& info) {
    RTL_OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    using TRtlGetVersion = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto rtlGetVersion =
        ntdll == nullptr ? nullptr
                         : reinterpret_cast<TRtlGetVersion>(
                               reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    if (rtlGetVersion == nullptr || rtlGetVersion(&version) != 0) {
        OSVERSIONINFOW fallback{};
        fallback.dwOSVersionInfoSize = sizeof fallback;
        if (!GetVersionExW(&fallback)) {
            return false;
        }
        static_assert(sizeof fallback == sizeof version);
        std::memcpy(&version, &fallback, sizeof version);
    }
    info.MajorVersion = version.dwMajorVersion;
    info.MinorVersion = version.dwMinorVersion;
    info.BuildNumber = version.dwBuildNumber;
    info.PlatformId = version.dwPlatformId;
    info.CSDVersion = Utf8(version.szCSDVersion);
    return true;
}

std::string GetSpecialFolderPath(int csidl) {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) {
        return {};
    }
    std::string folder = Utf8(path);
    while (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

std::string GetUserName() {
    wchar_t name[257]; // UNLEN + 1
    DWORD length = sizeof name / sizeof name[0];
    return GetUserNameW(name, &length) ? Utf8(name) : std::string();
}

std::optional<std::string> GetEnvironmentVariable(const std::string& name) {
    if (name.empty()) {
        return std::nullopt;
    }
    const std::wstring wideName = Wide(name);
    SetLastError(ERROR_SUCCESS);
    const std::wstring value = GrowingText([&](wchar_t* buffer, DWORD size) {
        return GetEnvironmentVariableW(wideName.c_str(), buffer, size);
    });
    // An empty value is there; a missing variable sets the error.
    if (value.empty() && GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
        return std::nullopt;
    }
    return Utf8(value);
}

std::string ExpandEnvironmentStrings(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const std::wstring wide = Wide(text);
    // The length answered counts the terminating NUL.
    const std::wstring expanded = GrowingText([&](wchar_t* buffer, DWORD size) -> DWORD {
        const DWORD length = ExpandEnvironmentStringsW(wide.c_str(), buffer, size);
        return length == 0 ? 0 : length - 1 < size ? length - 1 : length;
    });
    return expanded.empty() ? text : Utf8(expanded);
}

std::string GetTempPath() {
    return Utf8(
        GrowingText([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); }));
}

std::string GetTempFileName(const std::string& path, const std::string& prefix) {
    if (!DirectoryExists(path)) {
        return {};
    }
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(Wide(path).c_str(), Wide(prefix).c_str(), 0, name) == 0) {
        return {};
    }
    return NormalizePath(Utf8(name));
}

std::string CreateGuidString() {
    GUID guid;
    wchar_t text[40];
    if (CoCreateGuid(&guid) != S_OK || StringFromGUID2(guid, text, 40) == 0) {
        return {};
    }
    return Utf8(text);
}

std::string GetModuleFileName() {
    return Utf8(GrowingText([](wchar_t* buffer, DWORD size) -> DWORD {
        const DWORD length = GetModuleFileNameW(nullptr, buffer, size);
        // A cut name fills the whole buffer: ask for more.
        return length == size ? size : length;
    }));
}

} // namespace platform
