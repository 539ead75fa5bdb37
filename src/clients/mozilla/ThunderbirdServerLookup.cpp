// Finding the servers a profile already has, the way Thunderbird itself finds them.

#include "ThunderbirdDetail.h"

#include "MozillaPrefsLine.h"

namespace thunderbird_detail {

std::optional<TListedAccount> FindPopAccount(const TMozillaPrefsFile& prefs,
                                             const std::string& userName, const std::string& host) {
    const std::string wantedHost = prefs_detail::LowerAscii(host);
    for (const std::string& key : SplitList(ReadText(prefs, "mail.accountmanager.accounts"))) {
        const std::optional<TAccountLinks> links = ReadAccountLinks(prefs, key);
        if (!links || links->Identity.empty()) {
            continue;
        }
        const std::string server = "mail.server." + links->Server + ".";
        if (ReadText(prefs, server + "type") == "pop3" &&
            prefs_detail::LowerAscii(ReadText(prefs, server + "hostname")) == wantedHost &&
            ReadText(prefs, server + "userName") == userName) {
            return TListedAccount{key, *links};
        }
    }
    return std::nullopt;
}

std::string FindSmtpServer(const TMozillaPrefsFile& prefs, const std::string& host,
                           const std::string& userName) {
    const std::string wantedHost = prefs_detail::LowerAscii(host);
    const std::string wantedUser = prefs_detail::LowerAscii(userName);
    for (const std::string& key : SplitList(ReadText(prefs, "mail.smtpservers"))) {
        const std::string server = "mail.smtpserver." + key + ".";
        if (prefs.Exists(server + "hostname") &&
            prefs_detail::LowerAscii(ReadText(prefs, server + "hostname")) == wantedHost &&
            prefs_detail::LowerAscii(ReadText(prefs, server + "username")) == wantedUser) {
            return key;
        }
    }
    return std::string();
}

} // namespace thunderbird_detail
