#pragma once
// Registry and GUID helpers shared by the stores and the change monitors. The readers never
// raise for a missing value or one of another type: they answer empty or the default.

#include "platform/Guid.h"
#include "platform/Registry.h"

#include <cstdint>
#include <optional>
#include <string>

// The GUID type and its text form come from the platform: "{XXXXXXXX-...}" in and out.
using platform::GuidToString;
using platform::SameGuid;
using platform::StringToGuid;
using platform::TGUID;

// The 32 lower-case hexadecimal digits of the GUID text without braces and dashes, in text order
// ("9375cff0413111d3b88a00104b2a6676"), as MAPI names its keys.
std::string GuidToHexDigits(const TGUID& guid);
// 32 hexadecimal digits of either case in text order; nullopt for anything else.
std::optional<TGUID> HexDigitsToGuid(const std::string& digits);

// The text of a plain string value (not an expandable one); empty otherwise.
std::string ReadRegStringChecked(platform::TRegistry& reg, const std::string& name);
// A 32-bit integer value, or the default when missing or of another type.
int ReadRegIntegerDef(platform::TRegistry& reg, const std::string& name, int defaultValue);
// UTF-16 text kept in a binary value, up to its first NUL; empty unless the value is binary.
std::string ReadRegWideString(platform::TRegistry& reg, const std::string& name);
// Writes the text as UTF-16 with one NUL character after it (2 * length + 2 bytes), binary.
void WriteRegWideString(platform::TRegistry& reg, const std::string& name, const std::string& text);
// The first 16 bytes of a binary value; the all-zero GUID unless the value is binary.
TGUID ReadRegGuid(platform::TRegistry& reg, const std::string& name);
void WriteRegGuid(platform::TRegistry& reg, const std::string& name, const TGUID& guid);
// Every byte of the value (of any type) as two upper-case hex digits; empty when missing.
std::string ReadRegBinaryHex(platform::TRegistry& reg, const std::string& name);

// False for text that is no GUID.
bool GuidTextEquals(const std::string& text, const TGUID& guid);
bool SameTextIgnoreCase(const std::string& a, const std::string& b);
// A new GUID in braced upper-case form; empty when none could be made.
std::string NewGuidString();
// The default value of HKLM\SOFTWARE\Wow6432Node\Clients\Mail; empty when missing.
std::string DefaultMailClientName();
