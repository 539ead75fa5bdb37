#pragma once
// The ".oeaccount" account file of Windows Mail and Windows Live Mail: an XML document whose
// root element (MessageAccount) holds one child element per value. The child is named after the
// value, its "type" attribute says DWORD, SZ or BINARY, and its text is the value: a DWORD as
// hexadecimal digits, an SZ as the string, a BINARY as two hexadecimal digits per byte.
//
// Documents are parsed from bytes and saved to bytes; the stores do the file I/O. Text in and
// out is the program's UTF-8.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

class TOeAccountDocument {
public:
    // A new document: XML 1.0 with the root element MessageAccount and nothing in it.
    TOeAccountDocument();
    ~TOeAccountDocument();
    TOeAccountDocument(TOeAccountDocument&&) noexcept;
    TOeAccountDocument& operator=(TOeAccountDocument&&) noexcept;

    // Parses a whole file in whatever encoding it carries: a byte-order mark (UTF-8, UTF-16,
    // UTF-32), UTF-16 without one, or the 8-bit encoding its declaration names (UTF-8 when it
    // names none or one we do not know; Windows-1250, Windows-1252 and ISO-8859-1 are known).
    // nullopt for a document that is not well-formed XML 1.0 (control characters other than tab
    // and line ends included) or has no root element; `error` then says what is wrong on which
    // line ("line 3: Start-end tags mismatch").
    static std::optional<TOeAccountDocument> Parse(std::string_view bytes,
                                                   std::string* error = nullptr);

    // The document as the clients write it: UTF-16LE with a byte-order mark, the declaration
    // <?xml version="1.0" encoding="utf-16"?> and a CRLF, then the root element with its value
    // elements and no whitespace between them, then a CRLF. Characters that XML 1.0 cannot
    // carry (control characters other than tab, line feed and carriage return) are left out.
    std::string Save() const;

    // Whether the root has a direct child element of exactly that name.
    bool HasValue(std::string_view name) const;

    // The root element; for the typed readers and writers.
    pugi::xml_node Root() const;

private:
    std::unique_ptr<pugi::xml_document> Document_;
};

// The text of the first direct child of the root named `name` whose "type" attribute, compared
// without case, is "dword", "sz" or "binary" respectively; the default when there is no such
// child or its type differs. A DWORD text is hexadecimal digits of either case without a
// prefix, blanks around it allowed, whose value fits 32 bits ("000003E3", "3e1"); any other text
// reads as the default. A BINARY text
// is returned as it stands.
std::uint32_t ReadDwordValue(const TOeAccountDocument& document, std::string_view name,
                             std::uint32_t defaultValue);
std::string ReadStringValue(const TOeAccountDocument& document, std::string_view name,
                            const std::string& defaultValue);
std::string ReadBinaryValue(const TOeAccountDocument& document, std::string_view name,
                            const std::string& defaultValue);

// Sets the first direct child of the root named `name`, or a new one appended at the end of the
// root, to type DWORD, SZ or BINARY and the text: a DWORD as exactly 8 upper-case hexadecimal
// digits, the string, the hexadecimal text. WriteStringValue of an empty value does nothing at
// all; WriteBinaryValue writes even an empty text.
void WriteDwordValue(TOeAccountDocument& document, std::string_view name, std::uint32_t value);
void WriteStringValue(TOeAccountDocument& document, std::string_view name,
                      const std::string& value);
void WriteBinaryValue(TOeAccountDocument& document, std::string_view name,
                      const std::string& hexText);

// WriteStringValue that writes an empty value too, as an element with no text.
void WriteStringValueEvenEmpty(TOeAccountDocument& document, std::string_view name,
                               const std::string& value);

// The 8-digit upper-case form of a DWORD value ("000003E3" for 995).
std::string DwordText(std::uint32_t value);
// The value of a DWORD text as ReadDwordValue takes it; nullopt for anything else.
std::optional<std::uint32_t> ParseDwordText(std::string_view text);
