#pragma once
// Text and path rules that Windows applies to file names (internal to platform/).

#include <string>
#include <string_view>
#include <vector>

namespace platform::detail {

// Lower-cases ASCII and the Latin letters of U+00C0..U+017F, leaving other UTF-8 text as it is;
// enough to compare names the way the file system and the registry do.
std::string FoldCase(std::string_view text);
bool SameTextNoCase(std::string_view a, std::string_view b);

// Windows wildcard match ("*", "?"), ignoring case; "*.*" matches every name.
bool WildcardMatch(std::string_view pattern, std::string_view name);
bool HasWildcards(std::string_view text);

// A path split into its drive ("C:") and components, already resolved.
struct TWinPath {
    std::string Drive; // upper-case drive with colon; empty for a UNC path
    std::vector<std::string> Components;
    bool Valid = true; // false for names Windows would refuse (control characters, <>"|)
};
// Resolves "/" to "\", ".", ".." (never above the root) and relative paths against `current`.
TWinPath ParseWinPath(std::string_view path, std::string_view current);
std::string JoinWinPath(const TWinPath& path);

} // namespace platform::detail
