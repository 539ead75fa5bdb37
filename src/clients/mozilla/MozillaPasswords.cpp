#include "MozillaPasswords.h"

#include "Base64.h"
#include "MozillaPrefsLine.h"
#include "TextLines.h"

#include <platform/Files.h>

#include <optional>

namespace {

constexpr const char* kEnd = ".";
constexpr const char* kUserField = "\\=username=\\";
constexpr const char* kPasswordField = "*\\=password=\\";

bool IsBlankLine(const std::string& line) {
    return prefs_detail::TrimLine(line).empty();
}

// Lines each entry has after its password value: #2d adds the form's address, #2e also a filler.
std::size_t ExtraLineCount(const std::string& header) {
    return header == "#2d" ? 1 : header == "#2e" ? 2 : 0;
}

// The extra lines of an entry this system adds, as the application writes them for a login
// that came from no form.
std::vector<std::string> NewExtraLines(std::size_t count) {
    std::vector<std::string> lines = {"", "---"};
    lines.resize(count);
    return lines;
}

// The entry a block (without its closing ".") describes; nullopt when the block is not one this
// reader knows.
std::optional<TMozillaPassword> ReadEntry(const std::vector<std::string>& lines,
                                          std::size_t extraLines) {
    if (lines.size() != 5 + extraLines) {
        return std::nullopt;
    }
    const std::string& site = lines[0];
    const std::size_t schemeEnd = site.find("://");
    if (schemeEnd == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t at = site.find('@', schemeEnd + 3);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const std::string& value = lines[4];
    if (value.empty() || value[0] != '~' || !IsBase64(value.substr(1))) {
        return std::nullopt; // encrypted or foreign value
    }
    TMozillaPassword entry;
    entry.Scheme = site.substr(0, schemeEnd);
    entry.User = ReplaceAll(site.substr(schemeEnd + 3, at - schemeEnd - 3), "%40", "@");
    entry.Host = site.substr(at + 1);
    entry.Password = Base64Decode(value.substr(1));
    return entry;
}

void AppendLine(std::string& out, const std::string& line) {
    out += line;
    out += "\r\n";
}

} // namespace

TMozillaPasswordsFile::TMozillaPasswordsFile(std::string fileName)
    : FileName_(std::move(fileName)) {
    if (const std::optional<std::string> text = platform::ReadFileBytes(FileName_)) {
        Read(*text);
    }
}

TMozillaPasswordsFile::TMozillaPasswordsFile(std::string fileName, std::string_view bytes)
    : FileName_(std::move(fileName)) {
    Read(bytes);
}

void TMozillaPasswordsFile::Read(std::string_view text) {
    const std::vector<std::string> lines = SplitLines(text);
    std::size_t pos = 0;
    if (!lines.empty() && !lines[0].empty() && lines[0][0] == '#') {
        // Header, then the rejected sites up to the first ".", kept as they stand.
        Header_ = lines[0];
        for (pos = 1; pos < lines.size() && lines[pos] != kEnd; ++pos) {
            RejectedSites_.push_back(lines[pos]);
        }
        ++pos;
    }
    std::vector<std::string> block;
    for (; pos < lines.size(); ++pos) {
        if (lines[pos] == kEnd) {
            AddBlock(std::move(block));
            block.clear();
        } else if (!block.empty() || !IsBlankLine(lines[pos])) {
            block.push_back(lines[pos]);
        }
    }
    if (!block.empty()) {
        AddBlock(std::move(block)); // the last entry lacks its closing "."
    }
}

void TMozillaPasswordsFile::AddBlock(std::vector<std::string> lines) {
    TBlock block;
    if (std::optional<TMozillaPassword> entry = ReadEntry(lines, ExtraLineCount(Header_))) {
        block.Entry = std::make_unique<TMozillaPassword>(std::move(*entry));
    }
    block.Lines = std::move(lines);
    AddEntry(std::move(block));
}

void TMozillaPasswordsFile::AddEntry(TBlock block) {
    if (TMozillaPassword* entry = block.Entry.get()) {
        Entries_.push_back(entry);
        Index_.try_emplace(Key(entry->Scheme, entry->User, entry->Host), entry);
    }
    Blocks_.push_back(std::move(block));
}

std::string TMozillaPasswordsFile::Key(const std::string& scheme, const std::string& user,
                                       const std::string& host) {
    return prefs_detail::LowerAscii(scheme + "://" + user + "@" + host);
}

std::size_t TMozillaPasswordsFile::KeptBlockCount() const {
    return Blocks_.size() - Entries_.size();
}

std::string TMozillaPasswordsFile::GetPassword(const std::string& scheme, const std::string& user,
                                               const std::string& host) const {
    const auto it = Index_.find(Key(scheme, user, host));
    return it == Index_.end() ? std::string() : it->second->Password;
}

void TMozillaPasswordsFile::SetPassword(const std::string& scheme, const std::string& user,
                                        const std::string& password, const std::string& host) {
    ChangePassword(scheme, user, password, host);
    WritePasswords();
}

void TMozillaPasswordsFile::ChangePassword(const std::string& scheme, const std::string& user,
                                           const std::string& password, const std::string& host) {
    if ((scheme + user + host).find_first_of("\r\n") != std::string::npos ||
        scheme.find("://") != std::string::npos) {
        throw EMozillaPasswordsError("A login cannot be written to " + FileName_ +
                                     ": its scheme, user name or host would break the lines of the "
                                     "file.");
    }
    const auto it = Index_.find(Key(scheme, user, host));
    if (it != Index_.end()) {
        it->second->Password = password;
    } else {
        TBlock block;
        block.Entry =
            std::make_unique<TMozillaPassword>(TMozillaPassword{user, host, password, scheme});
        block.Lines = {"", kUserField, "~", kPasswordField, ""};
        for (std::string& line : NewExtraLines(ExtraLineCount(Header_))) {
            block.Lines.push_back(std::move(line));
        }
        AddEntry(std::move(block));
    }
}

void TMozillaPasswordsFile::WritePasswords() const {
    platform::WriteFileAtomic(FileName_, ToText());
}

std::string TMozillaPasswordsFile::ToText() const {
    std::string out;
    AppendLine(out, Header_);
    for (const std::string& site : RejectedSites_) {
        AppendLine(out, site);
    }
    AppendLine(out, kEnd);
    for (const TBlock& block : Blocks_) {
        if (const TMozillaPassword* entry = block.Entry.get()) {
            AppendLine(out, entry->Scheme + "://" + ReplaceAll(entry->User, "@", "%40") + "@" +
                                entry->Host);
            for (std::size_t i = 1; i <= 3; ++i) {
                AppendLine(out, block.Lines[i]);
            }
            AppendLine(out, "~" + Base64Encode(entry->Password));
            for (std::size_t i = 5; i < block.Lines.size(); ++i) {
                AppendLine(out, block.Lines[i]);
            }
        } else {
            for (const std::string& line : block.Lines) {
                AppendLine(out, line);
            }
        }
        AppendLine(out, kEnd);
    }
    return out;
}
