#include "Json.h"

#include <platform/TextCodec.h>

#include <algorithm>
#include <charconv>

namespace {

int HexValue(char c) {
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

// The code unit of the four hex digits at pos; -1 when they are not four hex digits.
long HexUnit(std::string_view text, std::size_t pos) {
    if (pos + 4 > text.size()) {
        return -1;
    }
    long unit = 0;
    for (std::size_t i = pos; i < pos + 4; ++i) {
        const int digit = HexValue(text[i]);
        if (digit < 0) {
            return -1;
        }
        unit = unit * 16 + digit;
    }
    return unit;
}

// Decodes the escapes of a string's source text, already checked by the reader. A lone
// surrogate has no UTF-8 form and becomes U+FFFD.
std::string DecodeString(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 >= raw.size()) {
            out += raw[i];
            continue;
        }
        const char c = raw[++i];
        switch (c) {
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
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
        case 'u': {
            long unit = HexUnit(raw, i + 1);
            i += 4;
            if (unit >= 0xD800 && unit <= 0xDBFF && raw.substr(i + 1, 2) == "\\u") {
                const long low = HexUnit(raw, i + 3);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                }
            }
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                unit = 0xFFFD;
            }
            platform::AppendUtf8(out, static_cast<char32_t>(unit));
            break;
        }
        default: // \" \\ \/
            out += c;
        }
    }
    return out;
}

// The source text of a string as the application's own writer spells it.
std::string EncodeString(std::string_view text) {
    static const char* const kHex = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                out += "\\u00";
                out += kHex[u >> 4];
                out += kHex[u & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out;
}

} // namespace

// ---- reading ----------------------------------------------------------------------------------

class TJsonReader {
public:
    explicit TJsonReader(std::string_view text) : Text_(text) {}

    TJsonValue Document() {
        if (Text_.substr(0, 3) == "\xEF\xBB\xBF") {
            Pos_ = 3;
        }
        TJsonValue value = Value(0);
        SkipBlanks();
        if (Pos_ != Text_.size()) {
            Fail("text after the value");
        }
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw EJsonError(what, Pos_, JsonLineOf(Text_, Pos_));
    }

    void SkipBlanks() {
        while (Pos_ < Text_.size() && (Text_[Pos_] == ' ' || Text_[Pos_] == '\t' ||
                                       Text_[Pos_] == '\n' || Text_[Pos_] == '\r')) {
            ++Pos_;
        }
    }

    bool Take(char c) {
        SkipBlanks();
        if (Pos_ < Text_.size() && Text_[Pos_] == c) {
            ++Pos_;
            return true;
        }
        return false;
    }

    void Expect(char c) {
        if (!Take(c)) {
            Fail(std::string("'") + c + "' expected");
        }
    }

    TJsonValue Value(int depth) {
        if (depth >= kMaxJsonDepth) {
            Fail("nesting too deep");
        }
        SkipBlanks();
        if (Pos_ >= Text_.size()) {
            Fail("value expected");
        }
        const std::size_t start = Pos_;
        TJsonValue value = ValueAt(depth);
        value.Offset_ = start;
        return value;
    }

    TJsonValue ValueAt(int depth) {
        switch (Text_[Pos_]) {
        case '{':
            return ObjectValue(depth);
        case '[':
            return ArrayValue(depth);
        case '"':
            return Scalar(TJsonValue::TKind::String, StringSource());
        case 't':
            return Literal("true", TJsonValue::TKind::Boolean);
        case 'f':
            return Literal("false", TJsonValue::TKind::Boolean);
        case 'n':
            return Literal("null", TJsonValue::TKind::Null);
        default:
            return Scalar(TJsonValue::TKind::Number, NumberSource());
        }
    }

    static TJsonValue Scalar(TJsonValue::TKind kind, std::string_view raw) {
        TJsonValue value;
        value.Kind_ = kind;
        value.Raw_ = std::string(raw);
        return value;
    }

    TJsonValue Literal(std::string_view word, TJsonValue::TKind kind) {
        if (Text_.substr(Pos_, word.size()) != word) {
            Fail("unknown literal");
        }
        Pos_ += word.size();
        return Scalar(kind, word);
    }

    TJsonValue ObjectValue(int depth) {
        TJsonValue object = TJsonValue::Object();
        ++Pos_;
        if (Take('}')) {
            return object;
        }
        do {
            SkipBlanks();
            if (Pos_ >= Text_.size() || Text_[Pos_] != '"') {
                Fail("member name expected");
            }
            std::string name = DecodeString(StringSource());
            Expect(':');
            object.Members_.emplace_back(std::move(name), Value(depth + 1));
        } while (Take(','));
        Expect('}');
        return object;
    }

    TJsonValue ArrayValue(int depth) {
        TJsonValue array = TJsonValue::Array();
        ++Pos_;
        if (Take(']')) {
            return array;
        }
        do {
            array.Items_.push_back(Value(depth + 1));
        } while (Take(','));
        Expect(']');
        return array;
    }

    // The source text between the quotes of the string at Pos_; escapes are checked here.
    std::string_view StringSource() {
        const std::size_t start = ++Pos_;
        while (Pos_ < Text_.size() && Text_[Pos_] != '"') {
            const auto c = static_cast<unsigned char>(Text_[Pos_]);
            if (c < 0x20) {
                Fail("control character in a string");
            }
            if (c == '\\') {
                CheckEscape();
            } else {
                ++Pos_;
            }
        }
        if (Pos_ >= Text_.size()) {
            Fail("string not closed");
        }
        return Text_.substr(start, Pos_++ - start);
    }

    void CheckEscape() {
        const char c = Pos_ + 1 < Text_.size() ? Text_[Pos_ + 1] : '\0';
        if (c == 'u') {
            if (HexUnit(Text_, Pos_ + 2) < 0) {
                Fail("bad \\u escape");
            }
            Pos_ += 6;
            return;
        }
        if (std::string_view("\"\\/bfnrt").find(c) == std::string_view::npos) {
            Fail("bad escape");
        }
        Pos_ += 2;
    }

    std::size_t Digits() {
        const std::size_t start = Pos_;
        while (Pos_ < Text_.size() && Text_[Pos_] >= '0' && Text_[Pos_] <= '9') {
            ++Pos_;
        }
        return Pos_ - start;
    }

    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    std::string_view NumberSource() {
        const std::size_t start = Pos_;
        if (Text_[Pos_] == '-') {
            ++Pos_;
        }
        const std::size_t intStart = Pos_;
        const std::size_t intDigits = Digits();
        if (intDigits == 0) {
            Pos_ = start;
            Fail("value expected");
        }
        if (intDigits > 1 && Text_[intStart] == '0') {
            Pos_ = intStart + 1;
            Fail("number with a leading zero");
        }
        if (Pos_ < Text_.size() && Text_[Pos_] == '.') {
            ++Pos_;
            if (Digits() == 0) {
                Fail("digits expected");
            }
        }
        if (Pos_ < Text_.size() && (Text_[Pos_] == 'e' || Text_[Pos_] == 'E')) {
            ++Pos_;
            if (Pos_ < Text_.size() && (Text_[Pos_] == '+' || Text_[Pos_] == '-')) {
                ++Pos_;
            }
            if (Digits() == 0) {
                Fail("digits expected");
            }
        }
        return Text_.substr(start, Pos_ - start);
    }

    std::string_view Text_;
    std::size_t Pos_ = 0;
};

std::size_t JsonLineOf(std::string_view text, std::size_t offset) {
    const std::string_view before = text.substr(0, offset);
    return 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
}

TJsonValue ParseJson(std::string_view bytes) {
    return TJsonReader(bytes).Document();
}

// ---- values -----------------------------------------------------------------------------------

TJsonValue TJsonValue::Boolean(bool value) {
    TJsonValue v;
    v.Kind_ = TKind::Boolean;
    v.Raw_ = value ? "true" : "false";
    return v;
}

TJsonValue TJsonValue::Integer(std::int64_t value) {
    TJsonValue v;
    v.Kind_ = TKind::Number;
    v.Raw_ = std::to_string(value);
    return v;
}

TJsonValue TJsonValue::String(std::string_view text) {
    TJsonValue v;
    v.Kind_ = TKind::String;
    v.Raw_ = EncodeString(text);
    return v;
}

TJsonValue TJsonValue::Array() {
    TJsonValue v;
    v.Kind_ = TKind::Array;
    v.Raw_.clear();
    return v;
}

TJsonValue TJsonValue::Object() {
    TJsonValue v;
    v.Kind_ = TKind::Object;
    v.Raw_.clear();
    return v;
}

std::string TJsonValue::Text() const {
    return Kind_ == TKind::String ? DecodeString(Raw_) : std::string();
}

std::optional<std::int64_t> TJsonValue::Int64() const {
    if (Kind_ != TKind::Number) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const char* end = Raw_.data() + Raw_.size();
    const auto [ptr, error] = std::from_chars(Raw_.data(), end, value);
    if (error != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

const TJsonValue* TJsonValue::Find(std::string_view name) const {
    for (auto member = Members_.rbegin(); member != Members_.rend(); ++member) {
        if (member->first == name) {
            return &member->second;
        }
    }
    return nullptr;
}

TJsonValue* TJsonValue::Find(std::string_view name) {
    return const_cast<TJsonValue*>(std::as_const(*this).Find(name));
}

TJsonValue& TJsonValue::Set(std::string_view name, TJsonValue value) {
    if (TJsonValue* existing = Find(name)) {
        *existing = std::move(value);
        return *existing;
    }
    Members_.emplace_back(std::string(name), std::move(value));
    return Members_.back().second;
}

// ---- writing ----------------------------------------------------------------------------------

void AppendJson(std::string& out, const TJsonValue& value) {
    switch (value.Kind_) {
    case TJsonValue::TKind::String:
        out += '"';
        out += value.Raw_;
        out += '"';
        break;
    case TJsonValue::TKind::Array:
        out += '[';
        for (std::size_t i = 0; i < value.Items_.size(); ++i) {
            if (i > 0) {
                out += ',';
            }
            AppendJson(out, value.Items_[i]);
        }
        out += ']';
        break;
    case TJsonValue::TKind::Object:
        out += '{';
        for (std::size_t i = 0; i < value.Members_.size(); ++i) {
            if (i > 0) {
                out += ',';
            }
            out += '"';
            out += EncodeString(value.Members_[i].first);
            out += "\":";
            AppendJson(out, value.Members_[i].second);
        }
        out += '}';
        break;
    default:
        out += value.Raw_;
    }
}

std::string WriteJson(const TJsonValue& value) {
    std::string out;
    AppendJson(out, value);
    return out;
}
