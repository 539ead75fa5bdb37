#include "TextTable.h"

#include <algorithm>

namespace accounts_tool {

namespace {

constexpr const char* ColumnGap = "  ";

std::string FormatRow(const std::vector<std::string>& cells,
                      const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        line += cells[i];
        if (i + 1 < cells.size()) {
            line.append(widths[i] - CharacterCount(cells[i]), ' ');
            line += ColumnGap;
        }
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line + "\n";
}

} // namespace

std::size_t CharacterCount(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

TTextTable::TTextTable(std::vector<std::string> header) {
    Rows_.push_back(std::move(header));
}

void TTextTable::AddRow(std::vector<std::string> cells) {
    cells.resize(Rows_.front().size());
    Rows_.push_back(std::move(cells));
}

std::string TTextTable::Text() const {
    std::vector<std::size_t> widths(Rows_.front().size(), 0);
    for (const auto& row : Rows_) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], CharacterCount(row[i]));
        }
    }
    std::vector<std::string> rule;
    for (const std::size_t width : widths) {
        rule.emplace_back(width, '-');
    }
    std::string text = FormatRow(Rows_.front(), widths) + FormatRow(rule, widths);
    for (std::size_t i = 1; i < Rows_.size(); ++i) {
        text += FormatRow(Rows_[i], widths);
    }
    return text;
}

} // namespace accounts_tool
