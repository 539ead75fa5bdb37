#pragma once
// Text of the simulated system: its 8-bit code page is UTF-8, and UTF-16 appears where Windows
// formats demand it. Conversions never fail: invalid input becomes U+FFFD, as the code-page
// conversions of Windows never fail either.

#include <string>
#include <string_view>

namespace platform {

// Decodes one UTF-8 sequence at text[pos] and advances pos past it.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t code);
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace platform
