#pragma once
// The Thunderbird store. Thunderbird keeps each profile's accounts as interlinked preferences in
// the profile's prefs.js: an account (mail.account.X) names an identity (mail.identity.I: sender,
// folders, outgoing server M) and an incoming server (mail.server.S); the outgoing server lives
// under mail.smtpserver.M. Remembered passwords are in the profile's signons.txt.
//
// Field mapping differs from the other stores: AccountName is the identity's full name (what
// recipients see), DisplayName the incoming server's name (the account's label in Thunderbird).
// StoreData holds "identity=I", "server=S" and "smtpserver=M".

#include <accounts/MailAccounts.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TMozillaPrefsFile;
class TMozillaPasswordsFile;

// A save the store refuses before writing anything; the message says which value is at fault.
class EThunderbirdSaveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TThunderbirdMailAccounts : public TMailAccounts {
public:
    // Detects Thunderbird and loads every profile; a missing program or profiles.ini leaves the
    // store empty with Installed false. Loading never writes.
    explicit TThunderbirdMailAccounts(bool autoSave);
    ~TThunderbirdMailAccounts() override;

    // The entries of mail.accountmanager.accounts of the profile's prefs.js; raises
    // "Parameter does not exist" when that preference is missing.
    std::vector<std::string> ListAccountFiles(TMailProfile* profile) override;
    std::unique_ptr<TMailAccount> LoadAccount(TMailProfile* profile, const std::string& accountKey,
                                              const std::string& defaultAccountKey) override;
    bool IsClientRunning() const override;
    // Removes the account from the model only; Thunderbird's files keep it.
    void DeleteAccount(TMailProfile* profile, int index) override;
    // Unless the account has monitors: file monitors on the profile's prefs.js and on its
    // signons.txt (which need not exist yet), reporting to OnAccountChanged.
    void StartAccountMonitor(TMailAccount& account) override;
    void ReloadPOPAccount(TMailAccount& account) override;
    void ReloadIMAPAccount(TMailAccount& account) override;
    // "account" + (highest listed number, at least 2 and at least mail.account.lastKey of
    // current versions, plus one). An empty profile first gets the local-folders scaffolding,
    // written at once, its folders and prefs.js all or nothing (in one write transaction, which
    // joins a transaction the caller has open).
    std::string NewAccountKey(TMailProfile* profile) override;
    bool IsRegistryBased() const override { return false; }
    void SaveClientSettings() override {}
    // Writes identity, incoming and outgoing server to prefs.js and the passwords to
    // signons.txt, and, in a profile of a current version, to its login store (logins.json
    // with key4.db). A new POP account for a mailbox the profile already has is saved as that
    // account (and then stands for it), and an outgoing server of the same host and login is
    // shared rather than doubled. A new IMAP account is refused with the message "To be
    // implemented!". A login or host containing a line break is refused with
    // EThunderbirdSaveError before anything is written; write errors propagate (messages name
    // the file, never a password).
    //
    // All or nothing: the mail folder, signons.txt, logins.json and prefs.js are written in one
    // write transaction (platform/WriteTransaction.h); when one cannot be written none is
    // changed, and the keys, counters and StoreData of the save reach the store and the account
    // only after the commit, so a retry allocates what a first successful save would have. A
    // transaction the caller has open (several saves as one, or a dry run listing the prepared
    // writes) is joined; the account must then live until it ends. Only key4.db is NSS's and
    // written by it directly (see PrepareLoginStore).
    void SaveAccount(TMailAccount& account) override;
    void Hook(int) override {}
    bool AccountsShareFile() const override { return true; }

    // The user's application-data folder followed by "\Thunderbird\".
    const std::string& AppDataDir() const { return AppDataDir_; }
    // Highest outgoing-server number seen in any profile; only grows.
    std::int32_t HighestSmtpNumber() const { return HighestSmtpNumber_; }

private:
    // The outgoing server a save uses; NewNumber is the number of a new one (0 for an existing
    // one), which HighestSmtpNumber takes only when the save succeeded.
    struct TSmtpChoice {
        std::string Key;
        std::int32_t NewNumber = 0;
    };

    void Detect();
    void LoadProfiles();
    void LoadProfileAccounts(TMailProfile& profile);
    void ScanSmtpServers(const TMozillaPrefsFile& prefs);
    void ReloadAccount(TMailAccount& account);
    TSmtpChoice ChooseSmtpServer(const std::string& current, const TMailAccount& account,
                                 TMozillaPrefsFile& prefs) const;
    // A new account object that was saved as the profile's existing account of its mailbox now
    // stands for that account. Runs after the save was committed; never raises.
    void TakeOverExistingAccount(TMailProfile& profile, TMailAccount& account,
                                 const std::string& accountKey);
    // The NSS library of the installed Thunderbird, which reads its key databases.
    std::string NssLibraryPath() const;

    std::string AppDataDir_;
    std::int32_t HighestSmtpNumber_ = 0;
    std::string ExecutablePath_;
    // New account objects that turned out to be an existing account (see SaveAccount): out of
    // their profile, but alive for whoever still holds them.
    std::vector<std::unique_ptr<TMailAccount>> SetAsideAccounts_;
};
