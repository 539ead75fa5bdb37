#pragma once
// The abstract store: one mail client's profiles and accounts, and the operations that move
// them between the model and the client's own configuration. A concrete store detects and
// loads its client in its constructor (with AutoSave off, switching it to its argument last),
// and a missing client leaves it empty with Installed false, never an error.

#include "MailAccount.h"
#include "MailProfile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class TRegistry;
}

class TMailAccounts;

// Raised by the change monitors and the new-account handling: (the store, the account in its
// current state or none when deleted, the previous state or none for a new account).
using TAccountChangedEvent =
    std::function<void(TMailAccounts* sender, TMailAccount* account, TMailAccount* previous)>;

class TMailAccounts {
public:
    explicit TMailAccounts(bool autoSave);
    // Shuts the monitors down and frees the profiles. Every concrete store calls
    // ShutDownMonitors first in its own destructor: monitors call its virtual operations.
    virtual ~TMailAccounts();
    TMailAccounts(const TMailAccounts&) = delete;
    TMailAccounts& operator=(const TMailAccounts&) = delete;

    // ---- Virtual operations, in their fixed order ----

    // Loads the first account key of the profile that is not loaded yet, enters the account
    // into the profile and returns it; none when there is none. AutoSave is off meanwhile and
    // restored on every way out.
    virtual TMailAccount* LoadNewAccount(TMailProfile* profile);
    // Subkey names of the profile's AccountsLocation in the current user's hive (never
    // created); empty when the profile is missing or the key cannot be opened.
    virtual std::vector<std::string> ListRegistryAccountKeys(TMailProfile* profile);
    // Full paths of the files matching AccountFilePattern in each directory one level below
    // AccountsLocation.
    virtual std::vector<std::string> ListAccountFiles(TMailProfile* profile);
    // Loads one account of the profile; the result is not yet in the profile's list (the
    // caller enters it). The base loads nothing.
    virtual std::unique_ptr<TMailAccount> LoadAccount(TMailProfile* profile,
                                                      const std::string& accountKey,
                                                      const std::string& defaultAccountKey);
    // Makes a new account of kind AccountKindPOP or AccountKindIMAP in the profile (none for
    // another kind or no profile): key from NewAccountKey, IsNew, the names and password
    // assigned without saving, entered into the profile, default when it is the only one,
    // saved when AutoSave is on.
    virtual TMailAccount* CreateAccount(TMailProfile* profile, int kind, const std::string& address,
                                        const std::string& name, const std::string& password);
    virtual bool IsClientRunning() const = 0;
    // Destroys the account at the index and removes it from the profile; nothing for a bad
    // index or no profile.
    virtual void DeleteAccount(TMailProfile* profile, int index);
    virtual void StartAccountMonitor(TMailAccount& account) = 0;
    // Terminates and forgets every monitor of the account, first to last.
    virtual void StopAccountMonitor(TMailAccount& account);
    virtual void ReloadPOPAccount(TMailAccount& account) = 0;
    // Opens (creating it if missing) the account's StoreLocation in the current user's hive
    // and reads the account from it with ReadPOPAccount.
    virtual void ReloadPOPAccountFromRegistry(TMailAccount& account);
    // Registry-based stores read one POP account from its open key. The base reads nothing.
    virtual void ReadPOPAccount(platform::TRegistry& key, TMailAccount& account);
    virtual void ReloadIMAPAccount(TMailAccount& account) = 0;
    virtual void ReloadIMAPAccountFromRegistry(TMailAccount& account);
    // Registry-based stores read one IMAP account from its open key. The base reads nothing.
    virtual void ReadIMAPAccount(platform::TRegistry& key, TMailAccount& account);
    // CreateAccount on the default profile; none when the store has no profile.
    virtual TMailAccount* AddAccount(int kind, const std::string& address, const std::string& name,
                                     const std::string& password);
    // A profile with an empty location, marked default when it is the first; appended.
    virtual TMailProfile* AddProfile(const std::string& name, const std::string& password);
    virtual std::string NewAccountKey(TMailProfile* profile) = 0;
    virtual bool IsRegistryBased() const = 0;
    // Writes HangUpAfterSpool, CheckMailOnStartup and PollInterval where the client has them.
    virtual void SaveClientSettings() = 0;
    // Writes the whole account into the client's configuration.
    virtual void SaveAccount(TMailAccount& account) = 0;
    // Stores whose clients have identities write a profile. The base writes nothing.
    virtual void SaveProfile(TMailProfile& profile);
    // Every store provides it empty; nothing calls it.
    virtual void Hook(int argument) = 0;
    // Finds the account (by identity) in any profile and deletes it there; nothing otherwise.
    virtual void RemoveAccount(TMailAccount& account);
    virtual void DeleteDefaultProfileAccount(int index);
    // True when several accounts live in one file, so a file's existence does not prove an
    // account still exists.
    virtual bool AccountsShareFile() const { return false; }

    // The new-account monitor of a profile, unless it has one: a registry monitor on its
    // AccountsLocation for a registry-based store, else a file monitor (MonitorStart.h).
    // Stopping terminates and forgets the profile's monitors.
    virtual void StartProfileMonitor(TMailProfile& profile);
    virtual void StopProfileMonitor(TMailProfile& profile);

    // ---- Non-virtual operations ----

    // First profile marked default; when none is, the first profile, which gets marked.
    TMailProfile* DefaultProfile();
    int AccountCount();                      // accounts of DefaultProfile, 0 without one
    TMailAccount* AccountByIndex(int index); // none without a profile or outside the range
    int ProfileCount() const { return static_cast<int>(Profiles_.size()); }
    TMailProfile* ProfileByIndex(int index) const; // none outside the range
    // ListRegistryAccountKeys for registry-based stores, else ListAccountFiles.
    std::vector<std::string> ListAccountKeys(TMailProfile* profile);
    void SetHangUpAfterSpool(bool value) { HangUpAfterSpool_ = value; }
    // Unchanged value: nothing. Otherwise switches every profile (and so every account),
    // holding the monitor lock, and waits for the monitors it stopped.
    bool Monitoring() const { return Monitoring_; }
    void SetMonitoring(bool value);

    // Switches monitoring off, then stops every monitor still watching a profile or account of
    // the store, whatever their Monitoring flags say, and waits until none can touch the store.
    void ShutDownMonitors();

    // A change monitor reports that the profile may have gained an account: load it and, when
    // OnAccountChanged is assigned, report it (account, none) and switch monitoring on for it.
    void HandleNewAccount(TMailProfile* profile);

    const TAccountChangedEvent& OnAccountChanged() const { return OnAccountChanged_; }
    void SetOnAccountChanged(TAccountChangedEvent handler) { OnAccountChanged_ = handler; }
    // Raises OnAccountChanged when it is assigned.
    void RaiseAccountChanged(TMailAccount* account, TMailAccount* previous);

    // Profiles in detection order; the store owns them.
    const std::vector<std::unique_ptr<TMailProfile>>& Profiles() const { return Profiles_; }
    // Enters a profile (stores use it while detecting); returns it.
    TMailProfile* AppendProfile(std::unique_ptr<TMailProfile> profile);

    bool AutoSave() const { return AutoSave_; }
    void SetAutoSave(bool value) { AutoSave_ = value; }
    bool AccountPasswordsAvailable() const { return AccountPasswordsAvailable_; }
    void SetAccountPasswordsAvailable(bool value) { AccountPasswordsAvailable_ = value; }
    bool ProfilePasswordsAvailable() const { return ProfilePasswordsAvailable_; }
    void SetProfilePasswordsAvailable(bool value) { ProfilePasswordsAvailable_ = value; }
    const std::string& ClientName() const { return ClientName_; }
    void SetClientName(const std::string& value) { ClientName_ = value; }
    bool Installed() const { return Installed_; }
    void SetInstalled(bool value) { Installed_ = value; }
    bool IsDefaultClient() const { return IsDefaultClient_; }
    void SetIsDefaultClient(bool value) { IsDefaultClient_ = value; }
    bool HangUpAfterSpool() const { return HangUpAfterSpool_; }
    std::int32_t ClientMajorVersion() const { return ClientMajorVersion_; }
    void SetClientMajorVersion(std::int32_t value) { ClientMajorVersion_ = value; }
    bool CheckMailOnStartup() const { return CheckMailOnStartup_; }
    void SetCheckMailOnStartup(bool value) { CheckMailOnStartup_ = value; }
    std::int32_t PollInterval() const { return PollInterval_; }
    void SetPollInterval(std::int32_t value) { PollInterval_ = value; }
    const std::string& ClientVersion() const { return ClientVersion_; }
    void SetClientVersion(const std::string& value) { ClientVersion_ = value; }

private:
    bool Monitoring_ = false;
    std::vector<std::unique_ptr<TMailProfile>> Profiles_;
    bool AutoSave_ = false;
    bool AccountPasswordsAvailable_ = false;
    bool ProfilePasswordsAvailable_ = false;
    std::string ClientName_;
    bool Installed_ = false;
    bool IsDefaultClient_ = false;
    bool HangUpAfterSpool_ = false;
    std::int32_t ClientMajorVersion_ = 0;
    bool CheckMailOnStartup_ = false;
    std::int32_t PollInterval_ = 0;
    std::string ClientVersion_;
    TAccountChangedEvent OnAccountChanged_;
};

// Switches the store's AutoSave off for the guard's lifetime and restores it on every way out,
// so that setters used while loading never write.
class TAutoSaveOff {
public:
    explicit TAutoSaveOff(TMailAccounts& store) : Store_(store), Saved_(store.AutoSave()) {
        Store_.SetAutoSave(false);
    }
    ~TAutoSaveOff() { Store_.SetAutoSave(Saved_); }
    TAutoSaveOff(const TAutoSaveOff&) = delete;
    TAutoSaveOff& operator=(const TAutoSaveOff&) = delete;

private:
    TMailAccounts& Store_;
    bool Saved_;
};
