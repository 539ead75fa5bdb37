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
    EJsonError(const std::string& what, std::size_t offset)
        : std::runtime_error(what + " at byte " + std::to_string(offset)), Offset(offset) {}
    std::size_t Offset; // where the text stopped being JSON
};

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

    // A string's text with its escapes decoded (UTF-8); empty for any other kind.
    std::string Text() const;
    // A number that is a whole number in the signed 64-bit range; none otherwise.
    std::optional<std::int64_t> Int64() const;

    // Arrays: the items. Objects: the members in order.
    std::vector<TJsonValue>& Items() { return Items_; }
    const std::vector<TJsonValue>& Items() const { return Items_; }
    std::vector<TMember>& Members() { return Members_; }
    const std::vector<TMember>& Members() const { return Members_; }

    // The first member of that name; none when missing or when this is no object.
    const TJsonValue* Find(std::string_view name) const;
    TJsonValue* Find(std::string_view name);
    // Replaces the first member of that name in its place, or appends one. Objects only.
    TJsonValue& Set(std::string_view name, TJsonValue value);

    friend class TJsonReader;
    friend void AppendJson(std::string& out, const TJsonValue& value);

private:
    TKind Kind_ = TKind::Null;
    std::string Raw_ = "null"; // scalars: the source text (strings without their quotes)
    std::vector<TJsonValue> Items_;
    std::vector<TMember> Members_;
};

// Parses a whole JSON text (an optional UTF-8 byte-order mark, one value, blanks around it).
// Raises EJsonError naming the byte offset where it stops being JSON; nesting deeper than
// kMaxJsonDepth is refused the same way.
inline constexpr int kMaxJsonDepth = 512;
TJsonValue ParseJson(std::string_view bytes);
// Compact JSON: no blanks, scalars as they were read or made.
std::string WriteJson(const TJsonValue& value);
