#pragma once
// Machine facts answered the way Windows answers them.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct TOSVersionInfo {
    std::uint32_t MajorVersion = 0;
    std::uint32_t MinorVersion = 0;
    std::uint32_t BuildNumber = 0;
    std::uint32_t PlatformId = 0; // VER_PLATFORM_WIN32_WINDOWS 1, VER_PLATFORM_WIN32_NT 2
    std::string CSDVersion;       // service-pack text
};
inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// False when no system is installed (the version query failed).
bool GetVersionEx(TOSVersionInfo& info);

inline constexpr int CSIDL_APPDATA = 26;
inline constexpr int CSIDL_LOCAL_APPDATA = 28;
inline constexpr int CSIDL_PROGRAM_FILES = 38;
// Path of a special folder, without trailing backslash; empty when unknown.
std::string GetSpecialFolderPath(int csidl);

std::string GetUserName();
std::optional<std::string> GetEnvironmentVariable(const std::string& name); // name without case
// Expands %NAME% references; unknown names stay as written (as Windows does).
std::string ExpandEnvironmentStrings(const std::string& text);

std::string GetTempPath(); // with trailing backslash
// Creates an empty file "<path><prefix up to 3 chars><hex number>.tmp" that did not exist and
// returns its full name; empty when none could be made.
std::string GetTempFileName(const std::string& path, const std::string& prefix);

// A new GUID in braced upper-case 8-4-4-4-12 form; empty when none could be made.
std::string CreateGuidString();
// The running program's executable on the simulated drive (system.ini), like GetModuleFileName.
std::string GetModuleFileName();

} // namespace platform
