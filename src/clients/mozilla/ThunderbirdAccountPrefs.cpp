// Thunderbird store: the preferences and passwords of one account, written into the profile's
// files held in memory.

#include "ThunderbirdDetail.h"

#include "Thunderbird.h"

#include "MozillaPrefsLine.h"
#include "TextLines.h"

#include <accounts/MailAccount.h>
#include <platform/Files.h>

#include <algorithm>

namespace thunderbird_detail {

namespace {

bool PathTaken(const std::string& path) {
    return platform::DirectoryExists(path) || platform::FileExists(path);
}

// The account's own folder below Mail: the host's name, or name-n when that is taken.
std::string NewMailFolder(const std::string& mailDir, const std::string& host) {
    const std::string base = SafeFolderName(host);
    std::string name = base;
    for (int n = 1; PathTaken(JoinPath(mailDir, name)); ++n) {
        name = base + "-" + std::to_string(n);
    }
    const std::string path = JoinPath(mailDir, name);
    if (!platform::ForceDirectories(path)) {
        throw platform::EFileError("Cannot create the folder \"" + path + "\"");
    }
    return name;
}

bool ListContains(const std::vector<std::string>& list, const std::string& key) {
    const std::string lower = prefs_detail::LowerAscii(key);
    return std::any_of(list.begin(), list.end(), [&lower](const std::string& entry) {
        return prefs_detail::LowerAscii(entry) == lower;
    });
}

std::string JoinList(const std::vector<std::string>& list) {
    std::string joined;
    for (const std::string& entry : list) {
        joined += joined.empty() ? entry : "," + entry;
    }
    return joined;
}

// Writes text to the "real" preference when Thunderbird keeps one (a changed login or host),
// else to the ordinary one.
void WriteRealOr(TMozillaPrefsFile& prefs, const std::string& real, const std::string& plain,
                 const std::string& text) {
    WriteText(prefs, prefs.Exists(real) ? real : plain, text);
}

void SetOrDelete(TMozillaPrefsFile& prefs, const std::string& name, bool set, std::int64_t value) {
    if (set) {
        prefs.SetInteger(name, value);
    } else {
        prefs.Delete(name);
    }
}

void SetTrueOrDelete(TMozillaPrefsFile& prefs, const std::string& name, bool set) {
    if (set) {
        prefs.SetBool(name, true);
    } else {
        prefs.Delete(name);
    }
}

const std::string& SmtpLoginPassword(const TMailAccount& account) {
    return account.SmtpAuthMode() == 2 ? account.SmtpPassword() : account.Password();
}

// The records a new POP account needs besides its fields: list entry, links, own mail folder
// and the folder URIs of its identity.
void WriteNewPopAccount(const std::string& profileDir, const TAccountKeys& k,
                        const TPOPMailAccount& account, TMozillaPrefsFile& prefs) {
    std::vector<std::string> accounts = SplitList(ReadText(prefs, "mail.accountmanager.accounts"));
    if (!ListContains(accounts, k.X)) {
        accounts.push_back(k.X);
        WriteText(prefs, "mail.accountmanager.accounts", JoinList(accounts));
    }
    WriteText(prefs, "mail.account." + k.X + ".identities", k.I);
    WriteText(prefs, "mail.account." + k.X + ".server", k.S);
    prefs.SetBool(k.Id("doBcc"), false);
    prefs.SetString(k.Id("doBccList"), "");

    const std::string mailDir = JoinPath(profileDir, "Mail");
    const std::string folder = NewMailFolder(mailDir, account.IncomingServer());
    const std::string user = ReplaceAll(ReplaceAll(account.UserName(), "@", "%40"), " ", "%20");
    const std::string uri = "mailbox://" + user + "@" + account.IncomingServer();
    WriteText(prefs, k.Id("draft_folder"), uri + "/Drafts");
    prefs.SetString(k.Id("drafts_folder_picker_mode"), "0");
    WriteText(prefs, k.Id("fcc_folder"), uri + "/Sent");
    prefs.SetString(k.Id("fcc_folder_picker_mode"), "0");
    WriteText(prefs, k.Id("stationery_folder"), uri + "/Templates");
    prefs.SetString(k.Id("tmpl_folder_picker_mode"), "0");
    prefs.SetBool(k.Id("valid"), true);
    WriteText(prefs, k.Srv("directory"), JoinPath(mailDir, folder));
    WriteText(prefs, k.Srv("directory-rel"), "[ProfD]Mail/" + folder);
    prefs.SetString(k.Srv("type"), "pop3");
}

// Current Thunderbird versions read the login method from authMethod, not from useSecAuth and
// auth_method: without secure authentication it must say "normal password", or a method the
// account had before (an encrypted one, say) would fail against the new server settings.
constexpr std::int64_t kAuthMethodNormalPassword = 3;

template <class TAccount>
void WriteIncomingCommon(const TAccountKeys& k, const TAccount& account, TMozillaPrefsFile& prefs) {
    WriteRealOr(prefs, k.Srv("realhostname"), k.Srv("hostname"), account.IncomingServer());
    prefs.SetInteger(k.Srv("port"), account.IncomingPort());
    prefs.SetBool(k.Srv("useSecAuth"), account.UseSPA());
    if (!account.UseSPA()) {
        prefs.SetInteger(k.Srv("authMethod"), kAuthMethodNormalPassword);
    }
    SetOrDelete(prefs, k.Srv("socketType"), account.UseSSL(), 3);
}

void WritePopFields(const TAccountKeys& k, const TPOPMailAccount& account,
                    TMozillaPrefsFile& prefs) {
    WriteIncomingCommon(k, account, prefs);
    prefs.SetBool(k.Srv("leave_on_server"), account.LeaveOnServer());
    SetTrueOrDelete(prefs, k.Srv("delete_mail_left_on_server"), account.RemoveWhenDeleted());
    SetTrueOrDelete(prefs, k.Srv("delete_by_age_from_server"), account.RemoveWhenExpired());
    SetOrDelete(prefs, k.Srv("num_days_to_leave_on_server"), account.RemoveWhenExpired(),
                account.ExpireDays());
}

// IMAP retention is written the way it is read: by count (retainBy 3) or by age (retainBy 2).
void WriteImapFields(const TAccountKeys& k, const TIMAPMailAccount& account,
                     TMozillaPrefsFile& prefs) {
    WriteIncomingCommon(k, account, prefs);
    if (account.RetainByCount()) {
        prefs.SetInteger(k.Srv("retainBy"), 3);
        prefs.SetInteger(k.Srv("numHdrsToKeep"), account.RetainCount());
    } else if (account.RemoveWhenExpired()) {
        prefs.SetInteger(k.Srv("retainBy"), 2);
        prefs.SetInteger(k.Srv("daysToKeepHdrs"), account.ExpireDays());
        prefs.Delete(k.Srv("numHdrsToKeep"));
    } else {
        prefs.Delete(k.Srv("retainBy"));
        prefs.Delete(k.Srv("numHdrsToKeep"));
    }
    SetTrueOrDelete(prefs, k.Srv("keepUnreadOnly"), account.KeepUnreadOnly());
}

void WriteOutgoing(const TAccountKeys& k, const TMailAccount& account, bool passwordsAvailable,
                   TProfileFiles& files) {
    TMozillaPrefsFile& prefs = files.Prefs;
    WriteText(prefs, k.Smtp("hostname"), account.SmtpServer());
    prefs.SetInteger(k.Smtp("port"), account.SmtpPort());
    SetOrDelete(prefs, k.Smtp("try_ssl"), account.SmtpUseSSL() || account.SmtpUseTLS(),
                account.SmtpUseSSL() ? 3 : 2);
    if (account.SmtpAuthMode() == 0) {
        prefs.Delete(k.Smtp("auth_method")); // the user name stays as it was
        return;
    }
    if (account.SmtpAuthMode() != 1 && account.SmtpAuthMode() != 2) {
        return; // a mode Thunderbird has no setting for
    }
    prefs.SetInteger(k.Smtp("auth_method"), 1);
    if (!account.SmtpUseSPA()) {
        prefs.SetInteger(k.Smtp("authMethod"), kAuthMethodNormalPassword);
    }
    WriteText(prefs, k.Smtp("username"), SmtpLogin(account));
    if (passwordsAvailable) {
        files.Passwords.ChangePassword("smtp", SmtpLogin(account), SmtpLoginPassword(account),
                                       account.SmtpServer());
    }
}

// An account number Thunderbird counts in mail.account.lastKey (current versions): the counter
// must not stay below a key in use, or Thunderbird hands the key out again.
void RaiseLastKey(TMozillaPrefsFile& prefs, const std::string& accountKey) {
    constexpr const char* kLastKey = "mail.account.lastKey";
    const std::int32_t number = DigitsNumber(accountKey);
    if (prefs.Exists(kLastKey) && prefs.GetInteger(kLastKey) < number) {
        prefs.SetInteger(kLastKey, number);
    }
}

} // namespace

void RefuseLineBreaks(const TMailAccount& account) {
    const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account);
    const auto* imap = dynamic_cast<const TIMAPMailAccount*>(&account);
    const std::string incoming = pop != nullptr    ? pop->IncomingServer()
                                 : imap != nullptr ? imap->IncomingServer()
                                                   : std::string();
    const std::pair<const char*, const std::string*> values[] = {
        {"user name", &account.UserName()},
        {"incoming server", &incoming},
        {"outgoing server", &account.SmtpServer()},
        {"outgoing user name", &account.SmtpUserName()},
    };
    for (const auto& [what, value] : values) {
        if (value->find_first_of("\r\n") != std::string::npos) {
            throw EThunderbirdSaveError("The account cannot be written to Thunderbird: its " +
                                        std::string(what) + " contains a line break.");
        }
    }
}

const std::string& SmtpLogin(const TMailAccount& account) {
    static const std::string none;
    return account.SmtpAuthMode() == 2   ? account.SmtpUserName()
           : account.SmtpAuthMode() == 1 ? account.UserName()
                                         : none;
}

std::vector<TMozillaLogin> CurrentLogins(const TAccountKeys& k, const TMailAccount& account,
                                         const TMozillaPrefsFile& prefs) {
    const bool imap = dynamic_cast<const TIMAPMailAccount*>(&account) != nullptr;
    std::vector<TMozillaLogin> logins;
    if (!account.RememberPassword()) {
        return logins;
    }
    if (!account.Password().empty()) {
        logins.push_back({IncomingLoginOrigin(imap, ReadText(prefs, k.Srv("hostname"))),
                          ReadText(prefs, k.Srv("userName")), account.Password()});
    }
    if ((account.SmtpAuthMode() == 1 || account.SmtpAuthMode() == 2) &&
        !SmtpLoginPassword(account).empty()) {
        logins.push_back({OutgoingLoginOrigin(account.SmtpServer()), SmtpLogin(account),
                          SmtpLoginPassword(account)});
    }
    return logins;
}

void WriteAccountPreferences(const std::string& profileDir, const TAccountKeys& k, bool created,
                             const TMailAccount& account, bool passwordsAvailable,
                             TProfileFiles& files) {
    TMozillaPrefsFile& prefs = files.Prefs;
    const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account);
    const auto* imap = dynamic_cast<const TIMAPMailAccount*>(&account);
    if (account.IsDefault()) {
        WriteText(prefs, "mail.accountmanager.defaultaccount", k.X);
    }
    if (created) {
        WriteNewPopAccount(profileDir, k, *pop, prefs);
        RaiseLastKey(prefs, k.X);
    }

    WriteText(prefs, k.Id("fullName"), account.AccountName());
    WriteText(prefs, k.Srv("name"), account.DisplayName());
    WriteText(prefs, k.Id("organization"), account.Organization());
    WriteText(prefs, k.Id("useremail"), account.EmailAddress());
    WriteText(prefs, k.Id("smtpServer"), k.M);
    WriteText(prefs, k.Id("reply_to"), account.ReplyTo());
    WriteRealOr(prefs, k.Srv("realuserName"), k.Srv("userName"), account.UserName());
    if (pop != nullptr) {
        WritePopFields(k, *pop, prefs);
    } else if (imap != nullptr) {
        WriteImapFields(k, *imap, prefs);
    }
    if (passwordsAvailable) {
        prefs.SetBool(k.Srv("remember_password"), account.RememberPassword());
        // Filed under the login and host Thunderbird (and the reader) look it up by.
        files.Passwords.ChangePassword(imap != nullptr ? "imap" : "mailbox",
                                       ReadText(prefs, k.Srv("userName")), account.Password(),
                                       ReadText(prefs, k.Srv("hostname")));
    }
    WriteOutgoing(k, account, passwordsAvailable, files);
}

} // namespace thunderbird_detail
