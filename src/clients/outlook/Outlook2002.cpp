// Outlook 2002/2003/2007 store: detection, MAPI profiles and loading accounts.

#include "clients/outlook/Outlook2002.h"

#include "accounts/MonitorStart.h"
#include "accounts/RegistryHelpers.h"
#include "accounts/SystemHelpers.h"
#include "clients/outlook/AccountKeyNames.h"
#include "clients/outlook/MapiProfiles.h"
#include "clients/outlook/Outlook2002Values.h"
#include "clients/outlook/OutlookAccountValues.h"
#include "clients/outlook/OutlookProgram.h"

#include <exception>

using platform::TRegistry;
using namespace outlook2002_values;
using outlook_values::TKeyValues;

namespace {

constexpr const char* HangupAfterSpool = "Hangup After Spool";
// The profile Outlook starts with when "DefaultProfile" is missing.
constexpr const char* StandardProfile = "Outlook";

std::string Absolute(const std::string& key) {
    return "\\" + key;
}

bool KeyExists(const std::string& key) {
    return TRegistry(platform::HKEY_CURRENT_USER).KeyExists(Absolute(key));
}

std::string OfficeKeyOf(int majorVersion) {
    return "Software\\Microsoft\\Office\\" + std::to_string(majorVersion) + ".0";
}

const char* ClientNameOf(int majorVersion) {
    switch (majorVersion) {
    case 10:
        return "Outlook 2002";
    case 11:
        return "Outlook 2003";
    case 12:
        return "Outlook 2007";
    default:
        return nullptr;
    }
}

// The key of the profile's default account: the first number of its list.
std::string DefaultAccountKey(const std::string& accountManager) {
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly(Absolute(accountManager)) ||
        registry.GetDataType(AccountList) != platform::TRegDataType::rdBinary) {
        return std::string();
    }
    const auto numbers = AccountNumbers(registry.ReadBinaryData(AccountList));
    return numbers.empty() ? std::string() : AccountKeyName(numbers.front());
}

} // namespace

TOutlookMailAccounts::TOutlookMailAccounts(bool autoSave, TRandomSource& random)
    : TMailAccounts(false),
      Passwords_(TOutlookPasswordStore::Outlook2002, OutlookWindowsVersion(), random) {
    Detect();
    SetAutoSave(autoSave);
}

TOutlookMailAccounts::~TOutlookMailAccounts() {
    ShutDownMonitors(); // monitors call this store's operations
}

std::string TOutlookMailAccounts::OfficeKey() const {
    return OfficeKeyOf(ClientMajorVersion());
}

void TOutlookMailAccounts::Detect() {
    const auto program = FindOutlookProgram();
    const char* name = program ? ClientNameOf(program->MajorVersion) : nullptr;
    if (name == nullptr) {
        return;
    }
    SetClientMajorVersion(program->MajorVersion);
    SetClientVersion(program->Version);
    SetClientName(name);
    ProfilesKey_ = mapi_profiles::ProfilesKey(OutlookWindowsVersion());
    if (!KeyExists(ProfilesKey_) || (!KeyExists(OfficeKeyOf(10)) && !KeyExists(OfficeKeyOf(11)) &&
                                     !KeyExists(OfficeKeyOf(12)))) {
        return;
    }
    if (ClientMajorVersion() == 10) {
        Passwords_.ObtainProvider(); // Outlook 2003 and 2007 seal their passwords themselves
    }
    TRegistry options(platform::HKEY_CURRENT_USER);
    if (options.OpenKeyReadOnly(Absolute(OfficeKey() + "\\Outlook\\Options\\Mail")) &&
        options.ValueExists(HangupAfterSpool)) {
        SetHangUpAfterSpool(ReadRegIntegerDef(options, HangupAfterSpool, 0) == 1);
    }
    options.CloseKey();
    const std::string defaultClient = DefaultMailClientName();
    SetIsDefaultClient(defaultClient.find("Outlook") != std::string::npos &&
                       defaultClient.find("Express") == std::string::npos);
    SetAccountPasswordsAvailable(true);
    SetInstalled(true);
    LoadProfiles();
}

void TOutlookMailAccounts::LoadProfiles() {
    std::vector<std::string> names;
    std::string defaultProfile = StandardProfile;
    {
        TRegistry registry(platform::HKEY_CURRENT_USER);
        if (!registry.OpenKeyReadOnly(Absolute(ProfilesKey_))) {
            return;
        }
        if (registry.ValueExists(mapi_profiles::DefaultProfile)) {
            defaultProfile = ReadRegStringChecked(registry, mapi_profiles::DefaultProfile);
        }
        names = registry.GetKeyNames();
    }
    for (const std::string& name : names) {
        const std::string profileKey = mapi_profiles::ProfileKey(ProfilesKey_, name);
        if (!KeyExists(profileKey + "\\" + mapi_profiles::ProfileSection)) {
            continue; // a profile Outlook has not set up
        }
        auto profile = std::make_unique<TMailProfile>(this, name, name, std::string());
        profile->SetPasswordProtected(false);
        profile->SetIsDefaultProfile(SameTextIgnoreCase(name, defaultProfile));
        profile->SetAccountFilePattern(profileKey);
        profile->SetAccountsLocation(profileKey + "\\" + AccountManagerSection);
        LoadProfileAccounts(*profile);
        AppendProfile(std::move(profile));
    }
}

void TOutlookMailAccounts::LoadProfileAccounts(TMailProfile& profile) {
    std::vector<std::string> accountKeys;
    {
        TRegistry registry(platform::HKEY_CURRENT_USER);
        if (!registry.OpenKeyReadOnly(Absolute(profile.AccountsLocation()))) {
            return;
        }
        accountKeys = registry.GetKeyNames();
    }
    const std::string defaultKey = DefaultAccountKey(profile.AccountsLocation());
    for (const std::string& key : accountKeys) {
        if (auto account = LoadAccount(&profile, key, defaultKey)) {
            profile.AppendAccount(std::move(account));
        }
    }
}

std::unique_ptr<TMailAccount>
TOutlookMailAccounts::LoadAccount(TMailProfile* profile, const std::string& accountKey,
                                  const std::string& defaultAccountKey) {
    if (profile == nullptr || accountKey.empty() || profile->AccountsLocation().empty()) {
        return nullptr;
    }
    const TAutoSaveOff autoSaveOff(*this);
    try {
        const std::string defaultKey = defaultAccountKey.empty()
                                           ? DefaultAccountKey(profile->AccountsLocation())
                                           : defaultAccountKey;
        TRegistry registry(platform::HKEY_CURRENT_USER);
        if (!registry.OpenKeyReadOnly(Absolute(profile->AccountsLocation() + "\\" + accountKey))) {
            return nullptr;
        }
        const TKeyValues values(registry);
        registry.CloseKey();
        std::unique_ptr<TMailAccount> account;
        const auto clsid =
            outlook_values::ReadString(values, Clsid, outlook_values::TStringRead::StringOnly);
        switch (KindOfClsid(clsid.value_or(""))) {
        case AccountKindPOP:
            account = std::make_unique<TPOPMailAccount>(profile);
            break;
        case AccountKindIMAP:
            account = std::make_unique<TIMAPMailAccount>(profile);
            break;
        default:
            return nullptr; // Exchange, HTTP, directory and other kinds of account
        }
        ReadAccount(values, *account);
        if (account->AccountName().empty()) {
            return nullptr;
        }
        account->SetAccountKey(accountKey);
        account->AssignIsDefault(SameTextIgnoreCase(accountKey, defaultKey));
        return account;
    } catch (const std::exception&) {
        return nullptr; // a key that cannot be read leaves this account out, not the others
    }
}

bool TOutlookMailAccounts::IsClientRunning() const {
    return IsComObjectRunning("Outlook.Application") || IsProcessRunning("outlook.exe");
}

void TOutlookMailAccounts::StartAccountMonitor(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (account.MonitorCount() > 0 || profile == nullptr || account.AccountKey().empty()) {
        return;
    }
    StartRegistryAccountMonitor(*this, account, platform::HKEY_CURRENT_USER,
                                profile->AccountsLocation() + "\\" + account.AccountKey());
}

void TOutlookMailAccounts::ReloadPOPAccount(TMailAccount& account) {
    ReloadPOPAccountFromRegistry(account);
}

void TOutlookMailAccounts::ReloadIMAPAccount(TMailAccount& account) {
    ReloadIMAPAccountFromRegistry(account);
}

void TOutlookMailAccounts::ReadPOPAccount(TRegistry& key, TMailAccount& account) {
    ReadAccount(TKeyValues(key), account);
}

void TOutlookMailAccounts::ReadIMAPAccount(TRegistry& key, TMailAccount& account) {
    ReadAccount(TKeyValues(key), account);
}
