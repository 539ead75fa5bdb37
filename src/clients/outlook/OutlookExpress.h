#pragma once
// The Outlook Express store (Outlook Express 5 and 6). Each identity (a subkey of
// HKEY_CURRENT_USER\Identities) is a profile; the identity that "AssociatedID" names owns the
// top-level tree Software\Microsoft\Internet Account Manager, every other identity the same tree
// below its own key. Each POP3 or IMAP account is a subkey of the tree's "Accounts" key, its
// passwords items of Protected Storage that the key names by reference.
//
// Profiles keep the path of their "Internet Account Manager" key in AccountFilePattern and of
// its "Accounts" key in AccountsLocation (below HKEY_CURRENT_USER, no leading backslash).
// Loading writes nothing but the two repairs Outlook Express itself would make (an identity
// named by the null GUID goes, a missing "Default User ID" is filled in). Every save runs in one
// write transaction (platform/WriteTransaction.h), so it is all or nothing; a failure raises the
// error that names what could not be written, and the model is changed only once the save has
// gone through.

#include "accounts/MailAccounts.h"
#include "accounts/RandomSource.h"
#include "clients/outlook/OutlookAccountValues.h"
#include "clients/outlook/StoredPasswords.h"
#include "platform/Guid.h"

#include <memory>
#include <optional>
#include <string>

class TOutlookExpressMailAccounts : public TMailAccounts {
public:
    // Detects Outlook Express for the current user and loads every identity. The random source
    // draws password reference names.
    explicit TOutlookExpressMailAccounts(bool autoSave, TRandomSource& random = SystemRandom());
    ~TOutlookExpressMailAccounts() override;

    // A POP3 account when the key has "POP3 Server", else an IMAP account when it has "IMAP
    // Server"; none for another kind, a key that cannot be opened, or no "Account Name".
    std::unique_ptr<TMailAccount> LoadAccount(TMailProfile* profile, const std::string& accountKey,
                                              const std::string& defaultAccountKey) override;
    bool IsClientRunning() const override;
    // Deletes the account key and the Protected Storage items its password values name, then
    // the account; all or nothing.
    void DeleteAccount(TMailProfile* profile, int index) override;
    // A registry monitor on the account's key (subtree included), once per account.
    void StartAccountMonitor(TMailAccount& account) override;
    void ReloadPOPAccount(TMailAccount& account) override;
    void ReloadIMAPAccount(TMailAccount& account) override;
    void ReadPOPAccount(platform::TRegistry& key, TMailAccount& account) override;
    void ReadIMAPAccount(platform::TRegistry& key, TMailAccount& account) override;
    // The counter "Account Name" of the profile's tree as eight upper-case hex digits, moved on
    // past keys that exist or that another account of the profile holds. Writes nothing: the
    // counter moves when the account is saved.
    std::string NewAccountKey(TMailProfile* profile) override;
    bool IsRegistryBased() const override { return true; }
    // "Hangup After Spool" of the default identity and its mail-check options.
    void SaveClientSettings() override;
    // The account key with every value, the counter, the default mark, the tree's association
    // and the password items, all or nothing.
    void SaveAccount(TMailAccount& account) override;
    // The identity (a new one gets a GUID), its password item and its mail-check options.
    void SaveProfile(TMailProfile& profile) override;
    void Hook(int) override {}

    // The identity "Default User ID" names (the null GUID when there is none).
    const platform::TGUID& DefaultIdentity() const { return DefaultIdentity_; }
    TStoredPasswords& Passwords() { return Passwords_; }

private:
    void Detect();
    void LoadIdentities(const platform::TGUID& associated);
    void LoadIdentity(const std::string& keyName, const platform::TGUID& associated);
    void LoadAccountTree(TMailProfile& profile);
    void ReadDefaultIdentity(const platform::TGUID& associated);
    void ReadAccount(const outlook_values::TKeyValues& key, TMailAccount& account);
    void ReadIncoming(const outlook_values::TKeyValues& key, TMailAccount& account);
    void ReadOutgoing(const outlook_values::TKeyValues& key, TMailAccount& account);
    struct TAccountPasswords {
        outlook_values::TPasswordSave Incoming;
        std::optional<outlook_values::TPasswordSave> Outgoing; // only for an own outgoing login
    };
    // What the save does with each password, decided before anything is written.
    TAccountPasswords PlanPasswords(const TMailAccount& account, const std::string& accounts);
    // The open account key's values in the order Outlook Express writes them.
    void WriteAccountValues(const TMailAccount& account, const TAccountPasswords& passwords,
                            platform::TRegistry& key) const;
    void WriteMailCheck(const std::string& identity, const TMailProfile& profile,
                        bool useStoreSettings);

    platform::TGUID DefaultIdentity_;
    TStoredPasswords Passwords_;
};
