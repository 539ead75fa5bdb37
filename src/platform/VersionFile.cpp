// The version of an executable on the simulated drive: its bytes, read by the PE reader.

#include "platform/VersionInfo.h"

#include "platform/Files.h"

namespace platform {

std::optional<TFixedFileVersion> ReadFixedFileVersion(const std::string& windowsPath) {
    const auto bytes = ReadFileBytes(windowsPath);
    if (!bytes)
        return std::nullopt;
    return ReadFixedFileVersionBytes(*bytes);
}

} // namespace platform
