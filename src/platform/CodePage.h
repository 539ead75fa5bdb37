#pragma once
// The machine's ANSI code page, the 8-bit text of the "A" functions and of formats that keep
// text "in the ANSI code page". The program's own text is UTF-8; convert at those boundaries
// only (WideCharToMultiByte / MultiByteToWideChar with CP_ACP on Windows).
//
// Conversions never fail and never drop a character: one the code page lacks becomes its best
// fit (a Latin letter without its mark, a fullwidth form as its plain one, a typographic space
// or hyphen as the plain one) or "?", one byte per character; every byte decodes to a character.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t CP_ACP = 0;

// The code pages the simulated system knows: 1250 (Central European), 1252 (Western European).
bool IsValidCodePage(std::uint32_t codePage);
// The installed machine's ANSI code page (system.ini, 1252 by default).
std::uint32_t GetACP();

// UTF-8 text in the code page (CP_ACP: the machine's). `replaced`, when given, tells whether a
// character had to be replaced by its best fit or "?". Raises ESystemError for a code page
// IsValidCodePage refuses.
std::string Utf8ToCodePage(std::uint32_t codePage, std::string_view text, bool* replaced = nullptr);
std::string CodePageToUtf8(std::uint32_t codePage, std::string_view bytes);

// The same for the machine's ANSI code page.
std::string Utf8ToAnsi(std::string_view text, bool* replaced = nullptr);
std::string AnsiToUtf8(std::string_view bytes);

} // namespace platform
