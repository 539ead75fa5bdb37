#include "platform/CryptRandom.h"

#include <climits>
#include <openssl/rand.h>

namespace platform {

bool CryptGenRandom(std::uint8_t* buffer, std::size_t length) {
    while (length > 0) {
        const int chunk = length > INT_MAX ? INT_MAX : static_cast<int>(length);
        if (RAND_bytes(buffer, chunk) != 1) {
            return false;
        }
        buffer += chunk;
        length -= static_cast<std::size_t>(chunk);
    }
    return true;
}

} // namespace platform
