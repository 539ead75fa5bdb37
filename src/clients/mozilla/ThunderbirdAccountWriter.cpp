// Thunderbird store: saving one account into a profile's files, all of them or none, with the
// keys it needs.

#include "Thunderbird.h"

#include "ThunderbirdDetail.h"
#include <clients/StoreMessages.h>

#include <platform/Files.h>
#include <platform/WriteTransaction.h>

#include <algorithm>
#include <exception>

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

// A profile a current version (one counting account keys, or typing outgoing servers) wrote.
bool IsCurrentProfile(const TMozillaPrefsFile& prefs) {
    if (prefs.Exists("mail.account.lastKey")) {
        return true;
    }
    const std::vector<std::string> servers = SplitList(ReadText(prefs, "mail.smtpservers"));
    return std::any_of(servers.begin(), servers.end(), [&prefs](const std::string& key) {
        return prefs.Exists("mail.smtpserver." + key + ".type");
    });
}

struct TSaveKeys {
    TAccountKeys Keys; // the outgoing server still as the account had it
    bool Created = false;
    bool TakesOverExisting = false;
};

// The records a save writes: the account's own; for a new POP account the profile's existing
// account of the same mailbox (a second server for it would share its folder URI with the
// first); else new ones.
TSaveKeys SaveKeys(const TMailAccount& account, const TMozillaPrefsFile& prefs) {
    TSaveKeys keys;
    TAccountKeys& k = keys.Keys;
    k.X = account.AccountKey();
    k.I = account.StoreData().Value("identity");
    k.S = account.StoreData().Value("server");
    k.M = account.StoreData().Value("smtpserver");
    keys.Created = k.I.empty() || k.S.empty();
    const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account);
    const std::optional<TListedAccount> existing =
        keys.Created && pop != nullptr
            ? FindPopAccount(prefs, account.UserName(), pop->IncomingServer())
            : std::nullopt;
    if (existing) {
        k.X = existing->Key;
        k.I = existing->Links.Identity;
        k.S = existing->Links.Server;
        k.M = ReadText(prefs, k.Id("smtpServer"), ReadText(prefs, "mail.smtp.defaultserver"));
        keys.Created = false;
        keys.TakesOverExisting = true;
    }
    if (k.I.empty()) {
        k.I = FreeKey(prefs, "mail.identity.id", ".useremail", "id");
    }
    if (k.S.empty()) {
        k.S = FreeKey(prefs, "mail.server.server", ".type", "server");
    }
    return keys;
}

} // namespace

TThunderbirdMailAccounts::TSmtpChoice
TThunderbirdMailAccounts::ChooseSmtpServer(const std::string& current, const TMailAccount& account,
                                           TMozillaPrefsFile& prefs) const {
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
    std::int32_t number = std::max(HighestSmtpNumber_, HighestSmtpNumberIn(prefs));
    std::string key;
    do {
        ++number;
        key = "smtp" + std::to_string(number);
    } while (prefs.Exists("mail.smtpserver." + key + ".hostname"));
    const std::string list = prefs.GetStringDef("mail.smtpservers", "");
    // Current versions give every outgoing server its type; old ones know no such preference.
    if (IsCurrentProfile(prefs)) {
        prefs.SetString("mail.smtpserver." + key + ".type", "smtp");
    }
    prefs.SetString("mail.smtpservers", list.empty() ? key : list + "," + key);
    return {key, number};
}

void TThunderbirdMailAccounts::SaveAccount(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (account.AccountKey().empty() || profile == nullptr) {
        return;
    }
    RefuseLineBreaks(account);
    const bool created = account.StoreData().Value("identity").empty() ||
                         account.StoreData().Value("server").empty();
    if (created && dynamic_cast<TPOPMailAccount*>(&account) == nullptr) {
        ShowStoreMessage("To be implemented!");
        return;
    }
    // The mail folder, signons.txt, logins.json and prefs.js change together or not at all.
    platform::TWriteTransaction transaction;
    const std::string& profileDir = profile->Location();
    TProfileFiles files(profileDir);
    TMozillaPrefsFile& prefs = files.Prefs;
    const TSaveKeys keys = SaveKeys(account, prefs);
    TAccountKeys k = keys.Keys;
    const TSmtpChoice smtp = ChooseSmtpServer(k.M, account, prefs);
    k.M = smtp.Key;

    WriteAccountPreferences(profileDir, k, keys.Created, account, AccountPasswordsAvailable(),
                            files);
    // NSS encrypts (and may set up key4.db) before the commit writes anything of ours.
    const std::optional<TFileUpdate> loginStore =
        AccountPasswordsAvailable()
            ? PrepareLoginStore(NssLibraryPath(), profileDir, CurrentLogins(k, account, prefs),
                                transaction.Mode())
            : std::nullopt;
    if (AccountPasswordsAvailable()) {
        files.Passwords.WritePasswords(); // both passwords in one write
    }
    if (loginStore) {
        platform::WriteFileAtomic(loginStore->Path, loginStore->Bytes);
    }
    prefs.SaveToFile(files.PrefsPath);

    // Keys and counters become the store's only once the account is on disk. A second save of
    // the same object finds its records again instead of making new ones.
    transaction.AfterCommit([this, &account, profile, k, smtp, keys, path = files.PrefsPath] {
        HighestSmtpNumber_ = std::max(HighestSmtpNumber_, smtp.NewNumber);
        account.StoreData().SetValue("identity", k.I);
        account.StoreData().SetValue("server", k.S);
        account.StoreData().SetValue("smtpserver", k.M);
        account.SetStoreLocation(path);
        if (keys.TakesOverExisting) {
            TakeOverExistingAccount(*profile, account, k.X);
        }
    });
    transaction.Commit();
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
    try {
        ReloadAccount(*loaded);
    } catch (const std::exception&) {
        // The account is written; an object that cannot read it back keeps what it showed.
    }
}
