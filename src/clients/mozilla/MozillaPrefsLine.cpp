#include "MozillaPrefsLine.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace prefs_detail {

namespace {

constexpr std::string_view kStatementStart = "user_pref";

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

// Position of the quote that closes the string opening at `open`, backslash escapes honoured;
// npos when it is never closed.
std::size_t ClosingQuote(std::string_view text, std::size_t open) {
    for (std::size_t pos = open + 1; pos < text.size(); ++pos) {
        if (text[pos] == '\\') {
            ++pos;
        } else if (text[pos] == '"') {
            return pos;
        }
    }
    return std::string_view::npos;
}

TMozillaPreference MakePreference(std::string name, std::string_view rest) {
    if (!rest.empty() && rest.front() == '"') {
        std::string_view inner = rest.substr(1);
        if (!inner.empty()) {
            inner.remove_suffix(1);
        }
        return TMozillaPreference(std::move(name), std::string(inner));
    }
    const std::string lower = LowerAscii(rest);
    if (lower == "true" || lower == "false") {
        return TMozillaPreference(std::move(name), lower == "true");
    }
    return TMozillaPreference(std::move(name), ParseInt64(rest));
}

struct TStatement {
    TMozillaPreference Preference;
    std::size_t End; // just after its ";"
};

// user_pref ( "name" , value ) ; at `start`, with quoted strings scanned escape by escape, so a
// value holding `",` or `);` is read whole. Text that does not follow this form is no statement
// and is carried through unchanged, rather than being guessed at.
std::optional<TStatement> StatementAt(std::string_view t, std::size_t start) {
    std::size_t pos = SkipBlanks(t, start + kStatementStart.size());
    if (pos >= t.size() || t[pos] != '(') {
        return std::nullopt;
    }
    pos = SkipBlanks(t, pos + 1);
    if (pos >= t.size() || t[pos] != '"') {
        return std::nullopt;
    }
    const std::size_t nameEnd = ClosingQuote(t, pos);
    if (nameEnd == std::string_view::npos) {
        return std::nullopt;
    }
    std::string name(t.substr(pos + 1, nameEnd - pos - 1));
    pos = SkipBlanks(t, nameEnd + 1);
    if (pos >= t.size() || t[pos] != ',') {
        return std::nullopt;
    }
    const std::size_t valueStart = SkipBlanks(t, pos + 1);
    std::size_t valueEnd = valueStart;
    if (valueStart < t.size() && t[valueStart] == '"') {
        valueEnd = ClosingQuote(t, valueStart);
        if (valueEnd == std::string_view::npos) {
            return std::nullopt;
        }
        ++valueEnd;
        pos = valueEnd;
    } else {
        pos = t.find(')', valueStart);
        if (pos == std::string_view::npos) {
            return std::nullopt;
        }
        valueEnd = pos;
        while (valueEnd > valueStart && IsBlank(t[valueEnd - 1])) {
            --valueEnd;
        }
    }
    pos = SkipBlanks(t, pos);
    if (pos >= t.size() || t[pos] != ')') {
        return std::nullopt;
    }
    pos = SkipBlanks(t, pos + 1);
    if (pos >= t.size() || t[pos] != ';') {
        return std::nullopt;
    }
    return TStatement{MakePreference(std::move(name), t.substr(valueStart, valueEnd - valueStart)),
                      pos + 1};
}

} // namespace

std::string_view TrimLine(std::string_view line) {
    std::size_t begin = SkipBlanks(line, 0);
    std::size_t end = line.size();
    while (end > begin && IsBlank(line[end - 1])) {
        --end;
    }
    return line.substr(begin, end - begin);
}

std::optional<std::string_view> ReadLine(std::string_view line,
                                         std::vector<TMozillaPreference>& statements) {
    const std::string_view t = TrimLine(line);
    std::size_t pos = 0;
    bool any = false;
    while (t.substr(pos, kStatementStart.size()) == kStatementStart) {
        std::optional<TStatement> statement = StatementAt(t, pos);
        if (!statement) {
            break;
        }
        statements.push_back(std::move(statement->Preference));
        pos = SkipBlanks(t, statement->End);
        any = true;
    }
    if (!any) {
        return line; // as read, untrimmed
    }
    return pos < t.size() ? std::optional<std::string_view>(t.substr(pos)) : std::nullopt;
}

bool StandsBetweenQuotes(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '\\' && pos + 1 < text.size()) {
            ++pos; // the escaped character may be anything but a line end
        } else if (c == '\\' || c == '"') {
            return false;
        }
        if (text[pos] == '\r' || text[pos] == '\n') {
            return false;
        }
    }
    return true;
}

std::int64_t ParseInt64(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return 0;
        }
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return 0;
    }
    return value;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

bool NameLess(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    // Names share long prefixes ("mail.server.server12."): skip equal bytes a word at a time.
    for (; i + 8 <= n; i += 8) {
        std::uint64_t wa = 0;
        std::uint64_t wb = 0;
        std::memcpy(&wa, a.data() + i, 8);
        std::memcpy(&wb, b.data() + i, 8);
        if (wa != wb) {
            break;
        }
    }
    for (; i < n; ++i) {
        if (a[i] == b[i]) {
            continue;
        }
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z') {
            ca = static_cast<unsigned char>(ca - 'A' + 'a');
        }
        if (cb >= 'A' && cb <= 'Z') {
            cb = static_cast<unsigned char>(cb - 'A' + 'a');
        }
        if (ca != cb) {
            return ca < cb;
        }
    }
    return a.size() < b.size();
}

} // namespace prefs_detail
