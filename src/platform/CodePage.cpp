#include "platform/CodePage.h"

#include "platform/System.h"
#include "platform/TextCodec.h"

#include <array>

namespace platform {

namespace {

// The characters of bytes 0x80 to 0xFF. Bytes a code page leaves undefined stand for the C1
// control of the same number, as the system's own tables have it, so every byte round-trips.
struct TCodePageTable {
    std::uint32_t Number;
    std::array<char16_t, 128> High;
};

constexpr TCodePageTable CentralEuropean{
    1250,
    {0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039,
     0x015A, 0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
     0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
     0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
     0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
     0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
     0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
     0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
     0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
     0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
     0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9}};

constexpr TCodePageTable WesternEuropean{
    1252,
    {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
     0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
     0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
     0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
     0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
     0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
     0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
     0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
     0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
     0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF}};

// The base letter of each Latin letter with a mark, stroke or hook from U+00C0 to U+024F;
// "." where there is none.
constexpr std::string_view LatinBaseLetters = "AAAAAAACEEEEIIII"  // U+00C0
                                              "DNOOOOO.OUUUUY.."  // U+00D0
                                              "aaaaaaaceeeeiiii"  // U+00E0
                                              "dnooooo.ouuuuy.y"  // U+00F0
                                              "AaAaAaCcCcCcCcDd"  // U+0100
                                              "DdEeEeEeEeEeGgGg"  // U+0110
                                              "GgGgHhHhIiIiIiIi"  // U+0120
                                              "Ii..JjKk.LlLlLl."  // U+0130
                                              ".LlNnNnNn...OoOo"  // U+0140
                                              "OoOoRrRrRrSsSsSs"  // U+0150
                                              "SsTtTtTtUuUuUuUu"  // U+0160
                                              "UuUuWwYyYZzZzZz."  // U+0170
                                              "bB.....CcDD....."  // U+0180
                                              ".FfG...IKkl..NnO"  // U+0190
                                              "Oo..Pp.....tTtTU"  // U+01A0
                                              "u.VYyZz........."  // U+01B0
                                              ".............AaI"  // U+01C0
                                              "iOoUuUuUuUuUu.Aa"  // U+01D0
                                              "Aa..GgGgKkOoOo.."  // U+01E0
                                              "j...Gg..NnAa...."  // U+01F0
                                              "AaAaEeEeIiIiOoOo"  // U+0200
                                              "RrRrUuUuSsTt..Hh"  // U+0210
                                              "......AaEeOoOoOo"  // U+0220
                                              "OoYy......ACcLT."  // U+0230
                                              "......EeJj..RrYy"; // U+0240
constexpr char32_t FirstLatinWithMark = 0x00C0;
static_assert(LatinBaseLetters.size() == 0x0250 - FirstLatinWithMark);

const TCodePageTable& Table(std::uint32_t codePage) {
    if (codePage == CP_ACP) {
        codePage = GetACP();
    }
    switch (codePage) {
    case 1250:
        return CentralEuropean;
    case 1252:
        return WesternEuropean;
    default:
        throw ESystemError("The code page " + std::to_string(codePage) +
                           " is not known to this system (1250 and 1252 are)");
    }
}

// The byte of a character the code page holds; 0 when it has none (U+0000 is handled apart).
std::uint8_t ExactByte(const TCodePageTable& table, char32_t code) {
    if (code < 0x80) {
        return static_cast<std::uint8_t>(code);
    }
    for (std::size_t i = 0; i < table.High.size(); ++i) {
        if (table.High[i] == code) {
            return static_cast<std::uint8_t>(0x80 + i);
        }
    }
    return 0;
}

// A plainer character that stands in for one the code page lacks; 0 when there is none.
char32_t BestFit(char32_t code) {
    if (code >= FirstLatinWithMark && code < FirstLatinWithMark + LatinBaseLetters.size()) {
        const char base = LatinBaseLetters[code - FirstLatinWithMark];
        return base == '.' ? 0 : static_cast<char32_t>(base);
    }
    if (code >= 0xFF01 && code <= 0xFF5E) {
        return code - 0xFF01 + 0x21; // fullwidth forms
    }
    if ((code >= 0x2000 && code <= 0x200A) || code == 0x202F || code == 0x205F || code == 0x3000) {
        return ' ';
    }
    if ((code >= 0x2010 && code <= 0x2012) || code == 0x2212) {
        return '-';
    }
    return 0;
}

} // namespace

bool IsValidCodePage(std::uint32_t codePage) {
    return codePage == CentralEuropean.Number || codePage == WesternEuropean.Number;
}

std::uint32_t GetACP() {
    return SystemInstalled() ? MachineFacts().AnsiCodePage : WesternEuropean.Number;
}

std::string Utf8ToCodePage(std::uint32_t codePage, std::string_view text, bool* replaced) {
    const TCodePageTable& table = Table(codePage);
    bool anyReplaced = false;
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t code = DecodeUtf8(text, pos);
        std::uint8_t byte = ExactByte(table, code);
        if (byte == 0 && code != 0) {
            const char32_t fit = BestFit(code);
            byte = fit == 0 ? 0 : ExactByte(table, fit);
            anyReplaced = true;
        }
        out += static_cast<char>(byte == 0 && code != 0 ? '?' : byte);
    }
    if (replaced != nullptr) {
        *replaced = anyReplaced;
    }
    return out;
}

std::string CodePageToUtf8(std::uint32_t codePage, std::string_view bytes) {
    const TCodePageTable& table = Table(codePage);
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        AppendUtf8(out, byte < 0x80 ? char32_t(byte) : char32_t(table.High[byte - 0x80]));
    }
    return out;
}

std::string Utf8ToAnsi(std::string_view text, bool* replaced) {
    return Utf8ToCodePage(CP_ACP, text, replaced);
}

std::string AnsiToUtf8(std::string_view bytes) {
    return CodePageToUtf8(CP_ACP, bytes);
}

} // namespace platform
