#include "LineDiff.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace accounts_tool {

namespace {

using TLines = std::vector<std::string>;

// The furthest reaching x of each diagonal k (kept with an offset), one copy per edit count.
class TFrontier {
public:
    explicit TFrontier(int maxEdits)
        : Offset_(maxEdits + 1), X_(static_cast<std::size_t>(2 * maxEdits + 3), 0) {}
    int& operator[](int k) { return X_[static_cast<std::size_t>(k + Offset_)]; }
    int operator[](int k) const { return X_[static_cast<std::size_t>(k + Offset_)]; }

private:
    int Offset_;
    std::vector<int> X_;
};

// Whether the step to diagonal k comes down from k + 1 (an insertion) rather than from k - 1.
bool FromAbove(const TFrontier& v, int k, int d) {
    return k == -d || (k != d && v[k - 1] < v[k + 1]);
}

// The frontiers before each edit count up to the one that reaches the end; none when that takes
// more than maxEdits.
std::optional<std::vector<TFrontier>> Trace(const TLines& a, const TLines& b, std::size_t first,
                                            int n, int m, int maxEdits) {
    std::vector<TFrontier> trace;
    TFrontier v(maxEdits);
    for (int d = 0; d <= std::min(n + m, maxEdits); ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            int x = FromAbove(v, k, d) ? v[k + 1] : v[k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && a[first + x] == b[first + y]) {
                ++x;
                ++y;
            }
            v[k] = x;
            if (x >= n && y >= m) {
                return trace;
            }
        }
    }
    return std::nullopt;
}

// Walks the trace back from the end and gives the edits in reading order.
std::vector<TDiffLine> Backtrack(const std::vector<TFrontier>& trace, const TLines& a,
                                 const TLines& b, std::size_t first, int n, int m) {
    std::vector<TDiffLine> edits;
    int x = n;
    int y = m;
    for (int d = static_cast<int>(trace.size()) - 1; d > 0; --d) {
        const TFrontier& v = trace[static_cast<std::size_t>(d)];
        const int k = x - y;
        const int previousK = FromAbove(v, k, d) ? k + 1 : k - 1;
        const int previousX = v[previousK];
        const int previousY = previousX - previousK;
        while (x > previousX && y > previousY) {
            --x;
            --y;
        }
        if (x == previousX) {
            edits.push_back({'+', b[first + static_cast<std::size_t>(y - 1)]});
        } else {
            edits.push_back({'-', a[first + static_cast<std::size_t>(x - 1)]});
        }
        x = previousX;
        y = previousY;
    }
    std::reverse(edits.begin(), edits.end());
    return edits;
}

} // namespace

std::vector<TDiffLine> DiffLines(const TLines& before, const TLines& after, int maxEdits) {
    std::size_t first = 0;
    while (first < before.size() && first < after.size() && before[first] == after[first]) {
        ++first;
    }
    std::size_t endA = before.size();
    std::size_t endB = after.size();
    while (endA > first && endB > first && before[endA - 1] == after[endB - 1]) {
        --endA;
        --endB;
    }
    const int n = static_cast<int>(endA - first);
    const int m = static_cast<int>(endB - first);
    if (const auto trace = Trace(before, after, first, n, m, maxEdits)) {
        return Backtrack(*trace, before, after, first, n, m);
    }
    std::vector<TDiffLine> whole;
    for (std::size_t i = first; i < endA; ++i) {
        whole.push_back({'-', before[i]});
    }
    for (std::size_t i = first; i < endB; ++i) {
        whole.push_back({'+', after[i]});
    }
    return whole;
}

} // namespace accounts_tool
