#pragma once
// The lines that differ between two texts, as a shortest edit script (Myers' algorithm) over
// the part between the common beginning and end.

#include <string>
#include <vector>

namespace accounts_tool {

struct TDiffLine {
    char Mark = '+'; // '-' a line only the old text has, '+' one only the new text has
    std::string Text;
    bool operator==(const TDiffLine&) const = default;
};

// The removed and added lines in reading order. When the texts differ in more than
// maxEdits lines, the differing middle is given as removed whole and added whole.
std::vector<TDiffLine> DiffLines(const std::vector<std::string>& before,
                                 const std::vector<std::string>& after, int maxEdits = 2000);

} // namespace accounts_tool
