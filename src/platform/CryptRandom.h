#pragma once
// The system's cryptographic random source (CryptGenRandom on Windows).

#include <cstddef>
#include <cstdint>

namespace platform {

// Fills the buffer with random bytes; false when the source failed.
bool CryptGenRandom(std::uint8_t* buffer, std::size_t length);

} // namespace platform
