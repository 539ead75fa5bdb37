#include "accounts/RandomSource.h"

#include "platform/CryptRandom.h"
#include "platform/System.h"

namespace {

class TSystemRandom : public TRandomSource {
public:
    void Fill(std::uint8_t* buffer, std::size_t length) override {
        if (!platform::CryptGenRandom(buffer, length)) {
            throw platform::ESystemError("The system's random number source failed");
        }
    }
};

} // namespace

std::uint32_t TRandomSource::Below(std::uint32_t bound) {
    if (bound <= 1) {
        return 0;
    }
    // Draws above the largest multiple of the bound are drawn again, so that no remainder is
    // more likely than another.
    const std::uint64_t span = std::uint64_t(1) << 32;
    const std::uint64_t limit = span - span % bound;
    for (;;) {
        std::uint8_t bytes[4];
        Fill(bytes, sizeof bytes);
        const std::uint64_t value = std::uint64_t(bytes[0]) | std::uint64_t(bytes[1]) << 8 |
                                    std::uint64_t(bytes[2]) << 16 | std::uint64_t(bytes[3]) << 24;
        if (value < limit) {
            return static_cast<std::uint32_t>(value % bound);
        }
    }
}

TRandomSource& SystemRandom() {
    static TSystemRandom source;
    return source;
}

platform::TGUID NewRandomGuid(TRandomSource& random) {
    std::uint8_t bytes[16];
    random.Fill(bytes, sizeof bytes);
    platform::TGUID guid = platform::GuidFromBytes(bytes);
    guid.Data3 = static_cast<std::uint16_t>((guid.Data3 & 0x0FFF) | 0x4000);
    guid.Data4[0] = static_cast<std::uint8_t>((guid.Data4[0] & 0x3F) | 0x80);
    return guid;
}
