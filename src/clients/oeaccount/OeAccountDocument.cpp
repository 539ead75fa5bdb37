#include "clients/oeaccount/OeAccountDocument.h"

#include "platform/CodePage.h"
#include "platform/RegText.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <vector>

namespace {

constexpr const char* RootName = "MessageAccount";
constexpr const char* Declaration = "<?xml version=\"1.0\" encoding=\"utf-16\"?>";

// The option set for account files: whitespace-only text survives when it is an element's only
// content (a value of blanks), everything else as the parser's defaults.
constexpr unsigned ParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The encoding named in the declaration of an 8-bit document ("" when there is none).
std::string DeclaredEncoding(std::string_view bytes) {
    if (bytes.substr(0, 5) != "<?xml") {
        return {};
    }
    const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
    const std::size_t name = declaration.find("encoding");
    if (name == std::string_view::npos) {
        return {};
    }
    const std::size_t quote = declaration.find_first_of("\"'", name);
    if (quote == std::string_view::npos) {
        return {};
    }
    const std::size_t end = declaration.find(declaration[quote], quote + 1);
    if (end == std::string_view::npos) {
        return {};
    }
    return LowerAscii(declaration.substr(quote + 1, end - quote - 1));
}

// The code page of a Windows 8-bit encoding the parser does not know; 0 for any other.
std::uint32_t WindowsCodePage(const std::string& encoding) {
    if (encoding == "windows-1252" || encoding == "cp1252") {
        return 1252;
    }
    if (encoding == "windows-1250" || encoding == "cp1250") {
        return 1250;
    }
    return 0;
}

// The UTF-8 text the parser worked on, to turn its offsets into lines.
std::string TextAsParsed(std::string_view bytes, pugi::xml_encoding encoding) {
    const bool little = encoding == pugi::encoding_utf16_le;
    if (little || encoding == pugi::encoding_utf16_be) {
        std::u16string units;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto first = static_cast<unsigned char>(bytes[i]);
            const auto second = static_cast<unsigned char>(bytes[i + 1]);
            units += static_cast<char16_t>(little ? first | second << 8 : first << 8 | second);
        }
        return platform::Utf16ToUtf8(units);
    }
    if (encoding == pugi::encoding_latin1) {
        std::string text;
        for (char c : bytes) {
            platform::AppendUtf8(text, static_cast<unsigned char>(c));
        }
        return text;
    }
    return std::string(bytes); // UTF-8 (UTF-32 files give offsets in their own units)
}

int LineAt(const std::string& text, std::ptrdiff_t offset) {
    const auto end = text.begin() + std::clamp<std::ptrdiff_t>(
                                        offset, 0, static_cast<std::ptrdiff_t>(text.size()));
    return 1 + static_cast<int>(std::count(text.begin(), end, '\n'));
}

bool IsForbiddenCharacter(char c) {
    return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

bool HasForbiddenCharacter(const char* text) {
    for (; *text != '\0'; ++text) {
        if (IsForbiddenCharacter(*text)) {
            return true;
        }
    }
    return false;
}

// XML 1.0 has no place for control characters other than tab and line ends, raw or as
// references; a parser that keeps to it (the clients' own does) refuses them.
class TForbiddenCharacterFinder : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& node) override {
        bool found = HasForbiddenCharacter(node.name()) || HasForbiddenCharacter(node.value());
        for (const pugi::xml_attribute& attribute : node.attributes()) {
            found = found || HasForbiddenCharacter(attribute.name()) ||
                    HasForbiddenCharacter(attribute.value());
        }
        if (found) {
            Offset = node.offset_debug();
        }
        return !found;
    }
    std::optional<std::ptrdiff_t> Offset;
};

// Text split by comments or CDATA sections reads as one string, as the DOM's text does.
std::string ElementText(const pugi::xml_node& element) {
    std::string text;
    for (const pugi::xml_node& child : element.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            text += child.value();
        }
    }
    return text;
}

// The first direct child of the root with that name, when its type is the one asked for.
std::optional<std::string> TypedText(const TOeAccountDocument& document, std::string_view name,
                                     const char* lowerType) {
    const pugi::xml_node element = document.Root().child(std::string(name).c_str());
    if (!element) {
        return std::nullopt;
    }
    if (LowerAscii(element.attribute("type").value()) != lowerType) {
        return std::nullopt;
    }
    return ElementText(element);
}

void WriteTyped(TOeAccountDocument& document, std::string_view name, const char* type,
                const std::string& text) {
    pugi::xml_node root = document.Root();
    const std::string elementName(name);
    pugi::xml_node element = root.child(elementName.c_str());
    if (!element) {
        element = root.append_child(elementName.c_str());
    }
    pugi::xml_attribute attribute = element.attribute("type");
    if (!attribute) {
        attribute = element.append_attribute("type");
    }
    attribute.set_value(type);
    // One text node holds the value; whatever the element held before goes.
    while (pugi::xml_node child = element.first_child()) {
        element.remove_child(child);
    }
    if (!text.empty()) {
        element.append_child(pugi::node_pcdata).set_value(text.c_str());
    }
}

class TStringWriter : public pugi::xml_writer {
public:
    explicit TStringWriter(std::string& out) : Out_(out) {}
    void write(const void* data, std::size_t size) override {
        Out_.append(static_cast<const char*>(data), size);
    }

private:
    std::string& Out_;
};

} // namespace

TOeAccountDocument::TOeAccountDocument() : Document_(std::make_unique<pugi::xml_document>()) {
    Document_->append_child(RootName);
}

TOeAccountDocument::~TOeAccountDocument() = default;
TOeAccountDocument::TOeAccountDocument(TOeAccountDocument&&) noexcept = default;
TOeAccountDocument& TOeAccountDocument::operator=(TOeAccountDocument&&) noexcept = default;

std::optional<TOeAccountDocument> TOeAccountDocument::Parse(std::string_view bytes,
                                                            std::string* error) {
    TOeAccountDocument parsed;
    parsed.Document_->reset();
    pugi::xml_parse_result result;
    const std::uint32_t codePage = WindowsCodePage(DeclaredEncoding(bytes));
    if (codePage != 0) {
        const std::string utf8 = platform::CodePageToUtf8(codePage, bytes);
        result = parsed.Document_->load_buffer(utf8.data(), utf8.size(), ParseOptions,
                                               pugi::encoding_utf8);
    } else {
        result = parsed.Document_->load_buffer(bytes.data(), bytes.size(), ParseOptions,
                                               pugi::encoding_auto);
    }
    TForbiddenCharacterFinder finder;
    if (result) {
        parsed.Document_->traverse(finder);
    }
    if (!result || finder.Offset) {
        if (error != nullptr) {
            const std::string text = codePage != 0 ? platform::CodePageToUtf8(codePage, bytes)
                                                   : TextAsParsed(bytes, result.encoding);
            const std::ptrdiff_t offset = result ? *finder.Offset : result.offset;
            *error = "line " + std::to_string(LineAt(text, offset)) + ": " +
                     (result ? "Character not allowed in XML" : result.description());
        }
        return std::nullopt;
    }
    return parsed;
}

std::string TOeAccountDocument::Save() const {
    std::string text = Declaration;
    text += "\r\n";
    TStringWriter writer(text);
    Root().print(writer, "", pugi::format_raw | pugi::format_skip_control_chars,
                 pugi::encoding_utf8);
    text += "\r\n";

    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    platform::reg::AppendUtf16Bytes(bytes, platform::Utf8ToUtf16(text));
    return std::string(bytes.begin(), bytes.end());
}

bool TOeAccountDocument::HasValue(std::string_view name) const {
    return static_cast<bool>(Root().child(std::string(name).c_str()));
}

pugi::xml_node TOeAccountDocument::Root() const {
    return Document_->document_element();
}

std::string DwordText(std::uint32_t value) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) {
        text[static_cast<std::size_t>(i)] = Digits[value & 0xF];
    }
    return text;
}

std::optional<std::uint32_t> ParseDwordText(std::string_view text) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n';
    };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || failure != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::uint32_t ReadDwordValue(const TOeAccountDocument& document, std::string_view name,
                             std::uint32_t defaultValue) {
    const auto text = TypedText(document, name, "dword");
    if (!text) {
        return defaultValue;
    }
    return ParseDwordText(*text).value_or(defaultValue);
}

std::string ReadStringValue(const TOeAccountDocument& document, std::string_view name,
                            const std::string& defaultValue) {
    return TypedText(document, name, "sz").value_or(defaultValue);
}

std::string ReadBinaryValue(const TOeAccountDocument& document, std::string_view name,
                            const std::string& defaultValue) {
    return TypedText(document, name, "binary").value_or(defaultValue);
}

void WriteDwordValue(TOeAccountDocument& document, std::string_view name, std::uint32_t value) {
    WriteTyped(document, name, "DWORD", DwordText(value));
}

void WriteStringValue(TOeAccountDocument& document, std::string_view name,
                      const std::string& value) {
    if (!value.empty()) {
        WriteTyped(document, name, "SZ", value);
    }
}

void WriteStringValueEvenEmpty(TOeAccountDocument& document, std::string_view name,
                               const std::string& value) {
    WriteTyped(document, name, "SZ", value);
}

void WriteBinaryValue(TOeAccountDocument& document, std::string_view name,
                      const std::string& hexText) {
    WriteTyped(document, name, "BINARY", hexText);
}
