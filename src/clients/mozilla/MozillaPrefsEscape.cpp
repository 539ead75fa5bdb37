#include "MozillaPrefs.h"

#include "platform/TextCodec.h"

#include <cstdint>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Value of `count` hex digits at `pos`, or -1 when they are not all there.
long HexNumber(const std::string& text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size()) {
        return -1;
    }
    long value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int digit = HexDigit(text[pos + i]);
        if (digit < 0) {
            return -1;
        }
        value = value * 16 + digit;
    }
    return value;
}

// Decodes \uHHHH (with a following low surrogate when it is a high one) at `pos` (after the
// "\u"); returns the number of characters consumed after the backslash, 0 when malformed.
std::size_t DecodeUnicode(const std::string& value, std::size_t pos, std::string& out) {
    const long unit = HexNumber(value, pos, 4);
    if (unit < 0) {
        return 0;
    }
    std::uint32_t code = static_cast<std::uint32_t>(unit);
    std::size_t used = 5;
    if (code >= 0xD800 && code <= 0xDBFF && value.compare(pos + 4, 2, "\\u") == 0) {
        const long low = HexNumber(value, pos + 6, 4);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<std::uint32_t>(low) - 0xDC00);
            used = 11;
        }
    }
    platform::AppendUtf8(out, code);
    return used;
}

} // namespace

std::string MozillaEscapeString(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string MozillaUnescapeString(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[i + 1];
        std::size_t used = 1;
        switch (next) {
        case '\\':
        case '"':
        case '\'':
            out += next;
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            const long code = HexNumber(value, i + 2, 2);
            if (code >= 0) {
                platform::AppendUtf8(out, static_cast<char32_t>(code));
                used = 3;
            } else {
                used = 0;
            }
            break;
        }
        case 'u':
            used = DecodeUnicode(value, i + 2, out);
            break;
        default:
            used = 0;
        }
        if (used == 0) {
            out += '\\'; // not an escape this writer knows: keep the text as it stands
        } else {
            i += used;
        }
    }
    return out;
}
