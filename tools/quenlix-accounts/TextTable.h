#pragma once
// A plain text table: columns as wide as their widest cell (counted in characters of UTF-8
// text), separated by two blanks, a rule under the header, no blanks at the ends of lines.

#include <string>
#include <vector>

namespace accounts_tool {

class TTextTable {
public:
    explicit TTextTable(std::vector<std::string> header);
    void AddRow(std::vector<std::string> cells); // as many cells as the header has
    std::string Text() const;

private:
    std::vector<std::vector<std::string>> Rows_; // the header first
};

// Characters of UTF-8 text (bytes that do not continue a sequence).
std::size_t CharacterCount(const std::string& text);

} // namespace accounts_tool
