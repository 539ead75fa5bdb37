#include "clients/outlook/OutlookProgram.h"

#include "accounts/RegistryHelpers.h"
#include "accounts/SystemHelpers.h"
#include "platform/Files.h"

namespace {

constexpr const char* AppPathsKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.exe";

std::string Unquoted(const std::string& path) {
    return path.size() >= 2 && path.front() == '"' && path.back() == '"'
               ? path.substr(1, path.size() - 2)
               : path;
}

} // namespace

std::optional<TOutlookProgram> FindOutlookProgram() {
    platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly(AppPathsKey)) {
        return std::nullopt;
    }
    std::string path = ReadRegStringChecked(registry, "");
    if (registry.GetDataType("") == platform::TRegDataType::rdExpandString) {
        path = ExpandEnvironmentPath(registry.ReadString(""));
    }
    registry.CloseKey();
    path = Unquoted(path);
    if (path.empty() || !platform::FileExists(path)) {
        return std::nullopt;
    }
    return TOutlookProgram{path, FileMajorVersion(path), FileVersionText(path)};
}
