// The version of an executable through the system's version functions (GetFileVersionInfoW),
// which read the fixed file-info block of its version resource.

#include "platform/win32/WindowsApi.h"

#include "platform/VersionInfo.h"

#include <vector>

namespace platform {

std::optional<TFixedFileVersion> ReadFixedFileVersion(const std::string& windowsPath) {
    const std::wstring file = win32::Wide(windowsPath);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (windowsPath.empty() || size == 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
        info == nullptr || length < sizeof(VS_FIXEDFILEINFO) || info->dwSignature != 0xFEEF04BD) {
        return std::nullopt;
    }
    TFixedFileVersion version;
    version.FileVersionMS = info->dwFileVersionMS;
    version.FileVersionLS = info->dwFileVersionLS;
    version.ProductVersionMS = info->dwProductVersionMS;
    version.ProductVersionLS = info->dwProductVersionLS;
    return version;
}

} // namespace platform
