// Helpers shared by the Thunderbird store's reading and writing halves.

#include "ThunderbirdDetail.h"

#include "MozillaPrefsLine.h"

#include <platform/Files.h>

#include <algorithm>
#include <cstring>

namespace thunderbird_detail {

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) {
        return name;
    }
    return dir.back() == '\\' ? dir + name : dir + "\\" + name;
}

std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        const std::string_view entry =
            prefs_detail::TrimLine(std::string_view(list).substr(start, end - start));
        if (!entry.empty()) {
            entries.emplace_back(entry);
        }
        start = end + 1;
    }
    return entries;
}

std::int32_t DigitsNumber(const std::string& text) {
    std::int64_t number = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            number = std::min<std::int64_t>(number * 10 + (c - '0'), kMaxKeyNumber);
        }
    }
    return static_cast<std::int32_t>(number);
}

std::int32_t HighestSmtpNumberIn(const TMozillaPrefsFile& prefs) {
    std::int32_t highest = 0;
    for (const std::string& entry : SplitList(ReadText(prefs, "mail.smtpservers"))) {
        highest = std::max(highest, DigitsNumber(entry));
    }
    return highest;
}

std::string ReadText(const TMozillaPrefsFile& prefs, const std::string& name,
                     const std::string& def) {
    return prefs.Exists(name) ? MozillaUnescapeString(prefs.GetString(name)) : def;
}

std::string RequireText(const TMozillaPrefsFile& prefs, const std::string& name) {
    return MozillaUnescapeString(prefs.GetString(name));
}

void WriteText(TMozillaPrefsFile& prefs, const std::string& name, const std::string& text) {
    prefs.SetString(name, MozillaEscapeString(text));
}

TProfileFiles::TProfileFiles(const std::string& profileDir)
    : PrefsPath(JoinPath(profileDir, kPrefsFile)), Passwords(JoinPath(profileDir, kSignonsFile)) {
    Prefs.Load(PrefsPath);
}

void WriteLocalFoldersScaffolding(const std::string& profileDir, TMozillaPrefsFile& prefs) {
    const std::string mailDir = JoinPath(profileDir, "Mail");
    const std::string localFolders = JoinPath(mailDir, "Local Folders");
    for (const std::string& dir :
         {JoinPath(profileDir, "ImapMail"), mailDir, JoinPath(profileDir, "News"), localFolders}) {
        platform::ForceDirectories(dir);
    }
    prefs.SetString("mail.account.account1.server", "server1");
    prefs.SetString("mail.accountmanager.defaultaccount", "account2");
    prefs.SetString("mail.accountmanager.localfoldersserver", "server1");
    WriteText(prefs, "mail.root.none", mailDir);
    prefs.SetString("mail.root.none-rel", "[ProfD]Mail");
    WriteText(prefs, "mail.root.pop3", mailDir);
    prefs.SetString("mail.root.pop3-rel", "[ProfD]Mail");
    WriteText(prefs, "mail.server.server1.directory", localFolders);
    prefs.SetString("mail.server.server1.directory-rel", "[ProfD]Mail/Local Folders");
    prefs.SetString("mail.server.server1.hostname", "Local Folders");
    prefs.SetString("mail.server.server1.name", "Local Folders");
    prefs.SetString("mail.server.server1.type", "none");
    prefs.SetString("mail.server.server1.userName", "nobody");
    prefs.SetString("mail.smtp.defaultserver", "smtp1");
    prefs.SetBool("mail.startup.enabledMailCheckOnce", true);
}

std::string SafeFolderName(const std::string& host) {
    std::string name = host;
    bool onlyDots = true;
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr) {
            c = '_';
        }
        onlyDots = onlyDots && c == '.';
    }
    return onlyDots ? name + "_" : name;
}

} // namespace thunderbird_detail
