#include "platform/RegFile.h"
#include "platform/RegText.h"

#include <optional>

namespace platform::reg {

namespace {

constexpr std::u16string_view HeaderV5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view HeaderV4 = u"REGEDIT4";
constexpr std::string_view ClassesRoot = "HKEY_CLASSES_ROOT";
constexpr std::string_view LocalMachine = "HKEY_LOCAL_MACHINE";
constexpr std::uint32_t RegSz = 1, RegExpandSz = 2, RegBinary = 3, RegDword = 4, RegMultiSz = 7;

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// What follows a complete value: nothing, or a "; comment" as hand-written files have it.
bool IsEndOfValue(std::u16string_view rest) {
    rest = TrimLeft(rest);
    return rest.empty() || rest.front() == u';';
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char16_t a = s[i] >= u'A' && s[i] <= u'Z' ? s[i] + 32 : s[i];
        if (a != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Reads hex digits (at most maxDigits) from the front of s.
std::optional<std::uint32_t> TakeHex(std::u16string_view& s, std::size_t maxDigits) {
    std::uint32_t value = 0;
    std::size_t count = 0;
    while (count < s.size() && HexDigit(s[count]) >= 0) {
        if (count == maxDigits) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint32_t>(HexDigit(s[count]));
        ++count;
    }
    if (count == 0) {
        return std::nullopt;
    }
    s.remove_prefix(count);
    return value;
}

std::string Quote(std::u16string_view s) {
    constexpr std::size_t shown = 40;
    std::string text = Utf16ToUtf8(s.substr(0, shown));
    return "\"" + text + (s.size() > shown ? "...\"" : "\"");
}

class TReader {
public:
    TReader(std::u16string text, const std::string& fileName, const std::string& rootName,
            TRegKey& root)
        : Text_(std::move(text)), FileName_(fileName), RootName_(rootName), Root_(root) {}

    void Run();

private:
    bool NextLine(std::u16string_view& line);
    [[noreturn]] void Fail(const std::string& reason) const;
    void ReadHeader();
    void ReadLine(std::u16string_view line);
    void ReadKeyLine(std::u16string_view line);
    TRegKey* ResolveKeyPath(std::u16string_view path, bool create);
    void ReadValueLine(std::u16string_view line);
    std::vector<std::uint8_t> ReadData(std::u16string_view line, std::uint32_t& type);
    std::u16string TakeQuoted(std::u16string_view& s);
    std::vector<std::uint8_t> TakeHexBytes(std::u16string_view s);
    std::vector<std::uint8_t> AnsiToWide(const std::vector<std::uint8_t>& bytes) const;

    std::u16string Text_;
    std::size_t Pos_ = 0;
    int LineNumber_ = 0;
    const std::string& FileName_;
    const std::string& RootName_;
    TRegKey& Root_;
    bool Ansi_ = false;          // REGEDIT4: string data in the ANSI code page
    TRegKey* Current_ = nullptr; // key that value lines belong to
    bool InDeletedKey_ = false;
    std::optional<std::u16string_view> PendingLine_;
};

bool TReader::NextLine(std::u16string_view& line) {
    if (PendingLine_) {
        line = *PendingLine_;
        PendingLine_.reset();
        return true;
    }
    if (Pos_ >= Text_.size()) {
        return false;
    }
    const std::size_t end = Text_.find_first_of(u"\r\n", Pos_);
    const std::size_t stop = end == std::u16string::npos ? Text_.size() : end;
    line = std::u16string_view(Text_).substr(Pos_, stop - Pos_);
    Pos_ = stop;
    if (Pos_ < Text_.size() && Text_[Pos_] == u'\r') {
        ++Pos_;
    }
    if (Pos_ < Text_.size() && Text_[Pos_] == u'\n') {
        ++Pos_;
    }
    ++LineNumber_;
    return true;
}

void TReader::Fail(const std::string& reason) const {
    throw ERegFileError(FileName_ + ", line " + std::to_string(LineNumber_) + ": " + reason);
}

void TReader::Run() {
    ReadHeader();
    std::u16string_view line;
    while (NextLine(line)) {
        ReadLine(line);
    }
}

void TReader::ReadHeader() {
    std::u16string_view line;
    while (NextLine(line)) {
        const std::u16string_view trimmed = TrimRight(TrimLeft(line));
        if (trimmed.empty()) {
            continue;
        }
        if (trimmed == HeaderV5) {
            return;
        }
        if (trimmed == HeaderV4) {
            Ansi_ = true;
            return;
        }
        if (trimmed.front() == u'[' || trimmed.front() == u';') {
            PendingLine_ = line; // a bare body, as fixtures are written
            return;
        }
        Fail("expected the header \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");
    }
}

void TReader::ReadLine(std::u16string_view line) {
    const std::u16string_view text = TrimLeft(line);
    if (TrimRight(text).empty() || text.front() == u';') {
        return;
    }
    if (text.front() == u'[') {
        ReadKeyLine(TrimRight(text));
    } else if (text.front() == u'"' || text.front() == u'@') {
        ReadValueLine(text);
    } else {
        Fail("unexpected text " + Quote(text));
    }
}

void TReader::ReadKeyLine(std::u16string_view line) {
    if (line.back() != u']') {
        Fail("key line without closing bracket: " + Quote(line));
    }
    std::u16string_view path = line.substr(1, line.size() - 2);
    const bool remove = !path.empty() && path.front() == u'-';
    if (remove) {
        path.remove_prefix(1);
    }
    if (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    TRegKey* key = ResolveKeyPath(path, !remove);
    InDeletedKey_ = remove;
    Current_ = remove ? nullptr : key;
    if (!remove) {
        key->Implicit = false;
        return;
    }
    if (key == &Root_) {
        Fail("the root key of the hive cannot be deleted");
    }
    if (key != nullptr) {
        key->Parent()->DeleteSubKey(key->Name());
    }
}

// The key for a path that starts with the hive's root name; nullptr when missing and not created.
TRegKey* TReader::ResolveKeyPath(std::u16string_view path, bool create) {
    if (!IsWellFormedUtf16(path)) {
        Fail("key name is not valid UTF-16");
    }
    std::vector<std::string> names;
    if (!SplitKeyPath(Utf16ToUtf8(path), names) || names.empty()) {
        Fail("key path with an empty name: " + Quote(path));
    }
    std::size_t first = 1;
    if (FoldName(names[0]) == ClassesRoot && FoldName(RootName_) == LocalMachine) {
        names[0] = "Classes";
        names.insert(names.begin(), "Software");
        first = 0;
    } else if (FoldName(names[0]) != FoldName(RootName_)) {
        Fail("key " + Quote(path) + " is not in " + RootName_);
    }
    if (names.size() - first > MaxKeyDepth) {
        Fail("key path nested deeper than " + std::to_string(MaxKeyDepth) +
             " levels: " + Quote(path));
    }
    TRegKey* key = &Root_;
    for (std::size_t i = first; i < names.size() && key != nullptr; ++i) {
        if (!create) {
            key = key->FindSubKey(names[i]);
            continue;
        }
        bool created = false;
        key = &key->SubKey(names[i], &created);
        if (created) {
            key->Implicit = true;
        }
    }
    return key;
}

void TReader::ReadValueLine(std::u16string_view line) {
    if (InDeletedKey_) {
        Fail("value line below a deleted key");
    }
    if (Current_ == nullptr) {
        Fail("value line before any key");
    }
    std::u16string name;
    if (line.front() == u'@') {
        line.remove_prefix(1);
    } else {
        name = TakeQuoted(line);
    }
    if (!IsWellFormedUtf16(name)) {
        Fail("value name is not valid UTF-16");
    }
    line = TrimLeft(line);
    if (line.empty() || line.front() != u'=') {
        Fail("expected \"=\" after the value name");
    }
    line = TrimLeft(line.substr(1));
    const std::string valueName = Utf16ToUtf8(name);
    if (!line.empty() && line.front() == u'-' && IsEndOfValue(line.substr(1))) {
        Current_->DeleteValue(valueName);
        return;
    }
    std::uint32_t type = RegSz;
    std::vector<std::uint8_t> data = ReadData(line, type);
    Current_->SetValue(valueName, type, std::move(data));
}

// The data after "=": "text", dword:n, hex:bytes or hex(type):bytes.
std::vector<std::uint8_t> TReader::ReadData(std::u16string_view line, std::uint32_t& type) {
    std::vector<std::uint8_t> data;
    if (!line.empty() && line.front() == u'"') {
        const std::u16string text = TakeQuoted(line);
        if (!IsEndOfValue(line)) {
            Fail("unexpected text after the string " + Quote(line));
        }
        data.reserve(text.size() * 2 + 2);
        AppendUtf16Bytes(data, text);
        data.insert(data.end(), {0, 0});
        type = RegSz;
        return data;
    }
    if (StartsWithNoCase(line, u"dword:")) {
        std::u16string_view digits = line.substr(6);
        const auto value = TakeHex(digits, 8);
        if (!value || !IsEndOfValue(digits)) {
            Fail("bad dword " + Quote(line.substr(6)));
        }
        for (int i = 0; i < 4; ++i) {
            data.push_back(static_cast<std::uint8_t>(*value >> (8 * i)));
        }
        type = RegDword;
        return data;
    }
    if (!StartsWithNoCase(line, u"hex")) {
        Fail("unknown value type " + Quote(line));
    }
    std::u16string_view rest = line.substr(3);
    type = RegBinary;
    if (!rest.empty() && rest.front() == u'(') {
        rest.remove_prefix(1);
        const auto number = TakeHex(rest, 8);
        if (!number || rest.empty() || rest.front() != u')') {
            Fail("bad value type " + Quote(line));
        }
        type = *number;
        rest.remove_prefix(1);
    }
    if (rest.empty() || rest.front() != u':') {
        Fail("bad value type " + Quote(line));
    }
    data = TakeHexBytes(rest.substr(1));
    if (Ansi_ && (type == RegSz || type == RegExpandSz || type == RegMultiSz)) {
        data = AnsiToWide(data);
    }
    return data;
}

// Takes "text" with its \\ and \" escapes from the front of s.
std::u16string TReader::TakeQuoted(std::u16string_view& s) {
    std::u16string out;
    std::size_t i = 1;
    for (; i < s.size() && s[i] != u'"'; ++i) {
        if (s[i] != u'\\') {
            out += s[i];
            continue;
        }
        if (i + 1 >= s.size() || (s[i + 1] != u'\\' && s[i + 1] != u'"')) {
            Fail("unknown escape in " + Quote(s) + " (write \\\\ for a backslash)");
        }
        out += s[++i];
    }
    if (i >= s.size()) {
        Fail("string without closing quote: " + Quote(s));
    }
    s.remove_prefix(i + 1);
    return out;
}

// Reads "aa,bb,\" byte lists, following continuation lines.
std::vector<std::uint8_t> TReader::TakeHexBytes(std::u16string_view s) {
    std::vector<std::uint8_t> bytes;
    while (true) {
        s = TrimLeft(s);
        if (IsEndOfValue(s)) {
            return bytes;
        }
        if (TrimRight(s) == u"\\") {
            if (!NextLine(s)) {
                Fail("hex data continues past the end of the file");
            }
            continue;
        }
        const auto byte = TakeHex(s, 2);
        if (!byte) {
            Fail("bad hex byte in " + Quote(s));
        }
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        s = TrimLeft(s);
        if (!s.empty() && s.front() == u',') {
            s.remove_prefix(1);
        } else if (!IsEndOfValue(s) && TrimRight(s) != u"\\") {
            Fail("bad hex byte in " + Quote(s));
        }
    }
}

std::vector<std::uint8_t> TReader::AnsiToWide(const std::vector<std::uint8_t>& bytes) const {
    std::vector<std::uint8_t> out;
    AppendUtf16Bytes(out, Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                                       bytes.size())));
    return out;
}

// Number of the line that the end of the decoded text lies on.
int LastLineNumber(const std::u16string& decoded) {
    int lines = 1;
    for (const char16_t c : decoded) {
        lines += c == u'\n' ? 1 : 0;
    }
    return lines;
}

std::u16string DecodeText(const std::string& bytes, const std::string& fileName) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t size = bytes.size();
    const bool bom16 = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    const bool bare16 = !bom16 && size >= 2 && data[0] != 0 && data[1] == 0;
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        throw ERegFileError(fileName + ", line 1: big-endian UTF-16 is not a .reg encoding");
    }
    if (bom16 || bare16) {
        const std::size_t skip = bom16 ? 2 : 0;
        std::u16string text = BytesToUtf16(data + skip, size - skip);
        if ((size - skip) % 2 != 0) {
            throw ERegFileError(fileName + ", line " + std::to_string(LastLineNumber(text)) +
                                ": UTF-16 text ends in the middle of a character");
        }
        return text;
    }
    const bool bom8 = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
    return Utf8ToUtf16(std::string_view(bytes).substr(bom8 ? 3 : 0));
}

} // namespace

void ParseRegFile(const std::string& bytes, const std::string& fileName,
                  const std::string& rootName, TRegKey& root) {
    TReader reader(DecodeText(bytes, fileName), fileName, rootName, root);
    reader.Run();
}

} // namespace platform::reg
