#include "platform/DynamicLibrary.h"

#include "platform/Files.h"
#include "platform/WinPath.h"

#include <dlfcn.h>

namespace platform {

namespace {

bool NamesPath(const std::string& pathOrName) {
    return pathOrName.find_first_of("\\/:") != std::string::npos;
}

// The host library that stands in for a Windows module: "nss3.dll" -> "libnss3.so".
std::string HostModuleName(const std::string& windowsName) {
    std::string base = detail::FoldCase(windowsName);
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".dll") == 0) {
        base.resize(base.size() - 4);
    }
    return "lib" + base + ".so";
}

} // namespace

std::unique_ptr<TDynamicLibrary> TDynamicLibrary::Load(const std::string& pathOrName) {
    if (pathOrName.empty() || (NamesPath(pathOrName) && !FileExists(pathOrName))) {
        return nullptr;
    }
    const std::string moduleName = NamesPath(pathOrName) ? ExtractFileName(pathOrName) : pathOrName;
    void* handle = dlopen(HostModuleName(moduleName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<TDynamicLibrary>(new TDynamicLibrary(handle));
}

TDynamicLibrary::~TDynamicLibrary() {
    dlclose(Handle_);
}

void* TDynamicLibrary::Symbol(const char* name) const {
    return dlsym(Handle_, name);
}

} // namespace platform
