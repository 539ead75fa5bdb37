#pragma once
// The Outlook 2002/2003/2007 store. These clients keep their mail accounts inside each MAPI
// profile that has been set up (Outlook2002Values.h has the layout); each such profile is a
// profile of this store. Outlook 2002 keeps passwords as Protected Storage items that the
// account key names by reference; Outlook 2003 and 2007 seal them into the account key.
//
// Profiles keep the path of their MAPI profile key in AccountFilePattern and the path of its
// account manager section in AccountsLocation (below HKEY_CURRENT_USER, no leading backslash).
// Loading writes nothing. Every save runs in one write transaction (platform/WriteTransaction.h):
// a failure raises the error naming what could not be written, and the model changes only once
// the save has gone through. A new account's number joins the profile's list, and the counter
// moves, when the account is saved.

#include "accounts/MailAccounts.h"
#include "accounts/RandomSource.h"
#include "clients/outlook/StoredPasswords.h"

#include <memory>
#include <optional>
#include <string>

namespace outlook_values {
class TKeyValues;
}

class TOutlookMailAccounts : public TMailAccounts {
public:
    // Detects Outlook 2002, 2003 or 2007 for the current user and loads the accounts of every
    // MAPI profile. The random source draws Outlook 2002's password reference names.
    explicit TOutlookMailAccounts(bool autoSave, TRandomSource& random = SystemRandom());
    ~TOutlookMailAccounts() override;

    // A POP3 or IMAP account by the key's "clsid"; none for another class, a key that cannot be
    // read, or no "Account Name".
    std::unique_ptr<TMailAccount> LoadAccount(TMailProfile* profile, const std::string& accountKey,
                                              const std::string& defaultAccountKey) override;
    // Whether Outlook's automation object or an "outlook.exe" process runs.
    bool IsClientRunning() const override;
    // Takes the number out of the profile's list and deletes the account key (with Outlook
    // 2002's password items), then the account. All or nothing.
    void DeleteAccount(TMailProfile* profile, int index) override;
    // A registry monitor on the account's key, once per account.
    void StartAccountMonitor(TMailAccount& account) override;
    void ReloadPOPAccount(TMailAccount& account) override;
    void ReloadIMAPAccount(TMailAccount& account) override;
    void ReadPOPAccount(platform::TRegistry& key, TMailAccount& account) override;
    void ReadIMAPAccount(platform::TRegistry& key, TMailAccount& account) override;
    // "NextAccountID" of the profile (1 when absent) as eight upper-case hex digits, moved on
    // past numbers that the list, a key or an unsaved account of the profile already has.
    // Writes nothing.
    std::string NewAccountKey(TMailProfile* profile) override;
    bool IsRegistryBased() const override { return true; }
    // "Hangup After Spool" of the client's version.
    void SaveClientSettings() override;
    // The account key with every value, its place in the list (first when default), the
    // counter, the password, and for a new Outlook 2007 account the deletion of the send and
    // receive settings files ("*.srs"), all or nothing.
    void SaveAccount(TMailAccount& account) override;
    // A new profile gets its key (named after it) and becomes the default when it is the only
    // one; "DefaultProfile" names the store's default profile.
    void SaveProfile(TMailProfile& profile) override;
    void Hook(int) override {}

    // Below HKEY_CURRENT_USER: the MAPI profiles key of this Windows version.
    const std::string& ProfilesKey() const { return ProfilesKey_; }
    TStoredPasswords& Passwords() { return Passwords_; }

private:
    void Detect();
    void LoadProfiles();
    void LoadProfileAccounts(TMailProfile& profile);
    std::string OfficeKey() const; // "Software\Microsoft\Office\<major>.0"
    bool SealsPasswords() const { return ClientMajorVersion() >= 11; }
    void ReadAccount(const outlook_values::TKeyValues& key, TMailAccount& account);
    void ReadIncoming(const outlook_values::TKeyValues& key, TMailAccount& account);
    void ReadOutgoing(const outlook_values::TKeyValues& key, TMailAccount& account);
    std::string ReadPasswordValue(const outlook_values::TKeyValues& key, const char* name);

    // What one save does with one password value.
    struct TPasswordPlan {
        const char* ValueName = nullptr;
        std::string Reference;       // Outlook 2002: the item's name
        bool WriteReference = false; // Outlook 2002: the value gets the fresh reference
        bool Store = false;          // the item is written, or the value sealed
        bool Forget = false;         // the item is deleted, or the sealed value
        std::string Password;
    };
    struct TAccountPasswords {
        TPasswordPlan Incoming;
        std::optional<TPasswordPlan> Outgoing;
    };
    TAccountPasswords PlanPasswords(const TMailAccount& account, const std::string& accounts);
    void WritePassword(platform::TRegistry& key, const TPasswordPlan& plan);
    void WriteAccountValues(const TMailAccount& account, const TAccountPasswords& passwords,
                            platform::TRegistry& key);
    void WriteConnection(const TMailAccount& account, platform::TRegistry& key) const;
    void UpdateAccountList(const TMailAccount& account, platform::TRegistry& accountManager);
    void DeleteSendReceiveSettings();

    TStoredPasswords Passwords_;
    std::string ProfilesKey_;
};
