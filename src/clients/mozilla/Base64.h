#pragma once
// Standard Base64 (alphabet A-Z a-z 0-9 + /, "=" padding), as signons.txt stores passwords.

#include <stdexcept>
#include <string>

class EBase64Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string Base64Encode(const std::string& bytes);
// Raises EBase64Error("Base64: Incorrect string format") for a length that is not a multiple of
// 4. Characters outside the alphabet are not rejected (they count as zero bits).
std::string Base64Decode(const std::string& text);
// True when the text is well-formed Base64: a multiple of 4 characters from the alphabet, with
// "=" only as one or two final characters.
bool IsBase64(const std::string& text);
