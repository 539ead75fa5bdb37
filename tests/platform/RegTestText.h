#pragma once
// Helpers for the registry tests: .reg text as regedit writes it.

#include "platform/RegText.h"

#include <string>
#include <string_view>

namespace reg_test {

// The text (lines ending in "\n") as a regedit file: UTF-16LE with BOM and CRLF line ends.
inline std::string Utf16File(std::string_view text) {
    std::string crlf;
    for (const char c : text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : platform::reg::Utf8ToUtf16(crlf)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// The UTF-16LE file back as UTF-8 text with "\n" line ends, for readable comparisons.
inline std::string TextOf(const std::string& utf16File) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(utf16File.data());
    std::string text =
        platform::reg::Utf16ToUtf8(platform::reg::BytesToUtf16(data + 2, utf16File.size() - 2));
    std::string lf;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            lf += text[i];
        }
    }
    return lf;
}

} // namespace reg_test
