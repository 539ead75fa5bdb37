// Libraries through LoadLibraryExW. A library named by its path is loaded with its own folder
// searched first for the libraries it needs, so Thunderbird's nss3.dll finds its neighbours
// (mozglue.dll, freebl3.dll ...) and not older copies elsewhere on the machine.

#include "platform/win32/WindowsApi.h"

#include "platform/DynamicLibrary.h"
#include "platform/Files.h"

namespace platform {

namespace {

// Windows 7 and Vista have these flags with update KB2533623, Windows 8 and later always.
#ifndef LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
#define LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR 0x00000100
#endif
#ifndef LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
#define LOAD_LIBRARY_SEARCH_DEFAULT_DIRS 0x00001000
#endif

bool NamesPath(const std::string& pathOrName) {
    return pathOrName.find_first_of("\\/:") != std::string::npos;
}

// No "missing library" message box for the user: a library that cannot be loaded is an answer.
class TQuietErrors {
public:
    TQuietErrors() : Old_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {
        SetErrorMode(Old_ | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    }
    ~TQuietErrors() { SetErrorMode(Old_); }
    TQuietErrors(const TQuietErrors&) = delete;
    TQuietErrors& operator=(const TQuietErrors&) = delete;

private:
    UINT Old_;
};

HMODULE LoadWithFlags(const std::wstring& file, DWORD flags, DWORD fallbackFlags) {
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, flags);
    // Without the search flags the system refuses them as an invalid parameter.
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        module = LoadLibraryExW(file.c_str(), nullptr, fallbackFlags);
    }
    return module;
}

} // namespace

std::unique_ptr<TDynamicLibrary> TDynamicLibrary::Load(const std::string& pathOrName) {
    if (pathOrName.empty()) {
        return nullptr;
    }
    const TQuietErrors quiet;
    HMODULE module = nullptr;
    if (NamesPath(pathOrName)) {
        if (!FileExists(pathOrName)) {
            return nullptr;
        }
        module = LoadWithFlags(win32::Wide(NormalizePath(pathOrName)),
                               LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS,
                               LOAD_WITH_ALTERED_SEARCH_PATH);
    } else {
        // A module name alone: the program's folder and the system's, never the current folder.
        module = LoadWithFlags(win32::Wide(pathOrName), LOAD_LIBRARY_SEARCH_DEFAULT_DIRS, 0);
    }
    if (module == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<TDynamicLibrary>(new TDynamicLibrary(module));
}

TDynamicLibrary::~TDynamicLibrary() {
    FreeLibrary(static_cast<HMODULE>(Handle_));
}

void* TDynamicLibrary::Symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(Handle_), name));
}

} // namespace platform
