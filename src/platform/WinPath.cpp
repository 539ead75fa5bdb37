#include "platform/WinPath.h"

#include "platform/TextCodec.h"

#include <cstdint>

namespace platform::detail {

namespace {

// Decodes one UTF-8 sequence at `i`; returns the code point and advances `i`. Malformed bytes
// come back one by one as themselves, so folding never loses or invents text.
std::uint32_t DecodeAt(std::string_view text, std::size_t& i, std::size_t& length) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    length = 1;
    if (b0 >= 0xC2 && b0 <= 0xDF && i + 1 < text.size()) {
        const auto b1 = static_cast<unsigned char>(text[i + 1]);
        if ((b1 & 0xC0) == 0x80) {
            length = 2;
            return ((b0 & 0x1Fu) << 6) | (b1 & 0x3Fu);
        }
    }
    return b0 < 0x80 ? b0 : 0xFFFFFFFF;
}

std::uint32_t LowerCodePoint(std::uint32_t cp) {
    if (cp >= 'A' && cp <= 'Z')
        return cp + 32;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)
        return cp + 32;
    // Latin Extended-A pairs upper/lower as even/odd, except the few odd-even pairs below.
    if (cp >= 0x100 && cp <= 0x137 && cp % 2 == 0)
        return cp + 1;
    if (cp >= 0x139 && cp <= 0x148 && cp % 2 == 1)
        return cp + 1;
    if (cp >= 0x14A && cp <= 0x177 && cp % 2 == 0)
        return cp + 1;
    if (cp == 0x178)
        return 0xFF;
    if ((cp == 0x179 || cp == 0x17B || cp == 0x17D))
        return cp + 1;
    return cp;
}

bool InvalidNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == ':';
}

// Windows ignores trailing dots and spaces of a name ("notes." is "notes").
std::string TrimNameEnd(std::string name) {
    if (name == "." || name == "..")
        return name;
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    return name;
}

void AddComponents(std::string_view text, TWinPath& path) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\\', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string name = TrimNameEnd(std::string(text.substr(start, end - start)));
        if (name == "..") {
            if (!path.Components.empty())
                path.Components.pop_back();
        } else if (!name.empty() && name != ".") {
            for (char c : name)
                if (InvalidNameChar(c))
                    path.Valid = false;
            path.Components.push_back(std::move(name));
        }
        start = end + 1;
    }
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::string FoldCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 0;
        const std::uint32_t cp = DecodeAt(text, i, length);
        if (cp == 0xFFFFFFFF)
            out.append(text.substr(i, length));
        else
            AppendUtf8(out, LowerCodePoint(cp));
        i += length;
    }
    return out;
}

bool SameTextNoCase(std::string_view a, std::string_view b) {
    // Folding keeps the byte length of every character, so texts of other lengths never match;
    // this spares the directory scans of the file lookup most of their work.
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size();) {
        std::size_t lengthA = 0, lengthB = 0;
        const std::uint32_t ca = DecodeAt(a, i, lengthA);
        const std::uint32_t cb = DecodeAt(b, i, lengthB);
        if (lengthA != lengthB)
            return false;
        if (ca == 0xFFFFFFFF || cb == 0xFFFFFFFF) {
            if (a.substr(i, lengthA) != b.substr(i, lengthB))
                return false;
        } else if (LowerCodePoint(ca) != LowerCodePoint(cb)) {
            return false;
        }
        i += lengthA;
    }
    return true;
}

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::string p = FoldCase(pattern);
    const std::string n = FoldCase(name);
    if (p == "*.*")
        p = "*";
    // Iterative match with backtracking to the last "*".
    std::size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    // "name*." also matches a name without extension, as on Windows.
    if (pi + 1 == p.size() && p[pi] == '.' && n.find('.') == std::string::npos)
        return true;
    return pi == p.size();
}

TWinPath ParseWinPath(std::string_view path, std::string_view current) {
    std::string text(path);
    for (char& c : text)
        if (c == '/')
            c = '\\';
    if (text.rfind("\\\\?\\", 0) == 0)
        text.erase(0, 4);
    TWinPath result;
    if (text.rfind("\\\\", 0) == 0) {
        result.Valid = false; // network paths are not on this machine
        return result;
    }
    std::string_view rest = text;
    if (text.size() >= 2 && IsDriveLetter(text[0]) && text[1] == ':') {
        result.Drive = std::string(1, static_cast<char>(text[0] & ~0x20)) + ":";
        rest.remove_prefix(2);
        if (rest.empty() || rest.front() != '\\') {
            // "C:name" is relative to the current directory of that drive.
            const TWinPath cur = ParseWinPath(current, "C:\\");
            if (cur.Drive == result.Drive)
                result.Components = cur.Components;
        }
    } else if (!rest.empty() && rest.front() == '\\') {
        result.Drive = ParseWinPath(current, "C:\\").Drive;
    } else {
        result = ParseWinPath(current, "C:\\");
    }
    AddComponents(rest, result);
    return result;
}

std::string JoinWinPath(const TWinPath& path) {
    std::string out = path.Drive + "\\";
    for (std::size_t i = 0; i < path.Components.size(); ++i) {
        if (i > 0)
            out += '\\';
        out += path.Components[i];
    }
    return out;
}

} // namespace platform::detail
