#include "Base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 0..63 for alphabet characters, -1 for anything else.
constexpr std::array<std::int8_t, 256> MakeDecodeTable() {
    std::array<std::int8_t, 256> table{};
    for (auto& entry : table) {
        entry = -1;
    }
    for (int i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
    }
    return table;
}

constexpr std::array<std::int8_t, 256> kDecode = MakeDecodeTable();

std::uint32_t Sextet(char c) {
    const std::int8_t value = kDecode[static_cast<unsigned char>(c)];
    return value < 0 ? 0 : static_cast<std::uint32_t>(value);
}

} // namespace

std::string Base64Encode(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t n = (static_cast<unsigned char>(bytes[i]) << 16) |
                                (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                                static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        std::uint32_t n = static_cast<unsigned char>(bytes[i]) << 16;
        if (left == 2) {
            n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += left == 2 ? kAlphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string Base64Decode(const std::string& text) {
    if (text.size() % 4 != 0) {
        throw EBase64Error("Base64: Incorrect string format");
    }
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') {
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    }
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const std::uint32_t n = (Sextet(text[i]) << 18) | (Sextet(text[i + 1]) << 12) |
                                (Sextet(text[i + 2]) << 6) | Sextet(text[i + 3]);
        out += static_cast<char>((n >> 16) & 0xFF);
        out += static_cast<char>((n >> 8) & 0xFF);
        out += static_cast<char>(n & 0xFF);
    }
    out.resize(out.size() - padding);
    return out;
}

bool IsBase64(const std::string& text) {
    if (text.size() % 4 != 0) {
        return false;
    }
    std::size_t end = text.size();
    for (int pad = 0; pad < 2 && end > 0 && text[end - 1] == '='; ++pad) {
        --end;
    }
    for (std::size_t i = 0; i < end; ++i) {
        if (kDecode[static_cast<unsigned char>(text[i])] < 0) {
            return false;
        }
    }
    return true;
}
