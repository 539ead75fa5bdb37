#include "MozillaInstallHash.h"

#include <platform/TextCodec.h>

#include <cinttypes>
#include <cstdio>
#include <utility>

// CityHash64 by Geoff Pike and Jyrki Alakuijala, in the 1.0 form that Mozilla's installer and
// application hash install folders with (later CityHash versions give other values).

namespace {

using u64 = std::uint64_t;
using TPair = std::pair<u64, u64>;

constexpr u64 k0 = 0xc3a5c85c97cb3127ULL;
constexpr u64 k1 = 0xb492b66fbe98f273ULL;
constexpr u64 k2 = 0x9ae16a3b2f90404fULL;
constexpr u64 k3 = 0xc949d7c7509e6557ULL;

// Little-endian loads, whatever the machine's byte order.
u64 Load64(const unsigned char* p) {
    u64 value = 0;
    for (int i = 7; i >= 0; --i) {
        value = (value << 8) | p[i];
    }
    return value;
}

u64 Load32(const unsigned char* p) {
    return static_cast<u64>(p[0]) | static_cast<u64>(p[1]) << 8 | static_cast<u64>(p[2]) << 16 |
           static_cast<u64>(p[3]) << 24;
}

u64 Rotate(u64 value, int shift) {
    return shift == 0 ? value : (value >> shift) | (value << (64 - shift));
}

u64 ShiftMix(u64 value) {
    return value ^ (value >> 47);
}

u64 HashLen16(u64 low, u64 high) {
    constexpr u64 kMul = 0x9ddfea08eb382d69ULL;
    u64 a = (low ^ high) * kMul;
    a ^= a >> 47;
    u64 b = (high ^ a) * kMul;
    b ^= b >> 47;
    return b * kMul;
}

u64 HashLen0to16(const unsigned char* s, std::size_t len) {
    if (len > 8) {
        const u64 a = Load64(s);
        const u64 b = Load64(s + len - 8);
        return HashLen16(a, Rotate(b + len, static_cast<int>(len))) ^ b;
    }
    if (len >= 4) {
        const u64 a = Load32(s);
        return HashLen16(len + (a << 3), Load32(s + len - 4));
    }
    if (len > 0) {
        const std::uint32_t y = s[0] + (static_cast<std::uint32_t>(s[len >> 1]) << 8);
        const std::uint32_t z =
            static_cast<std::uint32_t>(len) + (static_cast<std::uint32_t>(s[len - 1]) << 2);
        return ShiftMix(y * k2 ^ z * k3) * k2;
    }
    return k2;
}

u64 HashLen17to32(const unsigned char* s, std::size_t len) {
    const u64 a = Load64(s) * k1;
    const u64 b = Load64(s + 8);
    const u64 c = Load64(s + len - 8) * k2;
    const u64 d = Load64(s + len - 16) * k0;
    return HashLen16(Rotate(a - b, 43) + Rotate(c, 30) + d, a + Rotate(b ^ k3, 20) + len - c);
}

u64 HashLen33to64(const unsigned char* s, std::size_t len) {
    u64 z = Load64(s + 24);
    u64 a = Load64(s) + (len + Load64(s + len - 16)) * k0;
    u64 b = Rotate(a + z, 52);
    u64 c = Rotate(a, 37);
    a += Load64(s + 8);
    c += Rotate(a, 7);
    a += Load64(s + 16);
    const u64 vf = a + z;
    const u64 vs = b + Rotate(a, 31) + c;
    a = Load64(s + 16) + Load64(s + len - 32);
    z = Load64(s + len - 8);
    b = Rotate(a + z, 52);
    c = Rotate(a, 37);
    a += Load64(s + len - 24);
    c += Rotate(a, 7);
    a += Load64(s + len - 16);
    const u64 wf = a + z;
    const u64 ws = b + Rotate(a, 31) + c;
    const u64 r = ShiftMix((vf + ws) * k2 + (wf + vs) * k0);
    return ShiftMix(r * k0 + vs) * k2;
}

// 16 bytes of hash from s[0..31] and two seeds.
TPair WeakHashLen32WithSeeds(const unsigned char* s, u64 a, u64 b) {
    const u64 w = Load64(s);
    const u64 x = Load64(s + 8);
    const u64 y = Load64(s + 16);
    const u64 z = Load64(s + 24);
    a += w;
    b = Rotate(b + a + z, 21);
    const u64 c = a;
    a += x;
    a += y;
    b += Rotate(a, 44);
    return {a + z, b + c};
}

} // namespace

std::uint64_t CityHash64(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t len = bytes.size();
    if (len <= 16) {
        return HashLen0to16(s, len);
    }
    if (len <= 32) {
        return HashLen17to32(s, len);
    }
    if (len <= 64) {
        return HashLen33to64(s, len);
    }
    // Longer input: the tail first, then 64-byte blocks with 56 bytes of state.
    u64 x = Load64(s);
    u64 y = Load64(s + len - 16) ^ k1;
    u64 z = Load64(s + len - 56) ^ k0;
    TPair v = WeakHashLen32WithSeeds(s + len - 64, len, y);
    TPair w = WeakHashLen32WithSeeds(s + len - 32, len * k1, k0);
    z += ShiftMix(v.second) * k1;
    x = Rotate(z + x, 39) * k1;
    y = Rotate(y, 33) * k1;
    for (std::size_t blocks = (len - 1) / 64; blocks > 0; --blocks, s += 64) {
        x = Rotate(x + y + v.first + Load64(s + 16), 37) * k1;
        y = Rotate(y + v.second + Load64(s + 48), 42) * k1;
        x ^= w.second;
        y ^= v.first;
        z = Rotate(z ^ w.first, 33);
        v = WeakHashLen32WithSeeds(s, v.second * k1, x + w.first);
        w = WeakHashLen32WithSeeds(s + 32, z + w.second, y);
        std::swap(z, x);
    }
    return HashLen16(HashLen16(v.first, w.first) + ShiftMix(y) * k1 + z,
                     HashLen16(v.second, w.second) + x);
}

std::string MozillaInstallHash(std::string_view installFolder) {
    std::string utf16;
    for (const char16_t unit : platform::Utf8ToUtf16(installFolder)) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    char text[17];
    std::snprintf(text, sizeof text, "%" PRIX64, CityHash64(utf16));
    return text;
}
