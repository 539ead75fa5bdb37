#pragma once
// The calling thread's last error code, as the system functions leave it, and the system's
// message text for a code.

#include <cstdint>
#include <string>

namespace platform {

inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr std::uint32_t ERROR_DIRECTORY = 267;
inline constexpr std::uint32_t ERROR_KEY_DELETED = 1018;

// Per thread, like the system's own.
std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

// The system's text for the code ("The system cannot find the file specified."), without the
// line break the system puts after it; empty for a code the system has no text for.
std::string SysErrorMessage(std::uint32_t code);

} // namespace platform
