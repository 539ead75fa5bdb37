#pragma once
// The salted password protection of the ".oeaccount" files: the password as UTF-16LE with one
// zero character after it, sealed with data protection under the client's "Salt" as entropy,
// kept in the file as hexadecimal text (two upper-case digits per byte).

#include <string>

// The sealed password as hexadecimal text; empty when data protection fails. An empty password
// still gives a sealed lone terminator, never empty text.
std::string ProtectPassword(const std::string& password, const std::string& saltHex);
// The password; empty for empty text, text that is not whole bytes of hexadecimal digits, a salt
// that is not, or a blob that does not unseal with that salt. An empty salt is no entropy.
std::string UnprotectPassword(const std::string& hexText, const std::string& saltHex);
