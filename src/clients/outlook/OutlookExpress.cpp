// Outlook Express store: detection, identities and reading accounts.

#include "clients/outlook/OutlookExpress.h"

#include "accounts/MonitorStart.h"
#include "accounts/RegistryHelpers.h"
#include "accounts/SystemHelpers.h"
#include "clients/outlook/OutlookAccountValues.h"
#include "clients/outlook/OutlookExpressKeys.h"
#include "platform/Files.h"

#include <exception>

using platform::TGUID;
using platform::TRegistry;
using namespace outlook_values;
namespace keys = outlook_express_keys;

namespace {

constexpr int CsidlProgramFiles = 38;
constexpr std::int32_t MillisecondsPerMinute = 60000;

std::string Absolute(const std::string& key) {
    return "\\" + key;
}

bool IsNull(const TGUID& guid) {
    return SameGuid(guid, TGUID{});
}

// "Default User ID" as Outlook Express writes it (a GUID string), or as a 16-byte binary GUID;
// the null GUID for anything else.
TGUID ReadDefaultUserId(TRegistry& identities) {
    if (identities.GetDataType(keys::DefaultUserId) == platform::TRegDataType::rdString) {
        return StringToGuid(ReadRegStringChecked(identities, keys::DefaultUserId))
            .value_or(TGUID{});
    }
    return ReadRegGuid(identities, keys::DefaultUserId);
}

// The repairs loading makes may fail (a hive that cannot be written); loading goes on without.
template <typename TWrite> void TryWrite(TWrite write) {
    try {
        TRegistry registry(platform::HKEY_CURRENT_USER);
        write(registry);
        registry.CloseKey();
    } catch (const std::exception&) {
    }
}

// Minutes between mail checks from "Poll For Mail" (milliseconds, -1 for never).
std::int32_t PollMinutes(std::int32_t stored) {
    return stored > 0 ? stored / MillisecondsPerMinute : 0;
}

} // namespace

TOutlookExpressMailAccounts::TOutlookExpressMailAccounts(bool autoSave, TRandomSource& random)
    : TMailAccounts(false),
      Passwords_(TOutlookPasswordStore::OutlookExpress, OutlookWindowsVersion(), random) {
    SetClientName("Outlook Express");
    Detect();
    SetAutoSave(autoSave);
}

TOutlookExpressMailAccounts::~TOutlookExpressMailAccounts() {
    ShutDownMonitors(); // monitors call this store's operations
}

void TOutlookExpressMailAccounts::Detect() {
    const std::string programFiles = SpecialFolderPath(CsidlProgramFiles);
    const std::string program = programFiles + "\\Outlook Express\\msimn.exe";
    if (!programFiles.empty() && platform::FileExists(program)) {
        SetClientMajorVersion(FileMajorVersion(program));
        SetClientVersion(FileVersionText(program));
    }
    const bool provider = Passwords_.ObtainProvider();
    SetAccountPasswordsAvailable(provider);
    SetProfilePasswordsAvailable(provider);

    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly(Absolute(keys::AccountsOf(keys::AccountManager)))) {
        return;
    }
    SetInstalled(true);
    const TGUID associated = ReadRegGuid(registry, keys::AssociatedId);
    registry.CloseKey();
    SetIsDefaultClient(DefaultMailClientName().find("Express") != std::string::npos);
    ReadDefaultIdentity(associated);
    LoadIdentities(associated);
}

void TOutlookExpressMailAccounts::ReadDefaultIdentity(const TGUID& associated) {
    TRegistry identities(platform::HKEY_CURRENT_USER);
    if (!identities.OpenKeyReadOnly(Absolute(keys::Identities))) {
        DefaultIdentity_ = associated;
        return;
    }
    DefaultIdentity_ = ReadDefaultUserId(identities);
    identities.CloseKey();
    if (!IsNull(DefaultIdentity_) || IsNull(associated)) {
        return;
    }
    DefaultIdentity_ = associated;
    // Written in the string form Outlook Express uses itself, so a GUID string is never
    // replaced by another form.
    TryWrite([&associated](TRegistry& registry) {
        if (registry.OpenKey(Absolute(keys::Identities), false)) {
            registry.WriteString(keys::DefaultUserId, GuidToString(associated));
        }
    });
}

void TOutlookExpressMailAccounts::LoadIdentities(const TGUID& associated) {
    std::vector<std::string> names;
    {
        TRegistry identities(platform::HKEY_CURRENT_USER);
        if (!identities.OpenKeyReadOnly(Absolute(keys::Identities))) {
            return;
        }
        names = identities.GetKeyNames();
    }
    for (const std::string& name : names) {
        if (SameTextIgnoreCase(name, keys::NullIdentity)) {
            // Outlook Express drops this leftover identity too.
            TryWrite([&name](TRegistry& registry) {
                registry.DeleteKey(Absolute(keys::Identity(name)));
            });
            continue;
        }
        try {
            LoadIdentity(name, associated);
        } catch (const std::exception&) {
            // An identity that cannot be read (a value of the wrong type) is left out.
        }
    }
    for (const auto& profile : Profiles()) {
        if (GuidTextEquals(profile->Location(), DefaultIdentity_)) {
            SetCheckMailOnStartup(profile->CheckMailOnStartup());
            SetPollInterval(profile->PollInterval());
        }
    }
}

void TOutlookExpressMailAccounts::LoadIdentity(const std::string& keyName,
                                               const TGUID& associated) {
    const auto guid = StringToGuid(keyName);
    if (!guid) {
        return; // not an identity
    }
    TRegistry registry(platform::HKEY_CURRENT_USER);
    std::string name;
    if (registry.OpenKeyReadOnly(Absolute(keys::Identity(keyName)))) {
        name = ReadRegStringChecked(registry, keys::Username);
    }
    const TIdentityPassword password = ProfilePasswordsAvailable()
                                           ? Passwords_.ReadIdentityPassword(keyName)
                                           : TIdentityPassword{};
    auto profile = std::make_unique<TMailProfile>(this, keyName, name, password.Password);
    profile->SetPasswordProtected(password.SwitchedOn);

    bool hangUp = true;
    if (registry.OpenKeyReadOnly(Absolute(keys::IdentitySettings(keyName)))) {
        hangUp = ReadFlag(TKeyValues(registry), keys::HangupAfterSpool).value_or(true);
    }
    SetHangUpAfterSpool(hangUp); // store-wide, so the last identity read decides
    if (registry.OpenKeyReadOnly(Absolute(keys::MailCheck(keyName)))) {
        profile->SetCheckMailOnStartup(ReadRegIntegerDef(registry, keys::CheckMailOnStartup, 0) ==
                                       1);
        profile->SetPollInterval(PollMinutes(ReadRegIntegerDef(registry, keys::PollForMail, -1)));
    }
    registry.CloseKey();

    const bool ownsTopLevelTree = SameGuid(*guid, associated);
    const std::string manager =
        ownsTopLevelTree ? keys::AccountManager : keys::IdentityAccountManager(keyName);
    profile->SetIsDefaultProfile(ownsTopLevelTree);
    profile->SetAccountFilePattern(manager);
    profile->SetAccountsLocation(keys::AccountsOf(manager));
    LoadAccountTree(*profile);
    AppendProfile(std::move(profile));
}

void TOutlookExpressMailAccounts::LoadAccountTree(TMailProfile& profile) {
    TRegistry registry(platform::HKEY_CURRENT_USER);
    std::string defaultKey;
    if (registry.OpenKeyReadOnly(Absolute(profile.AccountFilePattern()))) {
        defaultKey = ReadRegStringChecked(registry, keys::DefaultMailAccount);
    }
    if (!registry.OpenKeyReadOnly(Absolute(profile.AccountsLocation()))) {
        return;
    }
    const std::vector<std::string> accountKeys = registry.GetKeyNames();
    registry.CloseKey();
    for (const std::string& key : accountKeys) {
        if (auto account = LoadAccount(&profile, key, defaultKey)) {
            profile.AppendAccount(std::move(account));
        }
    }
}

std::unique_ptr<TMailAccount>
TOutlookExpressMailAccounts::LoadAccount(TMailProfile* profile, const std::string& accountKey,
                                         const std::string& defaultAccountKey) {
    if (profile == nullptr || accountKey.empty()) {
        return nullptr;
    }
    const TAutoSaveOff autoSaveOff(*this);
    TRegistry registry(platform::HKEY_CURRENT_USER);
    std::string defaultKey = defaultAccountKey;
    if (defaultKey.empty() && registry.OpenKeyReadOnly(Absolute(profile->AccountFilePattern()))) {
        defaultKey = ReadRegStringChecked(registry, keys::DefaultMailAccount);
    }
    if (!registry.OpenKeyReadOnly(Absolute(profile->AccountsLocation() + "\\" + accountKey))) {
        return nullptr;
    }
    const TKeyValues values(registry);
    registry.CloseKey();
    std::unique_ptr<TMailAccount> account;
    if (values.Exists(Pop3Values.Server)) {
        account = std::make_unique<TPOPMailAccount>(profile);
    } else if (values.Exists(ImapValues.Server)) {
        account = std::make_unique<TIMAPMailAccount>(profile);
    } else {
        return nullptr; // news, directory service and other kinds of account
    }
    ReadAccount(values, *account);
    if (account->AccountName().empty()) {
        return nullptr;
    }
    account->SetAccountKey(accountKey);
    // Outlook Express compares the key names exactly, letter case included.
    account->AssignIsDefault(accountKey == defaultKey);
    return account;
}

bool TOutlookExpressMailAccounts::IsClientRunning() const {
    return IsProcessRunning("msimn.exe");
}

void TOutlookExpressMailAccounts::StartAccountMonitor(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (account.MonitorCount() > 0 || profile == nullptr || account.AccountKey().empty()) {
        return;
    }
    // The key of the profile's own tree: the top-level one, or the one below its identity.
    StartRegistryAccountMonitor(*this, account, platform::HKEY_CURRENT_USER,
                                profile->AccountsLocation() + "\\" + account.AccountKey());
}

void TOutlookExpressMailAccounts::ReloadPOPAccount(TMailAccount& account) {
    ReloadPOPAccountFromRegistry(account);
}

void TOutlookExpressMailAccounts::ReloadIMAPAccount(TMailAccount& account) {
    ReloadIMAPAccountFromRegistry(account);
}

void TOutlookExpressMailAccounts::ReadPOPAccount(TRegistry& key, TMailAccount& account) {
    ReadAccount(TKeyValues(key), account);
}

void TOutlookExpressMailAccounts::ReadIMAPAccount(TRegistry& key, TMailAccount& account) {
    ReadAccount(TKeyValues(key), account);
}

void TOutlookExpressMailAccounts::ReadAccount(const TKeyValues& key, TMailAccount& account) {
    // The setters would save each field back while it is being read.
    const TAutoSaveOff autoSaveOff(*this);
    account.SetStoreLocation(key.Path());
    for (const TSenderValue& value : SenderValues) {
        (account.*value.Set)(ReadString(key, value.Name, TStringRead::StringOnly).value_or(""));
    }
    ReadIncoming(key, account);
    ReadOutgoing(key, account);
}
