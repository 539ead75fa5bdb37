#include "SecretMasking.h"

#include <clients/mozilla/Json.h>
#include <platform/TextCodec.h>

#include <pugixml.hpp>

#include <algorithm>

namespace accounts_tool {

namespace {

using TLines = std::vector<std::string>;

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithWord(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && ContainsWord(text.substr(text.size() - end.size()), end);
}

std::string_view FileName(std::string_view windowsPath) {
    const std::size_t slash = windowsPath.find_last_of("\\/");
    return slash == std::string_view::npos ? windowsPath : windowsPath.substr(slash + 1);
}

std::string Unreadable(std::string_view format, std::size_t size) {
    return "(" + std::to_string(size) + " bytes, not shown: not readable as " +
           std::string(format) + ")";
}

TLines SplitLines(std::string_view text) {
    TLines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (platform::DecodeUtf8(text, pos) == U'\uFFFD') {
            return false;
        }
    }
    return true;
}

// The text of a file: UTF-8 as it is, UTF-16LE with its byte-order mark decoded; none for
// anything else.
bool DecodeText(const std::string& bytes, std::string& text) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE' && bytes.size() % 2 == 0) {
        std::u16string units;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8);
        }
        text = platform::Utf16ToUtf8(units);
        return true;
    }
    if (bytes.find('\0') != std::string::npos || !IsValidUtf8(bytes)) {
        return false;
    }
    text = bytes;
    return true;
}

void AddXmlLines(const pugi::xml_node& node, const std::string& indent, TLines& lines) {
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        const std::string name = child.name();
        const std::string type = child.attribute("type").as_string();
        const std::string label = indent + name + (type.empty() ? "" : " [" + type + "]");
        if (child.find_child(
                [](const pugi::xml_node& n) { return n.type() == pugi::node_element; })) {
            lines.push_back(label + ":");
            AddXmlLines(child, indent + "  ", lines);
            continue;
        }
        const bool secret = ContainsWord(name, "password") && !ContainsWord(type, "DWORD");
        lines.push_back(label + " = " +
                        (secret ? std::string(PasswordShown) : std::string(child.text().get())));
    }
}

TLines XmlLines(const std::string& bytes) {
    pugi::xml_document document;
    if (!document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default,
                              pugi::encoding_auto)) {
        return {Unreadable("XML", bytes.size())};
    }
    TLines lines;
    AddXmlLines(document, "", lines);
    return lines;
}

// A member whose name speaks of passwords holds them in every string below it.
void AddJsonLines(const TJsonValue& value, const std::string& path, bool secret, TLines& lines) {
    if (value.IsObject()) {
        for (const auto& [name, member] : value.Members()) {
            AddJsonLines(member, path.empty() ? name : path + "." + name,
                         secret || ContainsWord(name, "password"), lines);
        }
    } else if (value.IsArray()) {
        for (std::size_t i = 0; i < value.Items().size(); ++i) {
            AddJsonLines(value.Items()[i], path + "[" + std::to_string(i) + "]", secret, lines);
        }
    } else if (value.IsString()) {
        lines.push_back(path + " = " +
                        (secret ? std::string(PasswordShown) : "\"" + value.Text() + "\""));
    } else {
        lines.push_back(path + " = " + WriteJson(value));
    }
}

TLines JsonLines(const std::string& bytes) {
    try {
        TLines lines;
        AddJsonLines(ParseJson(bytes), "", false, lines);
        return lines;
    } catch (const EJsonError&) {
        return {Unreadable("JSON", bytes.size())};
    }
}

// signons.txt: a field name line starting with "*" is a password field; its value follows.
TLines SignonLines(const std::string& text) {
    TLines lines = SplitLines(text);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i][0] == '*') {
            lines[i + 1] = std::string(PasswordShown);
            ++i;
        }
    }
    return lines;
}

// user_pref("name", "value"); with a name that speaks of passwords.
std::string MaskPreference(const std::string& line) {
    const std::size_t open = line.find("pref(\"");
    if (open == std::string::npos) {
        return line;
    }
    const std::size_t nameStart = open + 6;
    const std::size_t nameEnd = line.find('"', nameStart);
    if (nameEnd == std::string::npos ||
        !ContainsWord(std::string_view(line).substr(nameStart, nameEnd - nameStart), "password")) {
        return line;
    }
    const std::size_t value = line.find_first_not_of(" \t,", nameEnd + 1);
    if (value == std::string::npos || line[value] != '"') {
        return line; // a number or a truth value, not a password
    }
    return line.substr(0, value) + std::string(PasswordShown) + ");";
}

TLines TextLines(const std::string& text) {
    TLines lines = SplitLines(text);
    std::transform(lines.begin(), lines.end(), lines.begin(), MaskPreference);
    return lines;
}

} // namespace

bool ContainsWord(std::string_view text, std::string_view word) {
    const auto found = std::search(text.begin(), text.end(), word.begin(), word.end(),
                                   [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
    return found != text.end() || word.empty();
}

std::vector<std::string> FileDisplayLines(std::string_view windowsPath, const std::string& bytes) {
    const std::string_view name = FileName(windowsPath);
    if (EndsWithWord(name, ".oeaccount")) {
        return XmlLines(bytes);
    }
    if (ContainsWord(name, "logins") && EndsWithWord(name, ".json")) {
        return JsonLines(bytes);
    }
    std::string text;
    const bool readable = DecodeText(bytes, text);
    if (ContainsWord(name, "signons") && EndsWithWord(name, ".txt")) {
        return readable ? SignonLines(text) : TLines{Unreadable("text", bytes.size())};
    }
    if (!readable) {
        return {"(binary, " + std::to_string(bytes.size()) + " bytes)"};
    }
    return TextLines(text);
}

bool IsSecretRegistryValue(std::string_view keyPath, std::string_view valueName,
                           platform::TRegValueType type) {
    using platform::TRegValueType;
    const bool number = type == TRegValueType::DWord || type == TRegValueType::DWordBigEndian ||
                        type == TRegValueType::QWord;
    if (ContainsWord(valueName, "password") && !number) {
        return true;
    }
    const bool text = type == TRegValueType::String || type == TRegValueType::ExpandString;
    return ContainsWord(keyPath, "Protected Storage System Provider") && !text;
}

} // namespace accounts_tool
