#include "platform/Guid.h"

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

bool TakeHex(const std::string& text, std::size_t& pos, int digits, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i, ++pos) {
        if (pos >= text.size()) {
            return false;
        }
        const char c = text[pos];
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return false;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
}

bool TakeChar(const std::string& text, std::size_t& pos, char expected) {
    if (pos >= text.size() || text[pos] != expected) {
        return false;
    }
    ++pos;
    return true;
}

std::uint32_t GetLittleEndian(const std::uint8_t* bytes, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

void PutLittleEndian(std::uint8_t* out, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

} // namespace

std::optional<TGUID> StringToGuid(const std::string& text) {
    TGUID guid;
    std::size_t pos = 0;
    std::uint32_t part = 0;
    bool ok = TakeChar(text, pos, '{') && TakeHex(text, pos, 8, guid.Data1) &&
              TakeChar(text, pos, '-') && TakeHex(text, pos, 4, part);
    guid.Data2 = static_cast<std::uint16_t>(part);
    ok = ok && TakeChar(text, pos, '-') && TakeHex(text, pos, 4, part);
    guid.Data3 = static_cast<std::uint16_t>(part);
    ok = ok && TakeChar(text, pos, '-');
    for (int i = 0; ok && i < 8; ++i) {
        if (i == 2) {
            ok = TakeChar(text, pos, '-');
        }
        ok = ok && TakeHex(text, pos, 2, part);
        guid.Data4[i] = static_cast<std::uint8_t>(part);
    }
    if (!ok || !TakeChar(text, pos, '}') || pos != text.size()) {
        return std::nullopt;
    }
    return guid;
}

std::string GuidToString(const TGUID& guid) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

bool SameGuid(const TGUID& a, const TGUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

std::array<std::uint8_t, 16> GuidToBytes(const TGUID& guid) {
    std::array<std::uint8_t, 16> bytes{};
    PutLittleEndian(bytes.data(), guid.Data1, 4);
    PutLittleEndian(bytes.data() + 4, guid.Data2, 2);
    PutLittleEndian(bytes.data() + 6, guid.Data3, 2);
    std::memcpy(bytes.data() + 8, guid.Data4, 8);
    return bytes;
}

TGUID GuidFromBytes(const std::uint8_t* bytes) {
    TGUID guid;
    guid.Data1 = GetLittleEndian(bytes, 4);
    guid.Data2 = static_cast<std::uint16_t>(GetLittleEndian(bytes + 4, 2));
    guid.Data3 = static_cast<std::uint16_t>(GetLittleEndian(bytes + 6, 2));
    std::memcpy(guid.Data4, bytes + 8, 8);
    return guid;
}

} // namespace platform
