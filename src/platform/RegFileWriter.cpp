#include "platform/RegFile.h"
#include "platform/RegText.h"

namespace platform::reg {

namespace {

constexpr std::uint32_t RegSz = 1, RegBinary = 3, RegDword = 4;
// regedit breaks a hex line once it has reached this many characters, so that no line with
// its trailing backslash is longer than 80.
constexpr std::size_t HexLineLimit = 77;
constexpr std::u16string_view Digits = u"0123456789abcdef";

void AppendEscaped(std::u16string& out, std::u16string_view text) {
    out += u'"';
    for (const char16_t c : text) {
        if (c == u'\\' || c == u'"') {
            out += u'\\';
        }
        out += c;
    }
    out += u'"';
}

// A string that regedit shows as "text": one NUL at the end and no line break inside.
bool IsPlainString(const std::vector<std::uint8_t>& data, std::u16string& text) {
    if (data.size() < 2 || data.size() % 2 != 0) {
        return false;
    }
    text = BytesToUtf16(data.data(), data.size());
    if (text.back() != u'\0') {
        return false;
    }
    text.pop_back();
    return text.find_first_of(std::u16string_view(u"\0\r\n", 3)) == std::u16string::npos;
}

void AppendHexByte(std::u16string& out, std::uint8_t byte) {
    out += Digits[byte >> 4];
    out += Digits[byte & 0x0F];
}

// "hex:" or "hex(N):" and the bytes, wrapped as regedit wraps them. lineLength is what the
// line already holds.
void AppendHex(std::u16string& out, std::uint32_t type, const std::vector<std::uint8_t>& data,
               std::size_t lineLength) {
    const std::size_t start = out.size();
    out += u"hex";
    if (type != RegBinary) {
        out += u'(';
        std::u16string number;
        do {
            number.insert(number.begin(), Digits[type & 0x0F]);
            type >>= 4;
        } while (type != 0);
        out += number + u')';
    }
    out += u':';
    lineLength += out.size() - start;
    for (std::size_t i = 0; i < data.size(); ++i) {
        AppendHexByte(out, data[i]);
        if (i + 1 == data.size()) {
            break;
        }
        out += u',';
        lineLength += 3;
        if (lineLength >= HexLineLimit) {
            out += u"\\\r\n  ";
            lineLength = 2;
        }
    }
}

void AppendValue(std::u16string& out, const TRegValue& value) {
    const std::size_t lineStart = out.size();
    if (value.Name.empty()) {
        out += u'@';
    } else {
        AppendEscaped(out, Utf8ToUtf16(value.Name));
    }
    out += u'=';
    std::u16string text;
    if (value.Type == RegSz && IsPlainString(value.Data, text)) {
        AppendEscaped(out, text);
    } else if (value.Type == RegDword && value.Data.size() == 4) {
        out += u"dword:";
        for (int i = 3; i >= 0; --i) {
            AppendHexByte(out, value.Data[static_cast<std::size_t>(i)]);
        }
    } else {
        AppendHex(out, value.Type, value.Data, out.size() - lineStart);
    }
    out += u"\r\n";
}

// A key made only on the way to its subkeys needs no header of its own.
bool NeedsHeader(const TRegKey& key) {
    return !key.Implicit || !key.Values().empty() || key.SubKeys().empty();
}

void AppendKey(std::u16string& out, const TRegKey& key, const std::u16string& path) {
    if (!NeedsHeader(key)) {
        return;
    }
    out += u'[';
    out += path;
    out += u"]\r\n";
    for (const TRegValue& value : key.Values()) {
        AppendValue(out, value);
    }
    out += u"\r\n";
}

// Each key, then its subkeys in order. Walked with a stack of its own and one path buffer, so
// that a deep hive neither recurses nor keeps a copy of the path per level.
void AppendTree(std::u16string& out, const TRegKey& root, std::u16string path) {
    struct TLevel {
        const TRegKey* Key;
        TRegKey::TSubKeys::const_iterator Next;
        std::size_t PathLength;
    };
    std::vector<TLevel> levels;
    AppendKey(out, root, path);
    levels.push_back({&root, root.SubKeys().begin(), path.size()});
    while (!levels.empty()) {
        TLevel& level = levels.back();
        if (level.Next == level.Key->SubKeys().end()) {
            levels.pop_back();
            continue;
        }
        const TRegKey& key = *(level.Next++)->second;
        path.resize(level.PathLength);
        path += u'\\';
        path += Utf8ToUtf16(key.Name());
        AppendKey(out, key, path);
        levels.push_back({&key, key.SubKeys().begin(), path.size()});
    }
}

} // namespace

std::string FormatRegFile(const TRegKey& root, const std::string& rootName) {
    std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n";
    AppendTree(text, root, Utf8ToUtf16(rootName));
    std::string bytes;
    bytes.reserve(text.size() * 2 + 2);
    bytes += "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

} // namespace platform::reg
