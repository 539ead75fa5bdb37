#pragma once
// Where the stores take random numbers from (password reference names, salts). The stores hold
// a reference to one, so tests can hand in a source that answers what they need.

#include "platform/Guid.h"

#include <cstddef>
#include <cstdint>

class TRandomSource {
public:
    virtual ~TRandomSource() = default;
    // Fills the buffer; raises platform::ESystemError when no random bytes can be had.
    virtual void Fill(std::uint8_t* buffer, std::size_t length) = 0;
    // A uniformly drawn number in 0 .. bound - 1 (0 for a bound of 0 or 1).
    std::uint32_t Below(std::uint32_t bound);
};

// The system's cryptographic source, shared by the whole process and safe on every thread.
TRandomSource& SystemRandom();

// A new random GUID (version 4, RFC 4122 variant), as the system makes one, drawn from the source
// so that a test can script it.
platform::TGUID NewRandomGuid(TRandomSource& random);
