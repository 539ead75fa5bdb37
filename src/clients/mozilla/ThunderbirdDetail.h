#pragma once
// Pieces of the Thunderbird store shared by its reading and writing halves.

#include "MozillaPasswords.h"
#include "MozillaPrefs.h"

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
// All decimal digits of the text in order, read as one number; none gives 0.
std::int32_t DigitsNumber(const std::string& text);

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

// A folder name made from a host: characters Windows forbids in file names become "_", so the
// name can never leave the Mail folder.
std::string SafeFolderName(const std::string& host);

} // namespace thunderbird_detail
