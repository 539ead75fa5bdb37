// Outlook 98/2000 store: detection, MAPI profiles and loading accounts.

#include "clients/outlook/Outlook98.h"

#include "accounts/MonitorStart.h"
#include "accounts/RegistryHelpers.h"
#include "accounts/SystemHelpers.h"
#include "clients/outlook/MapiProfiles.h"
#include "clients/outlook/Outlook98Keys.h"
#include "clients/outlook/Outlook98Services.h"
#include "clients/outlook/OutlookProgram.h"

#include <exception>

using platform::TRegistry;
using namespace outlook_values;
namespace keys = outlook98_keys;
namespace services = outlook98_services;

namespace {

std::string Absolute(const std::string& key) {
    return "\\" + key;
}

bool KeyExists(const std::string& key) {
    return TRegistry(platform::HKEY_CURRENT_USER).KeyExists(Absolute(key));
}

// A profile Outlook has set up: its own section says so with "000b0340" = 00 00.
bool Qualifies(const std::string& profileKey) {
    TRegistry section(platform::HKEY_CURRENT_USER);
    return section.OpenKeyReadOnly(Absolute(profileKey + "\\" + mapi_profiles::ProfileSection)) &&
           ReadRegBinaryHex(section, "000b0340") == "0000";
}

std::string ReadDefaultMailAccount(const std::string& accountManager) {
    TRegistry registry(platform::HKEY_CURRENT_USER);
    return registry.OpenKeyReadOnly(Absolute(accountManager))
               ? ReadRegStringChecked(registry, keys::DefaultMailAccount)
               : std::string();
}

} // namespace

TOutlook98MailAccounts::TOutlook98MailAccounts(bool autoSave, TRandomSource& random)
    : TMailAccounts(false), Random_(random),
      Passwords_(TOutlookPasswordStore::Outlook98, OutlookWindowsVersion(), random) {
    Detect();
    SetAutoSave(autoSave);
}

TOutlook98MailAccounts::~TOutlook98MailAccounts() {
    ShutDownMonitors(); // monitors call this store's operations
}

void TOutlook98MailAccounts::Detect() {
    const auto program = FindOutlookProgram();
    if (!program || (program->MajorVersion != 8 && program->MajorVersion != 9)) {
        return;
    }
    SetClientMajorVersion(program->MajorVersion);
    SetClientVersion(program->Version);
    SetClientName(program->MajorVersion == 8 ? "Outlook 98" : "Outlook 2000");
    if (!FindAccountManager()) {
        return;
    }
    SetInstalled(true);
    SetAccountPasswordsAvailable(Passwords_.ObtainProvider());
    const std::string defaultClient = DefaultMailClientName();
    SetIsDefaultClient(defaultClient.find("Outlook") != std::string::npos &&
                       defaultClient.find("Express") == std::string::npos);
    ProfilesKey_ = mapi_profiles::ProfilesKey(OutlookWindowsVersion());
    LoadProfiles();
}

bool TOutlook98MailAccounts::FindAccountManager() {
    const bool office80 = KeyExists(keys::AccountsOf(keys::AccountManager80));
    const bool office = KeyExists(keys::AccountsOf(keys::AccountManager));
    if (office80 && office && KeyExists(keys::Office90)) {
        // An Outlook 98 tree left behind by an update to Outlook 2000 from the Office suite.
        AccountManager_ = keys::AccountManager;
        SetClientName("Office Outlook 2000");
    } else if (office80) {
        AccountManager_ = keys::AccountManager80;
    } else if (office) {
        AccountManager_ = keys::AccountManager;
    }
    return !AccountManager_.empty();
}

void TOutlook98MailAccounts::LoadProfiles() {
    std::vector<std::string> names;
    std::string defaultProfile;
    {
        TRegistry registry(platform::HKEY_CURRENT_USER);
        if (registry.OpenKeyReadOnly(Absolute(ProfilesKey_))) {
            if (!registry.ValueExists(mapi_profiles::DefaultProfile)) {
                SetInstalled(false); // MAPI was never set up for this user
                return;
            }
            defaultProfile = ReadRegStringChecked(registry, mapi_profiles::DefaultProfile);
            names = registry.GetKeyNames();
        }
    }
    for (const std::string& name : names) {
        const std::string profileKey = mapi_profiles::ProfileKey(ProfilesKey_, name);
        if (!Qualifies(profileKey)) {
            continue;
        }
        MapiProfileMode_ = true;
        auto profile = std::make_unique<TMailProfile>(this, name, name, std::string());
        profile->SetPasswordProtected(false);
        profile->SetIsDefaultProfile(SameTextIgnoreCase(name, defaultProfile));
        profile->SetAccountFilePattern(profileKey);
        profile->SetAccountsLocation(keys::AccountsOf(AccountManager_));
        LoadProfileAccounts(*profile);
        AppendProfile(std::move(profile));
    }
    if (ProfileCount() == 0) {
        auto profile =
            std::make_unique<TMailProfile>(this, keys::NoProfile, keys::NoProfile, std::string());
        profile->SetIsDefaultProfile(true);
        profile->SetAccountsLocation(keys::AccountsOf(AccountManager_));
        LoadProfileAccounts(*profile);
        AppendProfile(std::move(profile));
    }
}

void TOutlook98MailAccounts::LoadProfileAccounts(TMailProfile& profile) {
    TServices found;
    if (MapiProfileMode_) {
        found = services::CollectServices(profile.AccountFilePattern());
        if (found.empty()) {
            return; // a profile without Internet mail
        }
    }
    const std::string defaultKey = ReadDefaultMailAccount(AccountManager_);
    std::vector<std::string> accountKeys;
    {
        TRegistry registry(platform::HKEY_CURRENT_USER);
        if (!registry.OpenKeyReadOnly(Absolute(profile.AccountsLocation()))) {
            return;
        }
        accountKeys = registry.GetKeyNames();
    }
    for (const std::string& key : accountKeys) {
        if (auto account =
                LoadAccountKey(profile, key, defaultKey, MapiProfileMode_ ? &found : nullptr)) {
            profile.AppendAccount(std::move(account));
        }
    }
}

std::unique_ptr<TMailAccount>
TOutlook98MailAccounts::LoadAccount(TMailProfile* profile, const std::string& accountKey,
                                    const std::string& defaultAccountKey) {
    if (profile == nullptr || accountKey.empty() || AccountManager_.empty()) {
        return nullptr;
    }
    const std::string defaultKey =
        defaultAccountKey.empty() ? ReadDefaultMailAccount(AccountManager_) : defaultAccountKey;
    if (!MapiProfileMode_) {
        return LoadAccountKey(*profile, accountKey, defaultKey, nullptr);
    }
    const TServices found = services::CollectServices(profile->AccountFilePattern());
    return LoadAccountKey(*profile, accountKey, defaultKey, &found);
}

std::unique_ptr<TMailAccount> TOutlook98MailAccounts::LoadAccountKey(TMailProfile& profile,
                                                                     const std::string& key,
                                                                     const std::string& defaultKey,
                                                                     const TServices* found) {
    const TAutoSaveOff autoSaveOff(*this);
    try {
        TRegistry registry(platform::HKEY_CURRENT_USER);
        if (!registry.OpenKeyReadOnly(Absolute(profile.AccountsLocation() + "\\" + key))) {
            return nullptr;
        }
        const TKeyValues values(registry);
        registry.CloseKey();
        std::unique_ptr<TMailAccount> account;
        if (values.Exists(Pop3Values.Server)) {
            account = std::make_unique<TPOPMailAccount>(&profile);
        } else if (values.Exists(ImapValues.Server)) {
            account = std::make_unique<TIMAPMailAccount>(&profile);
        } else {
            return nullptr; // news, directory service and other kinds of account
        }
        ReadAccount(values, *account);
        if (account->AccountName().empty()) {
            return nullptr;
        }
        if (found != nullptr) {
            const auto service = found->find(account->AccountName());
            if (service == found->end()) {
                return nullptr; // the account is not part of this profile
            }
            services::RecordServiceKeys(account->StoreData(), service->second);
        }
        account->SetAccountKey(key);
        // Outlook compares the key names exactly, letter case included.
        account->AssignIsDefault(key == defaultKey);
        return account;
    } catch (const std::exception&) {
        return nullptr; // a value of the wrong type: this account is left out, the others load
    }
}

bool TOutlook98MailAccounts::IsClientRunning() const {
    return IsComObjectRunning("Outlook.Application");
}

void TOutlook98MailAccounts::StartAccountMonitor(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (account.MonitorCount() > 0 || profile == nullptr || account.AccountKey().empty()) {
        return;
    }
    StartRegistryAccountMonitor(*this, account, platform::HKEY_CURRENT_USER,
                                profile->AccountsLocation() + "\\" + account.AccountKey());
}

void TOutlook98MailAccounts::ReloadPOPAccount(TMailAccount& account) {
    ReloadPOPAccountFromRegistry(account);
}

void TOutlook98MailAccounts::ReloadIMAPAccount(TMailAccount& account) {
    ReloadIMAPAccountFromRegistry(account);
}

void TOutlook98MailAccounts::ReadPOPAccount(TRegistry& key, TMailAccount& account) {
    ReadAccount(TKeyValues(key), account);
}

void TOutlook98MailAccounts::ReadIMAPAccount(TRegistry& key, TMailAccount& account) {
    ReadAccount(TKeyValues(key), account);
}
