// The parts of a Windows path, by its text alone: the same in every build.

#include "platform/Files.h"

namespace platform {

std::string ExtractFilePath(const std::string& path) {
    const auto pos = path.find_last_of("\\:");
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
    const auto pos = path.find_last_of("\\:");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const auto dot = path.find_last_of(".\\:");
    if (dot == std::string::npos || path[dot] != '.')
        return path + ext;
    return path.substr(0, dot) + ext;
}

std::string IncludeTrailingBackslash(const std::string& path) {
    return !path.empty() && path.back() == '\\' ? path : path + "\\";
}

} // namespace platform
