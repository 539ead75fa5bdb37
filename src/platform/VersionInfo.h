#pragma once
// Version resources of PE executables (the fixed file-info block of VS_VERSION_INFO).

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct TFixedFileVersion {
    std::uint32_t FileVersionMS = 0, FileVersionLS = 0;
    std::uint32_t ProductVersionMS = 0, ProductVersionLS = 0;
};

// Reads the version of a PE file on the simulated drive; nullopt when there is none.
std::optional<TFixedFileVersion> ReadFixedFileVersion(const std::string& windowsPath);
std::optional<TFixedFileVersion> ReadFixedFileVersionBytes(const std::string& bytes);

// Builds a minimal valid PE image holding only a version resource (for tests and the demo).
// pe32Plus builds the 64-bit (PE32+) variant of the headers.
std::string MakeVersionedPeImage(const TFixedFileVersion& version, bool pe32Plus = false);
TFixedFileVersion MakeVersion(int major, int minor, int release, int build);

} // namespace platform
