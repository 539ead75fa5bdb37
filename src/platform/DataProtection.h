#pragma once
// Data protection (CryptProtectData / CryptUnprotectData on Windows): seals a byte string so
// that only the same user of the same machine can unseal it, or, with
// CRYPTPROTECT_LOCAL_MACHINE, any user of the same machine. A blob carries everything unsealing
// needs except the optional entropy, which must be given again.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

inline constexpr std::uint32_t CRYPTPROTECT_UI_FORBIDDEN = 0x1;
inline constexpr std::uint32_t CRYPTPROTECT_LOCAL_MACHINE = 0x4;
inline constexpr std::uint32_t CRYPTPROTECT_AUDIT = 0x10;
inline constexpr std::uint32_t CRYPTPROTECT_VERIFY_PROTECTION = 0x40;

using TDataBlob = std::vector<std::uint8_t>;

// Seals the data with a description (UTF-8; may be empty) and optional entropy (empty: none).
// nullopt when the flags hold an unknown bit or no master key can be read or made.
std::optional<TDataBlob> CryptProtectData(std::span<const std::uint8_t> data,
                                          const std::string& description,
                                          std::span<const std::uint8_t> entropy,
                                          std::uint32_t flags);

struct TUnprotectedData {
    TDataBlob Data;
    std::string Description;
};

// Unseals a blob with the entropy it was sealed with. nullopt, never a partial result, for a
// changed or truncated blob, other entropy, a blob of another user (user scope) or of another
// machine, or unknown flags. The scope comes from the blob; CRYPTPROTECT_LOCAL_MACHINE in the
// flags changes nothing.
std::optional<TUnprotectedData> CryptUnprotectData(std::span<const std::uint8_t> blob,
                                                   std::span<const std::uint8_t> entropy,
                                                   std::uint32_t flags);

} // namespace platform
