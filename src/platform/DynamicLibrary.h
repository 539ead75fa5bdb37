#pragma once
// Code libraries loaded at run time, in the manner of LoadLibraryW / GetProcAddress /
// FreeLibrary: a library named by a Windows path ("C:\Program Files\Mozilla Thunderbird\nss3.dll")
// or by a module name ("nss3.dll").
//
// On the simulated system a library named by a path must exist on the simulated drive (as a
// stand-in file), and the code loaded is the host's own build of that module ("nss3.dll" is the
// host's libnss3). The Windows build loads the named file itself.

#include <memory>
#include <string>

namespace platform {

class TDynamicLibrary {
public:
    // The loaded library; none when it does not exist or cannot be loaded.
    static std::unique_ptr<TDynamicLibrary> Load(const std::string& pathOrName);
    ~TDynamicLibrary(); // frees the library
    TDynamicLibrary(const TDynamicLibrary&) = delete;
    TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

    // The address of an exported symbol; none when the library has no such export.
    void* Symbol(const char* name) const;

private:
    explicit TDynamicLibrary(void* handle) : Handle_(handle) {}
    void* Handle_;
};

} // namespace platform
