#pragma once
// The Outlook 98/2000 store. Both clients keep their Internet mail accounts in one account tree
// of the current user, the "OMI Account Manager", which every MAPI profile shares; an account
// belongs to a MAPI profile only when the profile holds an "Internet E-Mail" service of the
// account's name (Outlook98Services.h). Each MAPI profile whose own section marks it as set up
// becomes a profile of this store; when none is, the store shows the whole tree as one profile
// "[no profile]". Account keys hold the values Outlook Express uses (OutlookAccountValues.h),
// with their own rules for ports and time-outs; passwords are Protected Storage items that the
// key names by reference.
//
// Profiles keep the path of their MAPI profile key in AccountFilePattern (empty for "[no
// profile]") and the path of the shared "Accounts" key in AccountsLocation (below
// HKEY_CURRENT_USER, no leading backslash). Loading writes nothing. Every save runs in one write
// transaction (platform/WriteTransaction.h): a failure raises the error naming what could not be
// written, and the model changes only once the save has gone through.

#include "accounts/MailAccounts.h"
#include "accounts/RandomSource.h"
#include "clients/outlook/OutlookAccountValues.h"
#include "clients/outlook/StoredPasswords.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace outlook98_services {
struct TServiceKeys;
}

class TOutlook98MailAccounts : public TMailAccounts {
public:
    // Detects Outlook 98 or 2000 for the current user and loads the accounts of every MAPI
    // profile. The random source draws password reference names and the MAPI key names.
    explicit TOutlook98MailAccounts(bool autoSave, TRandomSource& random = SystemRandom());
    ~TOutlook98MailAccounts() override;

    // A POP3 account when the key has "POP3 Server", else an IMAP account when it has "IMAP
    // Server"; none for another kind, a key that cannot be read, no "Account Name", or (with
    // MAPI profiles) no service of the account's name in the profile.
    std::unique_ptr<TMailAccount> LoadAccount(TMailProfile* profile, const std::string& accountKey,
                                              const std::string& defaultAccountKey) override;
    // Whether Outlook's automation object runs.
    bool IsClientRunning() const override;
    // Deletes the account key, the Protected Storage items its password values name and, with
    // MAPI profiles, its three service keys in the profile; then the account. All or nothing.
    void DeleteAccount(TMailProfile* profile, int index) override;
    // A registry monitor on the account's key, once per account.
    void StartAccountMonitor(TMailAccount& account) override;
    void ReloadPOPAccount(TMailAccount& account) override;
    void ReloadIMAPAccount(TMailAccount& account) override;
    void ReadPOPAccount(platform::TRegistry& key, TMailAccount& account) override;
    void ReadIMAPAccount(platform::TRegistry& key, TMailAccount& account) override;
    // The counter "Account Name" of the account manager (1 when absent) as eight upper-case hex
    // digits, moved on past keys that exist or that an account of the store holds. Writes
    // nothing: the counter moves when the account is saved.
    std::string NewAccountKey(TMailProfile* profile) override;
    bool IsRegistryBased() const override { return true; }
    // These clients keep no options this store writes.
    void SaveClientSettings() override {}
    // "PIMOnly" = 0, the default mark, the counter, the account key with every value, the
    // password items and, with MAPI profiles, the service keys (new ones for a new account, the
    // display texts renamed for all), all or nothing.
    void SaveAccount(TMailAccount& account) override;
    void Hook(int) override {}

    // At least one MAPI profile qualified.
    bool MapiProfileMode() const { return MapiProfileMode_; }
    // Below HKEY_CURRENT_USER: the MAPI profiles key of this Windows version and the account
    // manager key found (empty when not installed).
    const std::string& ProfilesKey() const { return ProfilesKey_; }
    const std::string& AccountManagerKey() const { return AccountManager_; }
    TStoredPasswords& Passwords() { return Passwords_; }

private:
    void Detect();
    bool FindAccountManager();
    void LoadProfiles();
    void LoadProfileAccounts(TMailProfile& profile);
    using TServices = std::map<std::string, outlook98_services::TServiceKeys>;
    std::unique_ptr<TMailAccount> LoadAccountKey(TMailProfile& profile, const std::string& key,
                                                 const std::string& defaultKey,
                                                 const TServices* services);
    void ReadAccount(const outlook_values::TKeyValues& key, TMailAccount& account);
    void ReadIncoming(const outlook_values::TKeyValues& key, TMailAccount& account);
    void ReadOutgoing(const outlook_values::TKeyValues& key, TMailAccount& account);

    struct TAccountPasswords {
        outlook_values::TPasswordSave Incoming;
        std::optional<outlook_values::TPasswordSave> Outgoing; // own login with a password
    };
    TAccountPasswords PlanPasswords(const TMailAccount& account);
    void WriteAccountValues(const TMailAccount& account, const TAccountPasswords& passwords,
                            platform::TRegistry& key) const;
    void WriteServiceKeys(TMailAccount& account, platform::TRegistry& registry,
                          std::optional<outlook98_services::TServiceKeys>& created);

    TRandomSource& Random_;
    TStoredPasswords Passwords_;
    bool MapiProfileMode_ = false;
    std::string ProfilesKey_;
    std::string AccountManager_;
};
