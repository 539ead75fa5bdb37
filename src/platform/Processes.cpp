#include "platform/Processes.h"

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "platform/SystemState.h"
#include "platform/WinPath.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {

namespace {

bool IsProcessId(const std::string& name) {
    return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
}

// The executable that a command line starts: a quoted path, or else the shortest prefix ending
// at a blank that names an existing file (as the system resolves unquoted paths with blanks).
std::string ExecutableOfCommand(const std::string& command) {
    const std::string text = ExpandEnvironmentStrings(command);
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    if (text[first] == '"') {
        const auto close = text.find('"', first + 1);
        return text.substr(first + 1,
                           close == std::string::npos ? std::string::npos : close - first - 1);
    }
    for (auto blank = text.find(' ', first); blank != std::string::npos;
         blank = text.find(' ', blank + 1)) {
        const std::string candidate = text.substr(first, blank - first);
        if (FileExists(candidate))
            return candidate;
    }
    return text.substr(first);
}

std::string ReadDefaultValue(TRegistry& reg, const std::string& key) {
    if (!reg.OpenKeyReadOnly(key))
        return {};
    const TRegDataType type = reg.GetDataType("");
    std::string value;
    if (type == TRegDataType::rdString || type == TRegDataType::rdExpandString)
        value = reg.ReadString("");
    reg.CloseKey();
    return value;
}

} // namespace

std::vector<TProcessEntry> ProcessSnapshot() {
    std::vector<TProcessEntry> processes;
    const fs::path drive = detail::DriveRoot();
    if (drive.empty())
        return processes;
    std::error_code ec;
    const std::string driveText = fs::weakly_canonical(drive, ec).string() + "/";
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!IsProcessId(name))
            continue;
        std::error_code linkError;
        std::string exe = fs::read_symlink(it->path() / "exe", linkError).string();
        // Zombies and other users' processes have no readable link: not running for us.
        if (linkError || exe.rfind(driveText, 0) != 0)
            continue;
        // A process keeps running after its executable was deleted, as on Windows.
        const std::string deleted = " (deleted)";
        if (exe.size() > deleted.size() && exe.ends_with(deleted))
            exe.resize(exe.size() - deleted.size());
        std::string windowsPath = "C:\\" + exe.substr(driveText.size());
        for (char& c : windowsPath)
            if (c == '/')
                c = '\\';
        processes.push_back({std::atoi(name.c_str()), windowsPath});
    }
    return processes;
}

bool AutomationObjectRunning(const std::string& progId) {
    if (progId.empty())
        return false;
    TRegistry reg(HKEY_CLASSES_ROOT);
    std::string clsid = ReadDefaultValue(reg, "\\" + progId + "\\CLSID");
    if (clsid.empty()) {
        // A version-independent identifier names its current version.
        const std::string current = ReadDefaultValue(reg, "\\" + progId + "\\CurVer");
        if (!current.empty())
            clsid = ReadDefaultValue(reg, "\\" + current + "\\CLSID");
    }
    if (clsid.empty())
        return false;
    const std::string server = ReadDefaultValue(reg, "\\CLSID\\" + clsid + "\\LocalServer32");
    const std::string executable = ExecutableOfCommand(server);
    return !executable.empty() && ProcessRunning(executable);
}

} // namespace platform
