#include "MozillaPrefs.h"

#include "MozillaPrefsLine.h"
#include "TextLines.h"

#include <platform/Files.h>

#include <algorithm>
#include <string_view>

using prefs_detail::LowerAscii;

TMozillaPreference::TMozillaPreference(std::string name, std::string value)
    : Value(std::move(value)), Name(std::move(name)), Kind(TMozillaPrefKind::String) {}

TMozillaPreference::TMozillaPreference(std::string name, const char* value)
    : TMozillaPreference(std::move(name), std::string(value)) {}

TMozillaPreference::TMozillaPreference(std::string name, std::int64_t value)
    : Value(std::to_string(value)), Name(std::move(name)), Kind(TMozillaPrefKind::Integer) {}

TMozillaPreference::TMozillaPreference(std::string name, bool value)
    : Value(value ? "true" : "false"), Name(std::move(name)), Kind(TMozillaPrefKind::Boolean) {}

namespace {

constexpr const char* kMissing = "Parameter does not exist";

void AppendStatement(std::string& out, const TMozillaPreference& p) {
    out += "user_pref(\"";
    out += p.Name;
    if (p.Kind == TMozillaPrefKind::String) {
        out += "\", \"";
        out += p.Value;
        out += "\");\r\n";
    } else {
        out += "\", ";
        out += p.Value;
        out += ");\r\n";
    }
}

// Whether the text is written back and read again as a value of that kind.
bool IsLiteralOf(TMozillaPrefKind kind, const std::string& text) {
    switch (kind) {
    case TMozillaPrefKind::Integer:
        return std::to_string(prefs_detail::ParseInt64(text)) == text;
    case TMozillaPrefKind::Boolean:
        return text == "true" || text == "false";
    default:
        return true;
    }
}

} // namespace

void TMozillaPrefsFile::Clear() {
    Preferences_.clear();
    OtherLines_.clear();
    Index_.Clear();
    HasDuplicates_ = false;
}

void TMozillaPrefsFile::Load(const std::string& path) {
    if (const std::optional<std::string> bytes = platform::ReadFileBytes(path)) {
        LoadFromText(*bytes);
    }
}

void TMozillaPrefsFile::LoadFromText(std::string_view bytes) {
    Clear();
    const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    Preferences_.reserve(lines + 1);
    Index_.Reserve(lines + 1);
    std::vector<TMozillaPreference> statements; // of one line; reused
    ForEachLine(bytes, [this, &statements](std::string_view line) {
        statements.clear();
        const std::optional<std::string_view> other = prefs_detail::ReadLine(line, statements);
        for (TMozillaPreference& preference : statements) {
            Append(std::make_unique<TMozillaPreference>(std::move(preference)));
        }
        if (other) {
            OtherLines_.emplace_back(*other);
        }
    });
}

void TMozillaPrefsFile::SaveToFile(const std::string& path) {
    platform::WriteFileAtomic(path, SaveToText());
}

std::string TMozillaPrefsFile::SaveToText() {
    SortPreferences();
    std::string out;
    std::size_t size = 0;
    for (const auto& line : OtherLines_) {
        size += line.size() + 2;
    }
    for (const auto& p : Preferences_) {
        size += p->Name.size() + p->Value.size() + 20;
    }
    out.reserve(size);
    for (const auto& line : OtherLines_) {
        out += line;
        out += "\r\n";
    }
    for (const auto& p : Preferences_) {
        AppendStatement(out, *p);
    }
    return out;
}

// Equal names keep their order, so the last of a duplicated name stays the one looked up. A file
// read in sorted order with a few preferences added sorts only the added tail and merges it.
void TMozillaPrefsFile::SortPreferences() {
    const auto less = [](const auto& a, const auto& b) {
        return prefs_detail::NameLess(a->Name, b->Name);
    };
    const auto tail = std::is_sorted_until(Preferences_.begin(), Preferences_.end(), less);
    std::stable_sort(tail, Preferences_.end(), less);
    std::inplace_merge(Preferences_.begin(), tail, Preferences_.end(), less);
}

TMozillaPreference* TMozillaPrefsFile::Find(const std::string& name) const {
    return Index_.Find(name);
}

void TMozillaPrefsFile::Append(std::unique_ptr<TMozillaPreference> preference) {
    if (!Index_.Insert(preference.get())) {
        HasDuplicates_ = true;
    }
    Preferences_.push_back(std::move(preference));
}

bool TMozillaPrefsFile::Exists(const std::string& name) const {
    return Find(name) != nullptr;
}

std::string TMozillaPrefsFile::GetString(const std::string& name) const {
    const TMozillaPreference* p = Find(name);
    if (p == nullptr) {
        throw EMozillaPrefsError(kMissing);
    }
    return p->Value;
}

bool TMozillaPrefsFile::GetBool(const std::string& name) const {
    const std::string value = LowerAscii(GetString(name));
    return value == "true" || value == "1";
}

std::int32_t TMozillaPrefsFile::GetInteger(const std::string& name) const {
    // The low 32 bits of the 64-bit number, as the caller receives them.
    const auto value = static_cast<std::uint64_t>(prefs_detail::ParseInt64(GetString(name)));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
}

std::string TMozillaPrefsFile::GetStringDef(const std::string& name, const std::string& def) const {
    const TMozillaPreference* p = Find(name);
    return p == nullptr ? def : p->Value;
}

bool TMozillaPrefsFile::GetBoolDef(const std::string& name, bool def) const {
    return Exists(name) ? GetBool(name) : def;
}

std::int32_t TMozillaPrefsFile::GetIntegerDef(const std::string& name, std::int32_t def) const {
    return Exists(name) ? GetInteger(name) : def;
}

// A name or string value that could not stand between quotes would end the statement early, and
// Mozilla would stop reading the file there.
void TMozillaPrefsFile::RequireWritable(const std::string& name, const std::string& value) {
    if (!prefs_detail::StandsBetweenQuotes(name) || !prefs_detail::StandsBetweenQuotes(value)) {
        throw EMozillaPrefsError("The preference \"" + name +
                                 "\" cannot be written to prefs.js: its name or value would end "
                                 "the statement.");
    }
}

void TMozillaPrefsFile::SetString(const std::string& name, const std::string& value) {
    RequireWritable(name, value);
    if (TMozillaPreference* p = Find(name)) {
        p->Value = value;
        // Text that is no literal of the kind would be written bare, as code.
        if (!IsLiteralOf(p->Kind, value)) {
            p->Kind = TMozillaPrefKind::String;
        }
    } else {
        Append(std::make_unique<TMozillaPreference>(name, value));
    }
}

void TMozillaPrefsFile::SetBool(const std::string& name, bool value) {
    RequireWritable(name, std::string());
    if (TMozillaPreference* p = Find(name)) {
        p->Value = value ? "true" : "false";
    } else {
        Append(std::make_unique<TMozillaPreference>(name, value));
    }
}

void TMozillaPrefsFile::SetInteger(const std::string& name, std::int64_t value) {
    RequireWritable(name, std::string());
    if (TMozillaPreference* p = Find(name)) {
        p->Value = std::to_string(value);
    } else {
        Append(std::make_unique<TMozillaPreference>(name, value));
    }
}

void TMozillaPrefsFile::Delete(const std::string& name) {
    TMozillaPreference* target = Index_.Find(name);
    if (target == nullptr) {
        return;
    }
    Index_.Erase(name);
    if (!HasDuplicates_) {
        std::erase_if(Preferences_, [target](const auto& p) { return p.get() == target; });
        return;
    }
    // Every statement of the name goes: an earlier one left behind would be read instead.
    std::erase_if(Preferences_,
                  [&name](const auto& p) { return TPrefNameIndex::SameName(p->Name, name); });
}
