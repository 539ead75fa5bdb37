#include "MailProfile.h"

#include "MailAccounts.h"
#include "MonitorLock.h"

TMailProfile::TMailProfile(TMailAccounts* store, const std::string& location,
                           const std::string& name, const std::string& password)
    : Store_(store), Name_(name), Location_(location), ProfilePassword_(password),
      PasswordProtected_(!password.empty()) {}

TMailProfile::~TMailProfile() {
    Monitors_.TerminateAll();
}

TMailAccount* TMailProfile::AddAccount(int kind, const std::string& address,
                                       const std::string& name, const std::string& password) {
    if (!Store_) {
        return nullptr;
    }
    return Store_->CreateAccount(this, kind, address, name, password);
}

TMailAccount* TMailProfile::AccountByIndex(int index) const {
    if (index < 0 || index >= AccountCount()) {
        return nullptr;
    }
    return Accounts_[static_cast<std::size_t>(index)].get();
}

TMailAccount* TMailProfile::AppendAccount(std::unique_ptr<TMailAccount> account) {
    if (!account) {
        return nullptr;
    }
    account->SetProfile(this);
    Accounts_.push_back(std::move(account));
    return Accounts_.back().get();
}

std::unique_ptr<TMailAccount> TMailProfile::ExtractAccount(int index) {
    if (index < 0 || index >= AccountCount()) {
        return nullptr;
    }
    auto position = Accounts_.begin() + index;
    auto account = std::move(*position);
    Accounts_.erase(position);
    return account;
}

int TMailProfile::IndexOfAccount(const TMailAccount* account) const {
    for (std::size_t i = 0; i < Accounts_.size(); ++i) {
        if (Accounts_[i].get() == account) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TMailProfile::ClearDefault() {
    for (const auto& account : Accounts_) {
        account->IsDefault_ = false;
    }
}

TMailAccount* TMailProfile::FindAccount(const std::string& key) const {
    for (const auto& account : Accounts_) {
        if (account->AccountKey() == key) {
            return account.get();
        }
    }
    return nullptr;
}

bool TMailProfile::EffectiveCheckMailOnStartup() const {
    return UseStoreSettings_ && Store_ ? Store_->CheckMailOnStartup() : CheckMailOnStartup_;
}

std::int32_t TMailProfile::EffectivePollInterval() const {
    return UseStoreSettings_ && Store_ ? Store_->PollInterval() : PollInterval_;
}

void TMailProfile::AddMonitor(std::shared_ptr<TMailMonitor> monitor) {
    Monitors_.Add(std::move(monitor));
}

TMailMonitor& TMailProfile::MonitorByIndex(int index) const {
    return Monitors_.Item(index);
}

void TMailProfile::SetMonitoring(bool value) {
    if (value == Monitoring_) {
        return;
    }
    {
        // No monitor changes the account list while it is walked (MonitorThread.h).
        TMonitorLockHolder hold;
        Monitoring_ = value;
        if (Store_) {
            if (value) {
                Store_->StartProfileMonitor(*this);
            } else {
                Store_->StopProfileMonitor(*this);
            }
        }
        for (const auto& account : Accounts_) {
            account->SetMonitoring(value);
        }
    }
    WaitForStoppedMonitors();
}
