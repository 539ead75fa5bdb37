// The line diff of the dry run: a shortest edit script, checked against the longest common
// subsequence on many small random texts.
#include "LineDiff.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using accounts_tool::DiffLines;
using accounts_tool::TDiffLine;
using TLines = std::vector<std::string>;

std::size_t LongestCommonSubsequence(const TLines& a, const TLines& b) {
    std::vector<std::vector<std::size_t>> table(a.size() + 1,
                                                std::vector<std::size_t>(b.size() + 1, 0));
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            table[i][j] = a[i - 1] == b[j - 1] ? table[i - 1][j - 1] + 1
                                               : std::max(table[i - 1][j], table[i][j - 1]);
        }
    }
    return table[a.size()][b.size()];
}

// Whether the lines of one mark appear in the text in this order.
bool IsSubsequence(const std::vector<TDiffLine>& edits, char mark, const TLines& text) {
    std::size_t at = 0;
    for (const TDiffLine& edit : edits) {
        if (edit.Mark != mark) {
            continue;
        }
        while (at < text.size() && text[at] != edit.Text) {
            ++at;
        }
        if (at == text.size()) {
            return false;
        }
        ++at;
    }
    return true;
}

TEST(LineDiffTest, ShowsOnlyTheLinesThatChangeInReadingOrder) {
    const TLines before = {"a", "b", "c", "d", "e"};
    const TLines after = {"a", "c", "d", "x", "e", "f"};
    const std::vector<TDiffLine> expected = {{'-', "b"}, {'+', "x"}, {'+', "f"}};
    EXPECT_EQ(DiffLines(before, after), expected);
    EXPECT_TRUE(DiffLines(before, before).empty());
    EXPECT_EQ(DiffLines({}, {"new"}), (std::vector<TDiffLine>{{'+', "new"}}));
}

TEST(LineDiffTest, IsAShortestEditScriptOnRandomTexts) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 500; ++round) {
        TLines texts[2];
        for (TLines& text : texts) {
            const int size = static_cast<int>(random() % 12);
            for (int i = 0; i < size; ++i) {
                text.push_back(std::string(1, static_cast<char>('a' + random() % 4)));
            }
        }
        const std::vector<TDiffLine> edits = DiffLines(texts[0], texts[1]);
        const std::size_t common = LongestCommonSubsequence(texts[0], texts[1]);
        EXPECT_EQ(edits.size(), texts[0].size() + texts[1].size() - 2 * common) << round;
        EXPECT_TRUE(IsSubsequence(edits, '-', texts[0])) << round;
        EXPECT_TRUE(IsSubsequence(edits, '+', texts[1])) << round;
    }
}

TEST(LineDiffTest, BeyondTheEditLimitTheMiddleIsReplacedWhole) {
    const TLines before = {"same", "a", "b", "c", "end"};
    const TLines after = {"same", "x", "b", "y", "end"};
    const std::vector<TDiffLine> whole = {{'-', "a"}, {'-', "b"}, {'-', "c"},
                                          {'+', "x"}, {'+', "b"}, {'+', "y"}};
    EXPECT_EQ(DiffLines(before, after, 3), whole);
    EXPECT_EQ(DiffLines(before, after, 4).size(), 4u);
}

} // namespace
