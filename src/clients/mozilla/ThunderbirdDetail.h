#pragma once
// Pieces of the Thunderbird store shared by its reading and writing halves.

#include "MozillaLogins.h"
#include "MozillaPasswords.h"
#include "MozillaPrefs.h"

#include <platform/WriteTransaction.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TMailAccount;
class TMailProfile;

namespace thunderbird_detail {

inline constexpr const char* kPrefsFile = "prefs.js";
inline constexpr const char* kSignonsFile = "signons.txt";

// dir + "\" + name without doubling a trailing backslash of dir.
std::string JoinPath(const std::string& dir, const std::string& name);
// Comma-separated list, entries trimmed, empty entries left out.
std::vector<std::string> SplitList(const std::string& list);
// All decimal digits of the text in order, read as one number, at most kMaxKeyNumber (so adding
// one never overflows); none gives 0.
inline constexpr std::int32_t kMaxKeyNumber = 999999999;
std::int32_t DigitsNumber(const std::string& text);
// The highest number of the outgoing servers mail.smtpservers lists; 0 for none.
std::int32_t HighestSmtpNumberIn(const TMozillaPrefsFile& prefs);

// A string preference decoded from prefs.js escaping; the default when missing.
std::string ReadText(const TMozillaPrefsFile& prefs, const std::string& name,
                     const std::string& def = std::string());
// Raises "Parameter does not exist" when missing.
std::string RequireText(const TMozillaPrefsFile& prefs, const std::string& name);
// Stores free text as a string preference, escaped so it cannot end the statement.
void WriteText(TMozillaPrefsFile& prefs, const std::string& name, const std::string& text);

// A profile's two files, read fresh for one operation.
struct TProfileFiles {
    explicit TProfileFiles(const std::string& profileDir);
    std::string PrefsPath;
    TMozillaPrefsFile Prefs;
    TMozillaPasswordsFile Passwords;
};

// The keys an account links together.
struct TAccountLinks {
    std::string Server;   // S
    std::string Identity; // I
};
// None when mail.account.X.server or mail.account.X.identities is missing. Of several listed
// identities the first is taken.
std::optional<TAccountLinks> ReadAccountLinks(const TMozillaPrefsFile& prefs,
                                              const std::string& accountKey);

// A new account of the kind the server's type names ("pop3", "imap"); none for any other.
std::unique_ptr<TMailAccount> NewAccountForServer(const TMozillaPrefsFile& prefs,
                                                  const std::string& serverKey,
                                                  TMailProfile* profile);

// Reads every field of account X into the account (setters run; the caller keeps AutoSave
// off) and records the keys in StoreData. Raises when a required preference is missing.
void ReadAccountFields(const TProfileFiles& files, const TAccountLinks& links,
                       const std::string& accountKey, const std::string& defaultAccountKey,
                       bool passwordsAvailable, TMailAccount& account);

// Local-folders scaffolding of an empty profile: directories and preferences.
void WriteLocalFoldersScaffolding(const std::string& profileDir, TMozillaPrefsFile& prefs);

// ---- Writing one account ----

// The keys an account's records are written under: account X, identity I, incoming server S,
// outgoing server M.
struct TAccountKeys {
    std::string X, I, S, M;
    std::string Id(const char* leaf) const { return "mail.identity." + I + "." + leaf; }
    std::string Srv(const char* leaf) const { return "mail.server." + S + "." + leaf; }
    std::string Smtp(const char* leaf) const { return "mail.smtpserver." + M + "." + leaf; }
};

// signons.txt is line based and has no escape: a login or host with a line break would end its
// line and forge the next one. Raises EThunderbirdSaveError naming the value.
void RefuseLineBreaks(const TMailAccount& account);
// The login the outgoing server authenticates with: its own (mode 2), the incoming one (mode 1),
// none (mode 0).
const std::string& SmtpLogin(const TMailAccount& account);
// Writes every field of the account into the files held in memory: preferences, and the
// passwords into signons.txt when passwordsAvailable. A created POP account also gets its list
// entry, links, identity folders and its own mail folder (created through the file functions
// at once, so with the save's write transaction), and mail.account.lastKey is raised to its key.
void WriteAccountPreferences(const std::string& profileDir, const TAccountKeys& k, bool created,
                             const TMailAccount& account, bool passwordsAvailable,
                             TProfileFiles& files);
// The logins the account gives Thunderbird's current login store, under the keys Thunderbird
// looks them up by: the server URI and the login prefs.js gives the server; none unless the
// password is to be remembered.
std::vector<TMozillaLogin> CurrentLogins(const TAccountKeys& k, const TMailAccount& account,
                                         const TMozillaPrefsFile& prefs);

// ---- Profiles of current Thunderbird versions ----

// An account of the profile's account list with its links.
struct TListedAccount {
    std::string Key; // X
    TAccountLinks Links;
};
// The listed account whose POP server has this login and host, as Thunderbird finds a server
// (type "pop3", host without case, login exactly); none when there is none.
std::optional<TListedAccount> FindPopAccount(const TMozillaPrefsFile& prefs,
                                             const std::string& userName, const std::string& host);
// The outgoing server of mail.smtpservers with this host and login, both without case, as
// Thunderbird finds one (an empty login matches a server without one); empty when none.
std::string FindSmtpServer(const TMozillaPrefsFile& prefs, const std::string& host,
                           const std::string& userName);

// The key under which Thunderbird keeps a server's login in its login store: the incoming
// server as "mailbox://host" (POP) or "imap://host" with the host percent-encoded, the
// outgoing server as "smtp://host"; an IPv6 address in brackets.
std::string IncomingLoginOrigin(bool imap, const std::string& host);
std::string OutgoingLoginOrigin(const std::string& host);

// The new content of the profile's current login store with these logins set, when the profile
// has one that can be written without the user (logins.json with key4.db, or key4.db alone,
// without a primary password). None otherwise; why is logged, and the user will be asked for the
// password once by Thunderbird. The key database is reached through the NSS library at
// nssLibrary. NSS writes key4.db itself, outside any transaction: on its first use it sets the
// database up with the empty password and adds the login key, as Thunderbird would at its first
// start and first stored login, which leaves no login behind when the save is undone. A dry run
// opens key4.db read-only and leaves the login store out when NSS could not encrypt without
// changing key4.db.
struct TFileUpdate {
    std::string Path;
    std::string Bytes;
};
std::optional<TFileUpdate> PrepareLoginStore(const std::string& nssLibrary,
                                             const std::string& profileDir,
                                             const std::vector<TMozillaLogin>& logins,
                                             platform::TTransactionMode mode);

// A folder name made from a host: characters Windows forbids in file names become "_", so the
// name can never leave the Mail folder.
std::string SafeFolderName(const std::string& host);

} // namespace thunderbird_detail
