#pragma once
// INI files in the manner of the Windows profile functions: sections and keys compared without
// case, values trimmed, ";" comment lines ignored. Read-only.

#include <optional>
#include <string>
#include <vector>

namespace platform {

class TIniFile {
public:
    TIniFile() = default;
    // Reads a file on the simulated drive; a missing or unreadable file gives no sections.
    static TIniFile FromWindowsPath(const std::string& windowsPath);
    static TIniFile FromText(const std::string& text);

    std::vector<std::string> Sections() const; // in file order
    std::vector<std::string> Keys(const std::string& section) const;
    bool SectionExists(const std::string& section) const;
    std::optional<std::string> Value(const std::string& section, const std::string& key) const;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // A value that is not a decimal number gives the default.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;

private:
    struct TSection {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Entries;
    };
    std::vector<TSection> Sections_;
    const TSection* Find(const std::string& section) const;
};

} // namespace platform
