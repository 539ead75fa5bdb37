#pragma once
// Passwords kept out of what the tool prints. What a save prepares holds passwords as the
// clients store them (signons.txt Base64, sealed blobs, Protected Storage items, logins.json);
// each is shown as "(password)". A file in a format that holds passwords is shown only when it
// can be read as that format.

#include <platform/Registry.h>

#include <string>
#include <string_view>
#include <vector>

namespace accounts_tool {

inline constexpr std::string_view PasswordShown = "(password)";

// The lines of a file as a person reads them, every stored password replaced:
//   *.oeaccount  one line per value, "Name [TYPE] = value"; password values masked
//   logins.json  one line per member, "logins[0].hostname = ..."; password members masked
//   signons*.txt the value line after each password field ("*...") masked
//   prefs.js and other text: its lines, string preferences named "...password..." masked
//   UTF-16 text is shown as text; anything else as "(binary, N bytes)".
std::vector<std::string> FileDisplayLines(std::string_view windowsPath, const std::string& bytes);

// A value named "...password..." that is not a number, or an item of Protected Storage (any
// value below its key that is not a display name).
bool IsSecretRegistryValue(std::string_view keyPath, std::string_view valueName,
                           platform::TRegValueType type);

// Whether the text holds the word, without case (ASCII).
bool ContainsWord(std::string_view text, std::string_view word);

} // namespace accounts_tool
