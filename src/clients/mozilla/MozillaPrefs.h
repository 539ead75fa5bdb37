#pragma once
// prefs.js: a file of user_pref("NAME", VALUE); statements, read however many stand on a line and
// written one per line. The file class reads, changes and writes it back byte-faithfully: string
// values are held exactly as they stand between the quotes (escapes neither decoded nor added).
// Callers that store free text escape it themselves with MozillaEscapeString and read it with
// MozillaUnescapeString.

#include "MozillaPrefsIndex.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class EMozillaPrefsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TMozillaPrefKind : std::uint8_t { String = 0, Integer = 1, Boolean = 2 };

class TMozillaPreference {
public:
    TMozillaPreference(std::string name, std::string value);
    // Without this a string literal would choose the boolean constructor.
    TMozillaPreference(std::string name, const char* value);
    TMozillaPreference(std::string name, std::int64_t value);
    TMozillaPreference(std::string name, bool value);

    std::string Value; // string: raw text between the quotes; integer: digits; "true"/"false"
    std::string Name;
    TMozillaPrefKind Kind;
};

class TMozillaPrefsFile {
public:
    TMozillaPrefsFile() = default;
    TMozillaPrefsFile(const TMozillaPrefsFile&) = delete;
    TMozillaPrefsFile& operator=(const TMozillaPrefsFile&) = delete;

    // Replaces the content with the file's; a missing file leaves the object empty.
    void Load(const std::string& path);
    // Replaces the content with the statements and other lines of the text (bytes in).
    void LoadFromText(std::string_view bytes);
    // Other lines first, then the preferences sorted by name ignoring case, CR LF line ends.
    // Written atomically; write errors propagate.
    void SaveToFile(const std::string& path);
    // The bytes SaveToFile writes (the preferences stay sorted afterwards).
    std::string SaveToText();

    bool Exists(const std::string& name) const;
    // Raising getters: EMozillaPrefsError("Parameter does not exist") for a missing name.
    std::string GetString(const std::string& name) const;
    bool GetBool(const std::string& name) const;
    std::int32_t GetInteger(const std::string& name) const;
    std::string GetStringDef(const std::string& name, const std::string& def) const;
    bool GetBoolDef(const std::string& name, bool def) const;
    std::int32_t GetIntegerDef(const std::string& name, std::int32_t def) const;

    // An existing preference keeps its kind; a new one is appended with the setter's kind. Text
    // given to SetString that is no literal of an existing preference's kind (a number, true or
    // false) makes it a string preference. A name, or a string value, that could not stand
    // between quotes (a line end, a quote without its backslash, a backslash at its end) raises
    // EMozillaPrefsError naming the preference, and nothing changes.
    void SetString(const std::string& name, const std::string& value);
    void SetBool(const std::string& name, bool value);
    void SetInteger(const std::string& name, std::int64_t value);
    void Delete(const std::string& name);

    std::size_t Count() const { return Preferences_.size(); }
    const TMozillaPreference& Item(std::size_t index) const { return *Preferences_.at(index); }
    const std::vector<std::string>& OtherLines() const { return OtherLines_; }

private:
    TMozillaPreference* Find(const std::string& name) const;
    static void RequireWritable(const std::string& name, const std::string& value);
    void Append(std::unique_ptr<TMozillaPreference> preference);
    void Clear();
    void SortPreferences();

    std::vector<std::unique_ptr<TMozillaPreference>> Preferences_;
    std::vector<std::string> OtherLines_;
    TPrefNameIndex Index_; // name -> last preference of that name, the one Mozilla applies
    bool HasDuplicates_ = false;
};

// Escapes text for a string value the way Mozilla's own writer does: backslash and double quote
// get a backslash, CR and LF become \r and \n, so the text can never end the statement or line.
std::string MozillaEscapeString(const std::string& text);
// Decodes the escapes of a string value: \\ \" \' \n \r \t \xHH \uHHHH; unknown ones are kept.
std::string MozillaUnescapeString(const std::string& value);
