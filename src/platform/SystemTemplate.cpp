#include "platform/SystemTemplate.h"

#include "platform/IniFile.h"
#include "platform/System.h"
#include "platform/VersionInfo.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace platform {
namespace {

std::string ReadHostText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void CopyTree(const fs::path& from, const fs::path& to) {
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        const fs::path target = to / fs::relative(entry.path(), from);
        if (entry.is_directory()) {
            fs::create_directories(target);
        } else if (entry.path().filename() != ".keep" &&
                   entry.path().filename() != "executables.ini") {
            fs::create_directories(target.parent_path());
            fs::copy_file(entry.path(), target);
        }
    }
}

// "C:\Program Files\X\x.exe" -> <root>/drive_c/Program Files/X/x.exe (the tree is new, so the
// names are taken as written).
fs::path FreshHostPath(const fs::path& root, const std::string& windowsPath) {
    if (windowsPath.size() < 3 || (windowsPath[0] != 'C' && windowsPath[0] != 'c') ||
        windowsPath.compare(1, 2, ":\\") != 0)
        throw ESystemError("Executable path outside drive C: " + windowsPath);
    fs::path host = root / "drive_c";
    std::istringstream parts(windowsPath.substr(3));
    for (std::string part; std::getline(parts, part, '\\');)
        if (!part.empty())
            host /= part;
    return host;
}

TFixedFileVersion ParseVersion(const std::string& text) {
    int numbers[4] = {0, 0, 0, 0};
    std::istringstream in(text);
    std::string piece;
    for (int i = 0; i < 4 && std::getline(in, piece, '.'); ++i)
        numbers[i] = std::stoi(piece);
    return MakeVersion(numbers[0], numbers[1], numbers[2], numbers[3]);
}

void CreateExecutables(const fs::path& templateDir, const fs::path& targetRoot) {
    const fs::path list = templateDir / "executables.ini";
    if (!fs::exists(list))
        return;
    const TIniFile ini = TIniFile::FromText(ReadHostText(list));
    for (const std::string& path : ini.Keys("Executables")) {
        const fs::path host = FreshHostPath(targetRoot, path);
        fs::create_directories(host.parent_path());
        std::ofstream out(host, std::ios::binary);
        out << MakeVersionedPeImage(ParseVersion(ini.ReadString("Executables", path, "0")));
        if (!out)
            throw ESystemError("Cannot write " + host.string());
    }
}

} // namespace

void CreateSystemFromTemplate(const fs::path& templateDir, const fs::path& targetRoot) {
    if (!fs::is_directory(templateDir))
        throw ESystemError("System template not found: " + templateDir.string());
    if (fs::exists(targetRoot))
        throw ESystemError("Target already exists: " + targetRoot.string());
    try {
        CopyTree(templateDir, targetRoot);
        CreateExecutables(templateDir, targetRoot);
    } catch (const fs::filesystem_error& error) {
        throw ESystemError(std::string("Cannot create the system: ") + error.what());
    }
}

} // namespace platform
