#include "platform/RegText.h"

namespace platform::reg {

namespace {

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Upper case of the scripts names are written in here: Latin, Greek, Cyrillic.
char32_t UpperCase(char32_t code) {
    if (code >= 'a' && code <= 'z') {
        return code - 0x20;
    }
    if (code < 0xE0) {
        return code;
    }
    if (code <= 0xFE) {
        return code == 0xF7 ? code : code - 0x20;
    }
    if (code == 0xFF) {
        return 0x178;
    }
    if (code >= 0x100 && code <= 0x17F) {
        const bool oddIsLower = (code <= 0x137) || (code >= 0x14A && code <= 0x177);
        const bool evenIsLower = (code >= 0x139 && code <= 0x148) || (code >= 0x179);
        if (oddIsLower && (code & 1) == 1) {
            return code - 1;
        }
        if (evenIsLower && (code & 1) == 0 && code != 0x17F) {
            return code - 1;
        }
        return code;
    }
    if (code == 0x3C2) {
        return 0x3A3;
    }
    if ((code >= 0x3B1 && code <= 0x3CB) || (code >= 0x430 && code <= 0x44F)) {
        return code - 0x20;
    }
    if (code >= 0x450 && code <= 0x45F) {
        return code - 0x50;
    }
    return code;
}

} // namespace

bool IsWellFormedUtf16(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            return false;
        }
    }
    return true;
}

std::string FoldName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    bool ascii = true;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
        out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
    }
    if (ascii) {
        return out;
    }
    out.clear();
    std::size_t pos = 0;
    while (pos < name.size()) {
        AppendUtf8(out, UpperCase(DecodeUtf8(name, pos)));
    }
    return out;
}

std::vector<std::uint8_t> StringToRegData(std::string_view text) {
    std::vector<std::uint8_t> data;
    const std::u16string wide = Utf8ToUtf16(text);
    data.reserve(wide.size() * 2 + 2);
    AppendUtf16Bytes(data, wide);
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::string RegDataToString(const std::vector<std::uint8_t>& data) {
    std::u16string wide = BytesToUtf16(data.data(), data.size());
    const auto end = wide.find(u'\0');
    if (end != std::u16string::npos) {
        wide.resize(end);
    }
    return Utf16ToUtf8(wide);
}

std::u16string BytesToUtf16(const std::uint8_t* bytes, std::size_t count) {
    std::u16string out(count / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return out;
}

void AppendUtf16Bytes(std::vector<std::uint8_t>& out, std::u16string_view text) {
    for (const char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

} // namespace platform::reg
