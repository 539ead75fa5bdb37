#pragma once
// A profile (identity, Thunderbird profile, or the one implicit profile of a client without
// any): owns its accounts in load order.

#include "MailAccount.h"
#include "MailMonitor.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TMailAccounts;

class TMailProfile {
public:
    // PasswordProtected is true exactly when the password is not empty.
    TMailProfile(TMailAccounts* store, const std::string& location, const std::string& name,
                 const std::string& password);
    virtual ~TMailProfile();
    TMailProfile(const TMailProfile&) = delete;
    TMailProfile& operator=(const TMailProfile&) = delete;

    // Forwards to the store's account creation for this profile; none without a store or for
    // a kind other than AccountKindPOP/AccountKindIMAP.
    virtual TMailAccount* AddAccount(int kind, const std::string& address, const std::string& name,
                                     const std::string& password);

    // Accounts, in load order. The profile owns them.
    const std::vector<std::unique_ptr<TMailAccount>>& Accounts() const { return Accounts_; }
    int AccountCount() const { return static_cast<int>(Accounts_.size()); }
    TMailAccount* AccountByIndex(int index) const; // none outside 0..count-1
    // Enters an account into the list (stores use it while loading and creating); returns it.
    TMailAccount* AppendAccount(std::unique_ptr<TMailAccount> account);
    // Takes the account at the index out of the list; none outside 0..count-1.
    std::unique_ptr<TMailAccount> ExtractAccount(int index);
    int IndexOfAccount(const TMailAccount* account) const; // -1 when not in the list
    // Clears IsDefault on every account without saving anything.
    void ClearDefault();
    // First account whose AccountKey equals the key exactly (case-sensitive); none otherwise.
    TMailAccount* FindAccount(const std::string& key) const;

    // The store's settings when UseStoreSettings is set and there is a store, else the own.
    bool EffectiveCheckMailOnStartup() const;
    std::int32_t EffectivePollInterval() const;

    // Monitors watching the profile for new accounts.
    TMailMonitorList& Monitors() { return Monitors_; }
    void AddMonitor(std::shared_ptr<TMailMonitor> monitor);
    int MonitorCount() const { return Monitors_.Count(); }
    TMailMonitor& MonitorByIndex(int index) const; // "Index out of bounds"
    // Unchanged value: nothing. Otherwise records it, starts or stops the profile's
    // new-account monitor through the store, then switches every account the same way, all
    // holding the monitor lock, and waits for the monitors it stopped.
    bool Monitoring() const { return Monitoring_; }
    void SetMonitoring(bool value);

    TMailAccounts* Store() const { return Store_; }
    void SetStore(TMailAccounts* store) { Store_ = store; }
    bool IsDefaultProfile() const { return IsDefaultProfile_; }
    void SetIsDefaultProfile(bool value) { IsDefaultProfile_ = value; }
    const std::string& Name() const { return Name_; }
    void SetName(const std::string& value) { Name_ = value; }
    const std::string& Location() const { return Location_; }
    void SetLocation(const std::string& value) { Location_ = value; }
    const std::string& ProfilePassword() const { return ProfilePassword_; }
    void SetProfilePassword(const std::string& value) { ProfilePassword_ = value; }
    bool PasswordProtected() const { return PasswordProtected_; }
    void SetPasswordProtected(bool value) { PasswordProtected_ = value; }
    bool CheckMailOnStartup() const { return CheckMailOnStartup_; }
    void SetCheckMailOnStartup(bool value) { CheckMailOnStartup_ = value; }
    std::int32_t PollInterval() const { return PollInterval_; }
    void SetPollInterval(std::int32_t value) { PollInterval_ = value; }
    bool UseStoreSettings() const { return UseStoreSettings_; }
    void SetUseStoreSettings(bool value) { UseStoreSettings_ = value; }
    const std::string& AccountsLocation() const { return AccountsLocation_; }
    void SetAccountsLocation(const std::string& value) { AccountsLocation_ = value; }
    const std::string& AccountFilePattern() const { return AccountFilePattern_; }
    void SetAccountFilePattern(const std::string& value) { AccountFilePattern_ = value; }

private:
    TMailMonitorList Monitors_;
    TMailAccounts* Store_ = nullptr;
    std::vector<std::unique_ptr<TMailAccount>> Accounts_;
    bool IsDefaultProfile_ = false;
    std::string Name_;
    std::string Location_;
    std::string ProfilePassword_;
    bool PasswordProtected_ = false;
    bool CheckMailOnStartup_ = false;
    std::int32_t PollInterval_ = 0;
    bool UseStoreSettings_ = true;
    bool Monitoring_ = false;
    std::string AccountsLocation_;
    std::string AccountFilePattern_;
};
