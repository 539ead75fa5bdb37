#pragma once
// JSON as the Mozilla stores keep it (logins.json): read into a tree that remembers everything it
// was given, written back compact the way the application itself writes it. Members keep their
// order; numbers, strings and literals keep their source text, so a value nobody changed is
// written back byte for byte, however it was spelled. Bytes in, bytes out: no files here.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class EJsonError : public std::runtime_error {
public:
    // "<what> at line <line> (byte <offset>)"; line is where offset stands, from 1.
    EJsonError(const std::string& what, std::size_t offset, std::size_t line)
        : std::runtime_error(what + " at line " + std::to_string(line) + " (byte " +
                             std::to_string(offset) + ")"),
          Offset(offset), Line(line) {}
    std::size_t Offset; // where the text stopped being JSON
    std::size_t Line;
};

// The line, counted from 1, on which a byte offset of the text stands.
std::size_t JsonLineOf(std::string_view text, std::size_t offset);

class TJsonValue {
public:
    enum class TKind { Null, Boolean, Number, String, Array, Object };
    using TMember = std::pair<std::string, TJsonValue>; // name as decoded text

    TJsonValue() = default; // null
    static TJsonValue Boolean(bool value);
    static TJsonValue Integer(std::int64_t value);
    static TJsonValue String(std::string_view text);
    static TJsonValue Array();
    static TJsonValue Object();

    TKind Kind() const { return Kind_; }
    bool IsNull() const { return Kind_ == TKind::Null; }
    bool IsString() const { return Kind_ == TKind::String; }
    bool IsObject() const { return Kind_ == TKind::Object; }
    bool IsArray() const { return Kind_ == TKind::Array; }
    bool IsTrue() const { return Kind_ == TKind::Boolean && Raw_ == "true"; }
    // Where the value starts in the text it was read from; 0 for a value made here.
    std::size_t Offset() const { return Offset_; }

    // A string's text with its escapes decoded (UTF-8); empty for any other kind.
    std::string Text() const;
    // A number that is a whole number in the signed 64-bit range; none otherwise.
    std::optional<std::int64_t> Int64() const;

    // Arrays: the items. Objects: the members in order.
    std::vector<TJsonValue>& Items() { return Items_; }
    const std::vector<TJsonValue>& Items() const { return Items_; }
    std::vector<TMember>& Members() { return Members_; }
    const std::vector<TMember>& Members() const { return Members_; }

    // The member of that name the application reads: of a name given twice the last one, as
    // JSON.parse keeps it. None when missing or when this is no object.
    const TJsonValue* Find(std::string_view name) const;
    TJsonValue* Find(std::string_view name);
    // Replaces that member (the one Find finds) in its place, or appends one. Objects only.
    TJsonValue& Set(std::string_view name, TJsonValue value);

    friend class TJsonReader;
    friend void AppendJson(std::string& out, const TJsonValue& value);

private:
    TKind Kind_ = TKind::Null;
    std::size_t Offset_ = 0;
    std::string Raw_ = "null"; // scalars: the source text (strings without their quotes)
    std::vector<TJsonValue> Items_;
    std::vector<TMember> Members_;
};

// Parses a whole JSON text (an optional UTF-8 byte-order mark, one value, blanks around it).
// Raises EJsonError naming the line and byte offset where it stops being JSON; nesting deeper
// than kMaxJsonDepth is refused the same way.
inline constexpr int kMaxJsonDepth = 512;
TJsonValue ParseJson(std::string_view bytes);
// Compact JSON: no blanks, scalars as they were read or made.
std::string WriteJson(const TJsonValue& value);
