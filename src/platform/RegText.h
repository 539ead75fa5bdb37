#pragma once
// Text conversions of the registry: names are UTF-8 in memory, string data is UTF-16LE like
// Windows keeps it, and names compare by their upper-case form.

#include "platform/TextCodec.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::reg {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;
// False when the text holds a lone surrogate.
bool IsWellFormedUtf16(std::u16string_view text);

// The form under which names compare: upper case, so that "Software" and "SOFTWARE" are one.
std::string FoldName(std::string_view name);

// REG_SZ-style data: the text's UTF-16LE code units followed by one NUL unit.
std::vector<std::uint8_t> StringToRegData(std::string_view text);
// The text of REG_SZ-style data up to its first NUL unit (an odd trailing byte is ignored).
std::string RegDataToString(const std::vector<std::uint8_t>& data);

std::u16string BytesToUtf16(const std::uint8_t* bytes, std::size_t count);
void AppendUtf16Bytes(std::vector<std::uint8_t>& out, std::u16string_view text);

} // namespace platform::reg
