#pragma once
// Reading one line of prefs.js and the text helpers shared by the preferences file.

#include "MozillaPrefs.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace prefs_detail {

// The line with leading and trailing blanks and control characters removed.
std::string_view TrimLine(std::string_view line);

// Reads one line of prefs.js: appends the preferences of the user_pref statements it starts
// with to `statements` (Mozilla reads several on one line), and answers the text to keep as an
// other line: the whole line when it starts with no statement, or what follows its statements
// when that is not blank (a comment, a statement cut short); none otherwise.
std::optional<std::string_view> ReadLine(std::string_view line,
                                         std::vector<TMozillaPreference>& statements);

// Whether text written between the quotes of a statement reads back whole: no line end, no quote
// without its backslash, no backslash left to escape the closing quote.
bool StandsBetweenQuotes(std::string_view text);

// A signed 64-bit decimal number; text that is not one gives 0.
std::int64_t ParseInt64(std::string_view text);

std::string LowerAscii(std::string_view text);
// Case-insensitive ordering of names.
bool NameLess(const std::string& a, const std::string& b);

} // namespace prefs_detail
