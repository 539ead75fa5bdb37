#include "platform/IniFile.h"

#include "platform/TextCodec.h"

#include "platform/Files.h"
#include "platform/WinPath.h"

#include <charconv>

namespace platform {

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Notepad saves "Unicode" INI files as UTF-16LE with a byte-order mark; the profile functions
// read those too.
std::string Utf16LeToUtf8(const std::string& bytes) {
    std::u16string units((bytes.size() - 2) / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                         (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
    return Utf16ToUtf8(units);
}

std::string DecodeText(const std::string& bytes) {
    if (bytes.rfind("\xFF\xFE", 0) == 0)
        return Utf16LeToUtf8(bytes);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        return bytes.substr(3);
    return bytes;
}

// The profile functions drop one pair of quotes around a value.
std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

TIniFile TIniFile::FromWindowsPath(const std::string& windowsPath) {
    const auto bytes = ReadFileBytes(windowsPath);
    return bytes ? FromText(*bytes) : TIniFile();
}

TIniFile TIniFile::FromText(const std::string& text) {
    TIniFile ini;
    const std::string decoded = DecodeText(text);
    TSection* current = nullptr;
    std::size_t start = 0;
    while (start < decoded.size()) {
        auto end = decoded.find('\n', start);
        if (end == std::string::npos)
            end = decoded.size();
        const std::string line = Trim(decoded.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            const std::string name =
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            // A repeated section adds to the first one; the first key still wins.
            current = nullptr;
            for (TSection& s : ini.Sections_)
                if (!current && detail::SameTextNoCase(s.Name, name))
                    current = &s;
            if (!current) {
                ini.Sections_.push_back({name, {}});
                current = &ini.Sections_.back();
            }
            continue;
        }
        const auto eq = line.find('=');
        if (!current || eq == std::string::npos)
            continue;
        current->Entries.emplace_back(Trim(line.substr(0, eq)), Unquote(Trim(line.substr(eq + 1))));
    }
    return ini;
}

const TIniFile::TSection* TIniFile::Find(const std::string& section) const {
    for (const TSection& s : Sections_)
        if (detail::SameTextNoCase(s.Name, section))
            return &s;
    return nullptr;
}

std::vector<std::string> TIniFile::Sections() const {
    std::vector<std::string> names;
    for (const TSection& s : Sections_)
        names.push_back(s.Name);
    return names;
}

std::vector<std::string> TIniFile::Keys(const std::string& section) const {
    std::vector<std::string> keys;
    if (const TSection* s = Find(section)) {
        for (const auto& [key, value] : s->Entries) {
            bool seen = false;
            for (const std::string& k : keys)
                seen = seen || detail::SameTextNoCase(k, key);
            if (!seen)
                keys.push_back(key);
        }
    }
    return keys;
}

bool TIniFile::SectionExists(const std::string& section) const {
    return Find(section) != nullptr;
}

std::optional<std::string> TIniFile::Value(const std::string& section,
                                           const std::string& key) const {
    if (const TSection* s = Find(section))
        for (const auto& [k, value] : s->Entries)
            if (detail::SameTextNoCase(k, key))
                return value;
    return std::nullopt;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    return Value(section, key).value_or(def);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    const auto value = Value(section, key);
    if (!value || value->empty())
        return def;
    const char* first = value->data();
    const char* last = first + value->size();
    if (*first == '+')
        ++first;
    int result = 0;
    const auto [ptr, ec] = std::from_chars(first, last, result);
    return ec == std::errc() && ptr == last ? result : def;
}

} // namespace platform
