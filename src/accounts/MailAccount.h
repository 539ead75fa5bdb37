#pragma once
// The client-neutral mail account in its two kinds, POP and IMAP.
//
// Setters are write-through: each stores the value and then, when the account belongs to a
// profile whose store has AutoSave on, saves the whole account (also for an unchanged value).
// The fields the stores assign directly (AccountKey, StoreData, IsNew, StoreLocation, Profile,
// Monitors) have plain setters that never save.

#include "AccountProperties.h"
#include "MailMonitor.h"
#include "MailStoreData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TMailProfile;
class TMailAccounts;

// Account kinds wherever a kind is passed.
inline constexpr int AccountKindPOP = 1;
inline constexpr int AccountKindIMAP = 2;

class TMailAccount {
public:
    explicit TMailAccount(TMailProfile* profile);
    virtual ~TMailAccount(); // asks its monitors to stop
    TMailAccount& operator=(const TMailAccount&) = delete;

    // 0 for the base class, AccountKindPOP, AccountKindIMAP.
    virtual int Kind() const { return 0; }
    // A copy of the same kind attached to the same profile but not in its account list; every
    // field is copied except the monitors.
    virtual std::unique_ptr<TMailAccount> Clone() const = 0;
    // Re-reads the account from its client through the store; errors are swallowed.
    virtual void Reload();
    // Ids 0..25 (9 unused), then the kind's own ids.
    virtual TAccountProperties GetProperties() const;

    // Writes the whole account through the store's SaveAccount, AutoSave or not; nothing
    // without a profile or store.
    void Save();
    // Clones, reloads this account and returns the clone, which holds the state before.
    std::unique_ptr<TMailAccount> SnapshotAndReload();
    // Asks the store to remove this account from its profile. The store destroys the
    // account, so nothing may touch it afterwards.
    void Detach();

    static bool SameProperties(const TMailAccount& a, const TMailAccount& b);
    static TAccountChangeRecords Differences(const TMailAccount& current,
                                             const TMailAccount& previous);
    static std::vector<std::string> DescribeChanges(const TAccountChangeRecords& records);

    // Monitors watching this account.
    TMailMonitorList& Monitors() { return Monitors_; }
    void AddMonitor(std::shared_ptr<TMailMonitor> monitor);
    int MonitorCount() const { return Monitors_.Count(); }
    TMailMonitor& MonitorByIndex(int index) const; // "Index out of bounds"

    // Plain fields, assigned by the stores; never save.
    TMailProfile* Profile() const { return Profile_; }
    void SetProfile(TMailProfile* profile) { Profile_ = profile; }
    const std::string& AccountKey() const { return AccountKey_; }
    void SetAccountKey(const std::string& value) { AccountKey_ = value; }
    TMailStoreData& StoreData() { return StoreData_; }
    const TMailStoreData& StoreData() const { return StoreData_; }
    bool IsNew() const { return IsNew_; }
    void SetIsNew(bool value) { IsNew_ = value; }
    const std::string& StoreLocation() const { return StoreLocation_; }
    void SetStoreLocation(const std::string& value) { StoreLocation_ = value; }
    // Writes the flag alone: no other account is touched and nothing is saved.
    void AssignIsDefault(bool value) { IsDefault_ = value; }

    // Switching on asks the store to start monitoring this account, off to stop it; setting
    // the current value again does nothing. Never saves.
    bool Monitoring() const { return Monitoring_; }
    void SetMonitoring(bool value);

    const std::string& AccountName() const { return AccountName_; }
    void SetAccountName(const std::string& value);
    const std::string& DisplayName() const { return DisplayName_; }
    void SetDisplayName(const std::string& value);
    const std::string& EmailAddress() const { return EmailAddress_; }
    void SetEmailAddress(const std::string& value);
    const std::string& UserName() const { return UserName_; }
    void SetUserName(const std::string& value);
    const std::string& Password() const { return Password_; }
    void SetPassword(const std::string& value);
    bool RememberPassword() const { return RememberPassword_; }
    void SetRememberPassword(bool value);
    const std::string& ReplyTo() const { return ReplyTo_; }
    void SetReplyTo(const std::string& value);
    const std::string& Organization() const { return Organization_; }
    void SetOrganization(const std::string& value);
    // True clears the flag on every other account of the profile first.
    bool IsDefault() const { return IsDefault_; }
    void SetIsDefault(bool value);
    std::uint8_t ConnectionType() const { return ConnectionType_; }
    void SetConnectionType(std::uint8_t value);
    const std::string& ConnectionName() const { return ConnectionName_; }
    void SetConnectionName(const std::string& value);
    const std::string& SmtpServer() const { return SmtpServer_; }
    void SetSmtpServer(const std::string& value);
    // SSL and TLS exclude each other: setting one true clears the other.
    bool SmtpUseSSL() const { return SmtpUseSSL_; }
    void SetSmtpUseSSL(bool value);
    bool SmtpUseTLS() const { return SmtpUseTLS_; }
    void SetSmtpUseTLS(bool value);
    bool SmtpUseSPA() const { return SmtpUseSPA_; }
    void SetSmtpUseSPA(bool value);
    std::int32_t SmtpPort() const { return SmtpPort_; }
    void SetSmtpPort(std::int32_t value);
    const std::string& SmtpUserName() const { return SmtpUserName_; }
    void SetSmtpUserName(const std::string& value);
    const std::string& SmtpPassword() const { return SmtpPassword_; }
    void SetSmtpPassword(const std::string& value);
    // 0 none, 1 incoming credentials, 2 SmtpUserName/SmtpPassword, 3 a client's own mode.
    std::uint8_t SmtpAuthMode() const { return SmtpAuthMode_; }
    void SetSmtpAuthMode(std::uint8_t value);
    bool SmtpRememberPassword() const { return SmtpRememberPassword_; }
    void SetSmtpRememberPassword(bool value);
    std::int32_t SmtpTimeout() const { return SmtpTimeout_; }
    void SetSmtpTimeout(std::int32_t value);
    bool RemoveWhenExpired() const { return RemoveWhenExpired_; }
    void SetRemoveWhenExpired(bool value);
    std::int32_t ExpireDays() const { return ExpireDays_; }
    void SetExpireDays(std::int32_t value);

protected:
    // Copies every field except the monitors.
    TMailAccount(const TMailAccount& other);
    // Stores the value, then saves when the store asks for it.
    template <class T> void Assign(T& field, const T& value) {
        field = value;
        AutoSaveIfWanted();
    }
    void AutoSaveIfWanted();
    // The kind's own default, written without saving.
    void SetExpireDaysDefault(std::int32_t days) { ExpireDays_ = days; }

private:
    friend class TMailAccounts; // account creation assigns fields without saving
    friend class TMailProfile;  // ClearDefault

    TMailMonitorList Monitors_;
    bool Monitoring_ = false;
    TMailProfile* Profile_ = nullptr;
    std::string AccountName_;
    std::string DisplayName_;
    std::string EmailAddress_;
    std::string UserName_;
    std::string Password_;
    bool RememberPassword_ = false;
    std::string AccountKey_;
    std::string ReplyTo_;
    std::string Organization_;
    TMailStoreData StoreData_;
    bool IsDefault_ = false;
    std::uint8_t ConnectionType_ = 0;
    std::string ConnectionName_;
    bool IsNew_ = false;
    std::string SmtpServer_;
    bool SmtpUseSSL_ = false;
    bool SmtpUseTLS_ = false;
    bool SmtpUseSPA_ = false;
    std::int32_t SmtpPort_ = 25;
    std::string SmtpUserName_;
    std::string SmtpPassword_;
    std::uint8_t SmtpAuthMode_ = 0;
    bool SmtpRememberPassword_ = false;
    std::int32_t SmtpTimeout_ = 60;
    bool RemoveWhenExpired_ = false;
    std::int32_t ExpireDays_ = 0;
    std::string StoreLocation_;
};

class TPOPMailAccount : public TMailAccount {
public:
    explicit TPOPMailAccount(TMailProfile* profile);

    int Kind() const override { return AccountKindPOP; }
    std::unique_ptr<TMailAccount> Clone() const override;
    TAccountProperties GetProperties() const override;

    const std::string& IncomingServer() const { return IncomingServer_; }
    void SetIncomingServer(const std::string& value);
    std::int32_t IncomingPort() const { return IncomingPort_; }
    void SetIncomingPort(std::int32_t value);
    bool UseSPA() const { return UseSPA_; }
    void SetUseSPA(bool value);
    bool UseSSL() const { return UseSSL_; }
    void SetUseSSL(bool value);
    std::int32_t IncomingTimeout() const { return IncomingTimeout_; }
    void SetIncomingTimeout(std::int32_t value);
    bool LeaveOnServer() const { return LeaveOnServer_; }
    void SetLeaveOnServer(bool value);
    bool RemoveWhenDeleted() const { return RemoveWhenDeleted_; }
    void SetRemoveWhenDeleted(bool value);

protected:
    TPOPMailAccount(const TPOPMailAccount& other) = default;

private:
    std::string IncomingServer_;
    std::int32_t IncomingPort_ = 110;
    bool UseSPA_ = false;
    bool UseSSL_ = false;
    std::int32_t IncomingTimeout_ = 60;
    bool LeaveOnServer_ = false;
    bool RemoveWhenDeleted_ = false;
};

class TIMAPMailAccount : public TMailAccount {
public:
    explicit TIMAPMailAccount(TMailProfile* profile);

    int Kind() const override { return AccountKindIMAP; }
    std::unique_ptr<TMailAccount> Clone() const override;
    TAccountProperties GetProperties() const override;

    bool KeepUnreadOnly() const { return KeepUnreadOnly_; }
    void SetKeepUnreadOnly(bool value);
    const std::string& IncomingServer() const { return IncomingServer_; }
    void SetIncomingServer(const std::string& value);
    std::int32_t IncomingPort() const { return IncomingPort_; }
    void SetIncomingPort(std::int32_t value);
    bool UseSPA() const { return UseSPA_; }
    void SetUseSPA(bool value);
    bool UseSSL() const { return UseSSL_; }
    void SetUseSSL(bool value);
    const std::string& RootFolder() const { return RootFolder_; }
    void SetRootFolder(const std::string& value);
    std::int32_t IncomingTimeout() const { return IncomingTimeout_; }
    void SetIncomingTimeout(std::int32_t value);
    bool RetainByCount() const { return RetainByCount_; }
    void SetRetainByCount(bool value);
    std::int32_t RetainCount() const { return RetainCount_; }
    void SetRetainCount(std::int32_t value);

protected:
    TIMAPMailAccount(const TIMAPMailAccount& other) = default;

private:
    bool KeepUnreadOnly_ = false;
    std::string IncomingServer_;
    std::int32_t IncomingPort_ = 143;
    bool UseSPA_ = false;
    bool UseSSL_ = false;
    std::string RootFolder_;
    std::int32_t IncomingTimeout_ = 60;
    bool RetainByCount_ = false;
    std::int32_t RetainCount_ = 30;
};
