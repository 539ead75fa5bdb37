#include "MailAccount.h"

#include "MailAccounts.h"
#include "MailProfile.h"

namespace {

TMailAccounts* StoreOf(const TMailProfile* profile) {
    return profile ? profile->Store() : nullptr;
}

std::int64_t Number(std::int64_t value) {
    return value;
}

} // namespace

TMailAccount::TMailAccount(TMailProfile* profile) : Profile_(profile) {}

TMailAccount::TMailAccount(const TMailAccount& other)
    : Monitors_(), Monitoring_(other.Monitoring_), Profile_(other.Profile_),
      AccountName_(other.AccountName_), DisplayName_(other.DisplayName_),
      EmailAddress_(other.EmailAddress_), UserName_(other.UserName_), Password_(other.Password_),
      RememberPassword_(other.RememberPassword_), AccountKey_(other.AccountKey_),
      ReplyTo_(other.ReplyTo_), Organization_(other.Organization_), StoreData_(other.StoreData_),
      IsDefault_(other.IsDefault_), ConnectionType_(other.ConnectionType_),
      ConnectionName_(other.ConnectionName_), IsNew_(other.IsNew_), SmtpServer_(other.SmtpServer_),
      SmtpUseSSL_(other.SmtpUseSSL_), SmtpUseTLS_(other.SmtpUseTLS_),
      SmtpUseSPA_(other.SmtpUseSPA_), SmtpPort_(other.SmtpPort_),
      SmtpUserName_(other.SmtpUserName_), SmtpPassword_(other.SmtpPassword_),
      SmtpAuthMode_(other.SmtpAuthMode_), SmtpRememberPassword_(other.SmtpRememberPassword_),
      SmtpTimeout_(other.SmtpTimeout_), RemoveWhenExpired_(other.RemoveWhenExpired_),
      ExpireDays_(other.ExpireDays_), StoreLocation_(other.StoreLocation_) {}

TMailAccount::~TMailAccount() {
    // A monitor must not go on watching an account that no longer exists.
    Monitors_.TerminateAll();
}

void TMailAccount::AutoSaveIfWanted() {
    const TMailAccounts* store = StoreOf(Profile_);
    if (store && store->AutoSave()) {
        Save();
    }
}

void TMailAccount::Save() {
    if (TMailAccounts* store = StoreOf(Profile_)) {
        store->SaveAccount(*this);
    }
}

void TMailAccount::Reload() {
    TMailAccounts* store = StoreOf(Profile_);
    if (!store) {
        return;
    }
    try {
        if (Kind() == AccountKindPOP) {
            store->ReloadPOPAccount(*this);
        } else if (Kind() == AccountKindIMAP) {
            store->ReloadIMAPAccount(*this);
        }
    } catch (...) {
        // A client whose configuration cannot be read right now leaves the account as far as
        // it got; the next change notification tries again.
    }
}

std::unique_ptr<TMailAccount> TMailAccount::SnapshotAndReload() {
    auto previous = Clone();
    Reload();
    return previous;
}

void TMailAccount::Detach() {
    if (TMailAccounts* store = StoreOf(Profile_)) {
        store->RemoveAccount(*this);
    }
}

TAccountProperties TMailAccount::GetProperties() const {
    namespace id = PropertyId;
    return {
        {id::AccountName, AccountName_},
        {id::DisplayName, DisplayName_},
        {id::EmailAddress, EmailAddress_},
        {id::UserName, UserName_},
        {id::Password, Password_},
        {id::RememberPassword, RememberPassword_},
        {id::AccountKey, AccountKey_},
        {id::ReplyTo, ReplyTo_},
        {id::Organization, Organization_},
        {id::IsDefault, IsDefault_},
        {id::ConnectionType, Number(ConnectionType_)},
        {id::ConnectionName, ConnectionName_},
        {id::IsNew, IsNew_},
        {id::SmtpServer, SmtpServer_},
        {id::SmtpUseSSL, SmtpUseSSL_},
        {id::SmtpUseTLS, SmtpUseTLS_},
        {id::SmtpUseSPA, SmtpUseSPA_},
        {id::SmtpPort, Number(SmtpPort_)},
        {id::SmtpUserName, SmtpUserName_},
        {id::SmtpPassword, SmtpPassword_},
        {id::SmtpAuthMode, Number(SmtpAuthMode_)},
        {id::SmtpRememberPassword, SmtpRememberPassword_},
        {id::SmtpTimeout, Number(SmtpTimeout_)},
        {id::RemoveWhenExpired, RemoveWhenExpired_},
        {id::ExpireDays, Number(ExpireDays_)},
    };
}

bool TMailAccount::SameProperties(const TMailAccount& a, const TMailAccount& b) {
    return ::SameProperties(a.GetProperties(), b.GetProperties());
}

TAccountChangeRecords TMailAccount::Differences(const TMailAccount& current,
                                                const TMailAccount& previous) {
    return ::Differences(current.GetProperties(), previous.GetProperties());
}

std::vector<std::string> TMailAccount::DescribeChanges(const TAccountChangeRecords& records) {
    return ::DescribeChanges(records);
}

void TMailAccount::AddMonitor(std::shared_ptr<TMailMonitor> monitor) {
    Monitors_.Add(std::move(monitor));
}

TMailMonitor& TMailAccount::MonitorByIndex(int index) const {
    return Monitors_.Item(index);
}

void TMailAccount::SetMonitoring(bool value) {
    if (value == Monitoring_) {
        return;
    }
    Monitoring_ = value;
    if (TMailAccounts* store = StoreOf(Profile_)) {
        if (value) {
            store->StartAccountMonitor(*this);
        } else {
            store->StopAccountMonitor(*this);
        }
    }
}

void TMailAccount::SetIsDefault(bool value) {
    if (value && Profile_) {
        Profile_->ClearDefault();
    }
    Assign(IsDefault_, value);
}

void TMailAccount::SetSmtpUseSSL(bool value) {
    if (value) {
        SmtpUseTLS_ = false;
    }
    Assign(SmtpUseSSL_, value);
}

void TMailAccount::SetSmtpUseTLS(bool value) {
    if (value) {
        SmtpUseSSL_ = false;
    }
    Assign(SmtpUseTLS_, value);
}

void TMailAccount::SetAccountName(const std::string& value) {
    Assign(AccountName_, value);
}
void TMailAccount::SetDisplayName(const std::string& value) {
    Assign(DisplayName_, value);
}
void TMailAccount::SetEmailAddress(const std::string& value) {
    Assign(EmailAddress_, value);
}
void TMailAccount::SetUserName(const std::string& value) {
    Assign(UserName_, value);
}
void TMailAccount::SetPassword(const std::string& value) {
    Assign(Password_, value);
}
void TMailAccount::SetRememberPassword(bool value) {
    Assign(RememberPassword_, value);
}
void TMailAccount::SetReplyTo(const std::string& value) {
    Assign(ReplyTo_, value);
}
void TMailAccount::SetOrganization(const std::string& value) {
    Assign(Organization_, value);
}
void TMailAccount::SetConnectionType(std::uint8_t value) {
    Assign(ConnectionType_, value);
}
void TMailAccount::SetConnectionName(const std::string& value) {
    Assign(ConnectionName_, value);
}
void TMailAccount::SetSmtpServer(const std::string& value) {
    Assign(SmtpServer_, value);
}
void TMailAccount::SetSmtpUseSPA(bool value) {
    Assign(SmtpUseSPA_, value);
}
void TMailAccount::SetSmtpPort(std::int32_t value) {
    Assign(SmtpPort_, value);
}
void TMailAccount::SetSmtpUserName(const std::string& value) {
    Assign(SmtpUserName_, value);
}
void TMailAccount::SetSmtpPassword(const std::string& value) {
    Assign(SmtpPassword_, value);
}
void TMailAccount::SetSmtpAuthMode(std::uint8_t value) {
    Assign(SmtpAuthMode_, value);
}
void TMailAccount::SetSmtpRememberPassword(bool value) {
    Assign(SmtpRememberPassword_, value);
}
void TMailAccount::SetSmtpTimeout(std::int32_t value) {
    Assign(SmtpTimeout_, value);
}
void TMailAccount::SetRemoveWhenExpired(bool value) {
    Assign(RemoveWhenExpired_, value);
}
void TMailAccount::SetExpireDays(std::int32_t value) {
    Assign(ExpireDays_, value);
}
