#include "MailAccounts.h"

#include "MonitorLock.h"
#include "MonitorStart.h"

#include "platform/Files.h"
#include "platform/Registry.h"

namespace {

bool IsDirectory(const platform::TFindEntry& entry) {
    return (entry.Attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsDotEntry(const platform::TFindEntry& entry) {
    return entry.Name == "." || entry.Name == "..";
}

} // namespace

TMailAccounts::TMailAccounts(bool autoSave) : AutoSave_(autoSave) {}

TMailAccounts::~TMailAccounts() {
    ShutDownMonitors();
}

TMailAccount* TMailAccounts::LoadNewAccount(TMailProfile* profile) {
    if (!profile) {
        return nullptr;
    }
    TAutoSaveOff autoSaveOff(*this);
    for (const auto& key : ListAccountKeys(profile)) {
        if (profile->FindAccount(key)) {
            continue;
        }
        if (auto account = LoadAccount(profile, key, std::string())) {
            // Enter it, so that it is owned and not loaded again at the next notification.
            return profile->AppendAccount(std::move(account));
        }
    }
    return nullptr;
}

std::vector<std::string> TMailAccounts::ListRegistryAccountKeys(TMailProfile* profile) {
    if (!profile) {
        return {};
    }
    try {
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        if (!registry.OpenKeyReadOnly(profile->AccountsLocation())) {
            return {};
        }
        return registry.GetKeyNames();
    } catch (const std::exception&) {
        return {};
    }
}

std::vector<std::string> TMailAccounts::ListAccountFiles(TMailProfile* profile) {
    std::vector<std::string> files;
    if (!profile || profile->AccountsLocation().empty()) {
        return files;
    }
    const std::string location = platform::IncludeTrailingBackslash(profile->AccountsLocation());
    for (const auto& folder : platform::FindFiles(location + "*")) {
        if (!IsDirectory(folder) || IsDotEntry(folder)) {
            continue;
        }
        const std::string directory = location + folder.Name + "\\";
        for (const auto& file : platform::FindFiles(directory + profile->AccountFilePattern())) {
            // A folder matching the pattern is no account file.
            if (!IsDirectory(file)) {
                files.push_back(directory + file.Name);
            }
        }
    }
    return files;
}

std::unique_ptr<TMailAccount> TMailAccounts::LoadAccount(TMailProfile*, const std::string&,
                                                         const std::string&) {
    return nullptr;
}

TMailAccount* TMailAccounts::CreateAccount(TMailProfile* profile, int kind,
                                           const std::string& address, const std::string& name,
                                           const std::string& password) {
    if (!profile) {
        return nullptr;
    }
    std::unique_ptr<TMailAccount> account;
    if (kind == AccountKindPOP) {
        account = std::make_unique<TPOPMailAccount>(profile);
    } else if (kind == AccountKindIMAP) {
        account = std::make_unique<TIMAPMailAccount>(profile);
    } else {
        return nullptr;
    }
    account->SetAccountKey(NewAccountKey(profile));
    // Plain field writes: creating an account saves it at most once, below.
    account->IsNew_ = true;
    account->AccountName_ = name;
    account->DisplayName_ = name;
    account->UserName_ = name;
    account->EmailAddress_ = address;
    account->Password_ = password;
    account->RememberPassword_ = !password.empty();
    TMailAccount* created = profile->AppendAccount(std::move(account));
    if (profile->AccountCount() == 1) {
        created->IsDefault_ = true;
    }
    if (AutoSave_) {
        SaveAccount(*created);
    }
    return created;
}

void TMailAccounts::DeleteAccount(TMailProfile* profile, int index) {
    if (profile) {
        profile->ExtractAccount(index); // the account dies here
    }
}

void TMailAccounts::StopAccountMonitor(TMailAccount& account) {
    account.Monitors().TerminateAll();
}

void TMailAccounts::ReloadPOPAccountFromRegistry(TMailAccount& account) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (registry.OpenKey(account.StoreLocation(), true)) {
        ReadPOPAccount(registry, account);
    }
}

void TMailAccounts::ReadPOPAccount(platform::TRegistry&, TMailAccount&) {}

void TMailAccounts::ReloadIMAPAccountFromRegistry(TMailAccount& account) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (registry.OpenKey(account.StoreLocation(), true)) {
        ReadIMAPAccount(registry, account);
    }
}

void TMailAccounts::ReadIMAPAccount(platform::TRegistry&, TMailAccount&) {}

TMailAccount* TMailAccounts::AddAccount(int kind, const std::string& address,
                                        const std::string& name, const std::string& password) {
    TMailProfile* profile = DefaultProfile();
    if (!profile) {
        return nullptr;
    }
    return CreateAccount(profile, kind, address, name, password);
}

TMailProfile* TMailAccounts::AddProfile(const std::string& name, const std::string& password) {
    auto profile = std::make_unique<TMailProfile>(this, std::string(), name, password);
    profile->SetIsDefaultProfile(Profiles_.empty());
    return AppendProfile(std::move(profile));
}

void TMailAccounts::SaveProfile(TMailProfile&) {}

void TMailAccounts::RemoveAccount(TMailAccount& account) {
    for (const auto& profile : Profiles_) {
        const int index = profile->IndexOfAccount(&account);
        if (index >= 0) {
            DeleteAccount(profile.get(), index);
            return;
        }
    }
}

void TMailAccounts::DeleteDefaultProfileAccount(int index) {
    if (TMailProfile* profile = DefaultProfile()) {
        DeleteAccount(profile, index);
    }
}

void TMailAccounts::StartProfileMonitor(TMailProfile& profile) {
    StartNewAccountsMonitor(*this, profile);
}

void TMailAccounts::StopProfileMonitor(TMailProfile& profile) {
    profile.Monitors().TerminateAll();
}

TMailProfile* TMailAccounts::DefaultProfile() {
    if (Profiles_.empty()) {
        return nullptr;
    }
    for (const auto& profile : Profiles_) {
        if (profile->IsDefaultProfile()) {
            return profile.get();
        }
    }
    Profiles_.front()->SetIsDefaultProfile(true);
    return Profiles_.front().get();
}

int TMailAccounts::AccountCount() {
    const TMailProfile* profile = DefaultProfile();
    return profile ? profile->AccountCount() : 0;
}

TMailAccount* TMailAccounts::AccountByIndex(int index) {
    const TMailProfile* profile = DefaultProfile();
    return profile ? profile->AccountByIndex(index) : nullptr;
}

TMailProfile* TMailAccounts::ProfileByIndex(int index) const {
    if (index < 0 || index >= ProfileCount()) {
        return nullptr;
    }
    return Profiles_[static_cast<std::size_t>(index)].get();
}

std::vector<std::string> TMailAccounts::ListAccountKeys(TMailProfile* profile) {
    return IsRegistryBased() ? ListRegistryAccountKeys(profile) : ListAccountFiles(profile);
}

void TMailAccounts::SetMonitoring(bool value) {
    if (value == Monitoring_) {
        return;
    }
    {
        // No monitor changes the store while it is walked (MonitorThread.h).
        TMonitorLockHolder hold;
        Monitoring_ = value;
        for (const auto& profile : Profiles_) {
            profile->SetMonitoring(value);
        }
    }
    WaitForStoppedMonitors();
}

void TMailAccounts::ShutDownMonitors() {
    {
        // Monitors at work change the store (a deleted account leaves its profile): walk it
        // while none of them can.
        TMonitorLockHolder hold;
        SetMonitoring(false);
        for (const auto& profile : Profiles_) {
            profile->Monitors().TerminateAll();
            for (const auto& account : profile->Accounts()) {
                account->Monitors().TerminateAll();
            }
        }
    }
    WaitForStoppedMonitors();
}

void TMailAccounts::HandleNewAccount(TMailProfile* profile) {
    TMailAccount* account = LoadNewAccount(profile);
    // Without a receiver there is no one to report to, and nothing to watch the account for.
    if (!account || !OnAccountChanged_) {
        return;
    }
    RaiseAccountChanged(account, nullptr);
    account->SetMonitoring(true);
}

void TMailAccounts::RaiseAccountChanged(TMailAccount* account, TMailAccount* previous) {
    if (OnAccountChanged_) {
        OnAccountChanged_(this, account, previous);
    }
}

TMailProfile* TMailAccounts::AppendProfile(std::unique_ptr<TMailProfile> profile) {
    if (!profile) {
        return nullptr;
    }
    profile->SetStore(this);
    Profiles_.push_back(std::move(profile));
    return Profiles_.back().get();
}
