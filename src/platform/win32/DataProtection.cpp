// Data protection by the system's CryptProtectData and CryptUnprotectData.

#include "platform/win32/WindowsApi.h"

#include "platform/DataProtection.h"

#include <climits>

namespace platform {

namespace {

// The flags the simulated system knows; anything else is refused the same way on both.
constexpr std::uint32_t ProtectFlags =
    CRYPTPROTECT_UI_FORBIDDEN | CRYPTPROTECT_LOCAL_MACHINE | CRYPTPROTECT_AUDIT;
constexpr std::uint32_t UnprotectFlags = ProtectFlags | CRYPTPROTECT_VERIFY_PROTECTION;

DATA_BLOB BlobOf(std::span<const std::uint8_t> bytes) {
    DATA_BLOB blob;
    blob.cbData = static_cast<DWORD>(bytes.size());
    blob.pbData = const_cast<BYTE*>(bytes.data());
    return blob;
}

} // namespace

std::optional<TDataBlob> CryptProtectData(std::span<const std::uint8_t> data,
                                          const std::string& description,
                                          std::span<const std::uint8_t> entropy,
                                          std::uint32_t flags) {
    if ((flags & ~ProtectFlags) != 0 || data.size() > INT_MAX - 1024 || entropy.size() > INT_MAX) {
        return std::nullopt;
    }
    DATA_BLOB in = BlobOf(data);
    DATA_BLOB salt = BlobOf(entropy);
    DATA_BLOB out{};
    const std::wstring wideDescription = win32::Wide(description);
    if (!::CryptProtectData(&in, wideDescription.c_str(), entropy.empty() ? nullptr : &salt,
                            nullptr, nullptr, flags, &out)) {
        return std::nullopt;
    }
    const std::unique_ptr<void, win32::TLocalFree> owner(out.pbData);
    return TDataBlob(out.pbData, out.pbData + out.cbData);
}

std::optional<TUnprotectedData> CryptUnprotectData(std::span<const std::uint8_t> blob,
                                                   std::span<const std::uint8_t> entropy,
                                                   std::uint32_t flags) {
    if ((flags & ~UnprotectFlags) != 0 || blob.size() > INT_MAX || entropy.size() > INT_MAX) {
        return std::nullopt;
    }
    DATA_BLOB in = BlobOf(blob);
    DATA_BLOB salt = BlobOf(entropy);
    DATA_BLOB out{};
    wchar_t* description = nullptr;
    if (!::CryptUnprotectData(&in, &description, entropy.empty() ? nullptr : &salt, nullptr,
                              nullptr, flags, &out)) {
        return std::nullopt;
    }
    const std::unique_ptr<void, win32::TLocalFree> dataOwner(out.pbData);
    const std::unique_ptr<void, win32::TLocalFree> descriptionOwner(description);
    TUnprotectedData result;
    result.Data.assign(out.pbData, out.pbData + out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    result.Description = description == nullptr ? std::string() : win32::Utf8(description);
    return result;
}

} // namespace platform
