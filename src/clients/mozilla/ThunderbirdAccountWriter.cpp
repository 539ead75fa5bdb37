// Thunderbird store: writing one account into a profile's prefs.js and signons.txt.

#include "Thunderbird.h"

#include "MozillaPrefsLine.h"
#include "ThunderbirdDetail.h"
#include <clients/StoreMessages.h>

#include "TextLines.h"

#include <platform/Files.h>

#include <algorithm>

using namespace thunderbird_detail;

namespace {

// prefix + n + suffix for the smallest n >= 1 that does not exist; returns base + n.
std::string FreeKey(const TMozillaPrefsFile& prefs, const std::string& prefix,
                    const std::string& suffix, const std::string& base) {
    for (int n = 1;; ++n) {
        if (!prefs.Exists(prefix + std::to_string(n) + suffix)) {
            return base + std::to_string(n);
        }
    }
}

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

// signons.txt is line based and has no escape: a login or host with a line break would end its
// line and forge the next one.
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

// The login the outgoing server authenticates with: its own (mode 2) or the incoming one.
const std::string& SmtpLogin(const TMailAccount& account) {
    static const std::string none;
    return account.SmtpAuthMode() == 2   ? account.SmtpUserName()
           : account.SmtpAuthMode() == 1 ? account.UserName()
                                         : none;
}

const std::string& SmtpLoginPassword(const TMailAccount& account) {
    return account.SmtpAuthMode() == 2 ? account.SmtpPassword() : account.Password();
}

struct TKeys {
    std::string X, I, S, M;
    std::string Id(const char* leaf) const { return "mail.identity." + I + "." + leaf; }
    std::string Srv(const char* leaf) const { return "mail.server." + S + "." + leaf; }
    std::string Smtp(const char* leaf) const { return "mail.smtpserver." + M + "." + leaf; }
};

// The records a new POP account needs besides its fields: list entry, links, own mail folder
// and the folder URIs of its identity.
void WriteNewPopAccount(const std::string& profileDir, const TKeys& k,
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
void WriteIncomingCommon(const TKeys& k, const TAccount& account, TMozillaPrefsFile& prefs) {
    WriteRealOr(prefs, k.Srv("realhostname"), k.Srv("hostname"), account.IncomingServer());
    prefs.SetInteger(k.Srv("port"), account.IncomingPort());
    prefs.SetBool(k.Srv("useSecAuth"), account.UseSPA());
    if (!account.UseSPA()) {
        prefs.SetInteger(k.Srv("authMethod"), kAuthMethodNormalPassword);
    }
    SetOrDelete(prefs, k.Srv("socketType"), account.UseSSL(), 3);
}

void WritePopFields(const TKeys& k, const TPOPMailAccount& account, TMozillaPrefsFile& prefs) {
    WriteIncomingCommon(k, account, prefs);
    prefs.SetBool(k.Srv("leave_on_server"), account.LeaveOnServer());
    SetTrueOrDelete(prefs, k.Srv("delete_mail_left_on_server"), account.RemoveWhenDeleted());
    SetTrueOrDelete(prefs, k.Srv("delete_by_age_from_server"), account.RemoveWhenExpired());
    SetOrDelete(prefs, k.Srv("num_days_to_leave_on_server"), account.RemoveWhenExpired(),
                account.ExpireDays());
}

// IMAP retention is written the way it is read: by count (retainBy 3) or by age (retainBy 2).
void WriteImapFields(const TKeys& k, const TIMAPMailAccount& account, TMozillaPrefsFile& prefs) {
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

void WriteOutgoing(const TKeys& k, const TMailAccount& account, bool passwordsAvailable,
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

// The logins the account gives Thunderbird's current login store, under the keys Thunderbird
// looks them up by: the server URI and the login it has in prefs.js.
std::vector<TMozillaLogin> CurrentLogins(const TKeys& k, const TMailAccount& account, bool imap,
                                         const TMozillaPrefsFile& prefs) {
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

TThunderbirdMailAccounts::TSmtpChoice
TThunderbirdMailAccounts::ChooseSmtpServer(const std::string& current, const TMailAccount& account,
                                           TMozillaPrefsFile& prefs) {
    // A shared outgoing server is never moved to another host: the account gets another one.
    if (!current.empty() &&
        ReadText(prefs, "mail.smtpserver." + current + ".hostname") == account.SmtpServer()) {
        return {current, 0};
    }
    // One server per host and login, as Thunderbird keeps them: an existing one is taken.
    const std::string existing = FindSmtpServer(prefs, account.SmtpServer(), SmtpLogin(account));
    if (!existing.empty()) {
        return {existing, 0};
    }
    // The file may name servers added since loading; never reuse one of their numbers.
    ScanSmtpServers(prefs);
    std::int32_t number = HighestSmtpNumber_;
    std::string key;
    do {
        ++number;
        key = "smtp" + std::to_string(number);
    } while (prefs.Exists("mail.smtpserver." + key + ".hostname"));
    const std::string list = prefs.GetStringDef("mail.smtpservers", "");
    prefs.SetString("mail.smtpservers", list.empty() ? key : list + "," + key);
    return {key, number};
}

void TThunderbirdMailAccounts::SaveAccount(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (account.AccountKey().empty() || profile == nullptr) {
        return;
    }
    RefuseLineBreaks(account);
    const std::string& profileDir = profile->Location();
    TProfileFiles files(profileDir);
    TMozillaPrefsFile& prefs = files.Prefs;
    auto* pop = dynamic_cast<TPOPMailAccount*>(&account);
    auto* imap = dynamic_cast<TIMAPMailAccount*>(&account);
    TKeys k;
    k.X = account.AccountKey();
    k.I = account.StoreData().Value("identity");
    k.S = account.StoreData().Value("server");
    k.M = account.StoreData().Value("smtpserver");
    bool created = k.I.empty() || k.S.empty();
    if (created && pop == nullptr) {
        ShowStoreMessage("To be implemented!");
        return;
    }
    // A second server for a mailbox the profile has would share its folder URI with the first:
    // a new account for that mailbox is the existing account.
    const std::optional<TListedAccount> existing =
        created ? FindPopAccount(prefs, account.UserName(), pop->IncomingServer()) : std::nullopt;
    if (existing) {
        k.X = existing->Key;
        k.I = existing->Links.Identity;
        k.S = existing->Links.Server;
        k.M = ReadText(prefs, k.Id("smtpServer"), ReadText(prefs, "mail.smtp.defaultserver"));
        created = false;
    }
    if (k.I.empty()) {
        k.I = FreeKey(prefs, "mail.identity.id", ".useremail", "id");
    }
    if (k.S.empty()) {
        k.S = FreeKey(prefs, "mail.server.server", ".type", "server");
    }
    const TSmtpChoice smtp = ChooseSmtpServer(k.M, account, prefs);
    k.M = smtp.Key;

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
    if (AccountPasswordsAvailable()) {
        prefs.SetBool(k.Srv("remember_password"), account.RememberPassword());
        // Filed under the login and host Thunderbird (and the reader) look it up by.
        files.Passwords.ChangePassword(imap != nullptr ? "imap" : "mailbox",
                                       ReadText(prefs, k.Srv("userName")), account.Password(),
                                       ReadText(prefs, k.Srv("hostname")));
    }
    WriteOutgoing(k, account, AccountPasswordsAvailable(), files);
    const std::optional<TFileUpdate> loginStore =
        AccountPasswordsAvailable()
            ? PrepareLoginStore(NssLibraryPath(), profileDir,
                                CurrentLogins(k, account, imap != nullptr, prefs))
            : std::nullopt;

    // Each write is harmless on its own until prefs.js, written last, links the account.
    if (AccountPasswordsAvailable()) {
        files.Passwords.WritePasswords(); // both passwords in one write
    }
    if (loginStore) {
        platform::WriteFileAtomic(loginStore->Path, loginStore->Bytes);
    }
    prefs.SaveToFile(files.PrefsPath);

    // Keys and counters become the store's only now that the account was written. A second save
    // of the same object finds its records again instead of making new ones.
    HighestSmtpNumber_ = std::max(HighestSmtpNumber_, smtp.NewNumber);
    account.StoreData().SetValue("identity", k.I);
    account.StoreData().SetValue("server", k.S);
    account.StoreData().SetValue("smtpserver", k.M);
    account.SetStoreLocation(files.PrefsPath);
    if (existing) {
        TakeOverExistingAccount(*profile, account, k.X);
    }
}

void TThunderbirdMailAccounts::TakeOverExistingAccount(TMailProfile& profile, TMailAccount& account,
                                                       const std::string& accountKey) {
    account.SetAccountKey(accountKey);
    account.SetIsNew(false);
    TMailAccount* loaded = nullptr;
    for (const auto& other : profile.Accounts()) {
        if (other.get() != &account && other->AccountKey() == accountKey) {
            loaded = other.get();
        }
    }
    if (loaded == nullptr) {
        return; // this object is the account's only one: it stays in the profile
    }
    // The profile keeps its one object for the account, read again; whoever holds this one
    // keeps a valid object, set aside by the store.
    if (const int index = profile.IndexOfAccount(&account); index >= 0) {
        SetAsideAccounts_.push_back(profile.ExtractAccount(index));
    }
    ReloadAccount(*loaded);
}
