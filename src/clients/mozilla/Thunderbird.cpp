// Thunderbird store: detection, profiles and loading accounts.

#include "Thunderbird.h"

#include "MozillaInstallHash.h"
#include "MozillaProfilesIni.h"
#include "ThunderbirdDetail.h"

#include <accounts/MonitorStart.h>
#include <accounts/RegistryHelpers.h>
#include <accounts/SystemHelpers.h>
#include <platform/Files.h>
#include <platform/Registry.h>
#include <platform/WriteTransaction.h>

#include <algorithm>
#include <exception>

using namespace thunderbird_detail;

namespace {

// A profile's folder: its Path with "/" as "\", relative ones below the application's data folder.
std::string ProfileLocation(const std::string& appDataDir, std::string path, bool isRelative) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return isRelative ? appDataDir + path : path;
}

bool IsAbsolutePath(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || path.rfind("\\\\", 0) == 0 ||
           path.rfind("//", 0) == 0;
}

// The folder the program lies in, spelt as the file system spells it (the install hash is taken
// of that spelling).
std::string InstallFolder(const std::string& executable) {
    std::string folder = platform::ExtractFilePath(executable);
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    const std::string spelt = platform::WindowsPathOf(platform::HostPath(folder));
    return spelt.empty() ? folder : spelt;
}

constexpr const char* kAppPathsKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\thunderbird.exe";
constexpr int kCsidlAppData = 26;

// The App Paths default value: a plain string, or an expandable one ("%ProgramFiles%\...") as
// installers also write it.
std::string ThunderbirdExecutable() {
    platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly(kAppPathsKey)) {
        return std::string();
    }
    std::string path = ReadRegStringChecked(registry, "");
    if (registry.GetDataType("") == platform::TRegDataType::rdExpandString) {
        path = ExpandEnvironmentPath(registry.ReadString(""));
    }
    registry.CloseKey();
    return !path.empty() && platform::FileExists(path) ? path : std::string();
}

} // namespace

TThunderbirdMailAccounts::TThunderbirdMailAccounts(bool autoSave) : TMailAccounts(false) {
    Detect();
    SetAutoSave(autoSave);
}

TThunderbirdMailAccounts::~TThunderbirdMailAccounts() {
    ShutDownMonitors();
}

void TThunderbirdMailAccounts::Detect() {
    const std::string exe = ThunderbirdExecutable();
    if (exe.empty()) {
        return;
    }
    ExecutablePath_ = exe;
    SetAccountPasswordsAvailable(true);
    SetClientName("Thunderbird");
    SetClientMajorVersion(ProductMajorVersion(exe));
    SetClientVersion(FileVersionText(exe));
    AppDataDir_ = JoinPath(SpecialFolderPath(kCsidlAppData), "Thunderbird\\");
    SetIsDefaultClient(DefaultMailClientName().find("Thunderbird") != std::string::npos);
    LoadProfiles();
    SetInstalled(ProfileCount() > 0);
}

void TThunderbirdMailAccounts::LoadProfiles() {
    const std::optional<std::string> bytes = platform::ReadFileBytes(AppDataDir_ + "profiles.ini");
    const TMozillaProfilesIni ini = ParseProfilesIni(bytes.value_or(std::string()));
    // Since version 68 the installation's own section names the profile it starts.
    const TMozillaInstallEntry* install =
        ChooseInstall(ini, MozillaInstallHash(InstallFolder(ExecutablePath_)));
    const std::string installDefault = install != nullptr
                                           ? ProfileLocation(AppDataDir_, install->DefaultPath,
                                                             !IsAbsolutePath(install->DefaultPath))
                                           : std::string();
    const bool installNamesAProfile =
        std::any_of(ini.Profiles.begin(), ini.Profiles.end(), [&](const auto& entry) {
            return SameTextIgnoreCase(ProfileLocation(AppDataDir_, entry.Path, entry.IsRelative),
                                      installDefault);
        });
    for (const TMozillaProfileEntry& entry : ini.Profiles) {
        const std::string location = ProfileLocation(AppDataDir_, entry.Path, entry.IsRelative);
        auto profile = std::make_unique<TMailProfile>(this, location, entry.Name, std::string());
        profile->SetIsDefaultProfile(
            installNamesAProfile ? SameTextIgnoreCase(location, installDefault) : entry.IsDefault);
        try {
            LoadProfileAccounts(*profile);
        } catch (const std::exception&) {
            // A profile whose files cannot be read keeps the accounts read so far.
        }
        AppendProfile(std::move(profile));
    }
}

void TThunderbirdMailAccounts::ScanSmtpServers(const TMozillaPrefsFile& prefs) {
    HighestSmtpNumber_ = std::max(HighestSmtpNumber_, HighestSmtpNumberIn(prefs));
}

void TThunderbirdMailAccounts::LoadProfileAccounts(TMailProfile& profile) {
    const TProfileFiles files(profile.Location());
    profile.SetAccountsLocation(files.PrefsPath);
    ScanSmtpServers(files.Prefs);
    if (!files.Prefs.Exists("mail.accountmanager.accounts")) {
        return;
    }
    const std::string defaultKey = ReadText(files.Prefs, "mail.accountmanager.defaultaccount");
    for (const std::string& key :
         SplitList(ReadText(files.Prefs, "mail.accountmanager.accounts"))) {
        const auto links = ReadAccountLinks(files.Prefs, key);
        if (!links) {
            continue;
        }
        std::unique_ptr<TMailAccount> account =
            NewAccountForServer(files.Prefs, links->Server, &profile);
        if (!account) {
            continue;
        }
        try {
            account->SetAccountKey(key);
            account->SetStoreLocation(files.PrefsPath);
            ReadAccountFields(files, *links, key, defaultKey, AccountPasswordsAvailable(),
                              *account);
            profile.AppendAccount(std::move(account));
        } catch (const std::exception&) {
            // An account that cannot be read (no address, say) is left out; the rest load.
        }
    }
}

std::vector<std::string> TThunderbirdMailAccounts::ListAccountFiles(TMailProfile* profile) {
    if (profile == nullptr) {
        return {};
    }
    TMozillaPrefsFile prefs;
    prefs.Load(profile->AccountsLocation());
    return SplitList(RequireText(prefs, "mail.accountmanager.accounts"));
}

std::unique_ptr<TMailAccount>
TThunderbirdMailAccounts::LoadAccount(TMailProfile* profile, const std::string& accountKey,
                                      const std::string& defaultAccountKey) {
    if (profile == nullptr) {
        return nullptr;
    }
    const TAutoSaveOff autoSaveOff(*this);
    const TProfileFiles files(profile->Location());
    ScanSmtpServers(files.Prefs);
    profile->SetAccountsLocation(files.PrefsPath);
    const auto links = ReadAccountLinks(files.Prefs, accountKey);
    if (!links) {
        return nullptr;
    }
    std::unique_ptr<TMailAccount> account =
        NewAccountForServer(files.Prefs, links->Server, profile);
    if (!account) {
        return nullptr;
    }
    try {
        account->SetAccountKey(accountKey);
        account->SetStoreLocation(files.PrefsPath);
        ReadAccountFields(files, *links, accountKey, defaultAccountKey, AccountPasswordsAvailable(),
                          *account);
    } catch (const std::exception&) {
        return nullptr;
    }
    return account;
}

void TThunderbirdMailAccounts::ReloadAccount(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (profile == nullptr) {
        return;
    }
    // Reading assigns through the setters; with AutoSave on they would write each field back.
    const TAutoSaveOff autoSaveOff(*this);
    const TProfileFiles files(profile->Location());
    ScanSmtpServers(files.Prefs);
    const auto links = ReadAccountLinks(files.Prefs, account.AccountKey());
    if (!links) {
        return;
    }
    const std::string defaultKey = ReadText(files.Prefs, "mail.accountmanager.defaultaccount");
    ReadAccountFields(files, *links, account.AccountKey(), defaultKey, AccountPasswordsAvailable(),
                      account);
    // The default mark follows the file for every account, so no two accounts carry it.
    for (const auto& other : profile->Accounts()) {
        other->AssignIsDefault(other->AccountKey() == defaultKey);
    }
}

void TThunderbirdMailAccounts::ReloadPOPAccount(TMailAccount& account) {
    ReloadAccount(account);
}

void TThunderbirdMailAccounts::ReloadIMAPAccount(TMailAccount& account) {
    ReloadAccount(account);
}

bool TThunderbirdMailAccounts::IsClientRunning() const {
    return IsProcessRunning("thunderbird.exe");
}

void TThunderbirdMailAccounts::DeleteAccount(TMailProfile* profile, int index) {
    if (profile != nullptr) {
        // Read and discarded: Thunderbird's own files keep the account.
        TMozillaPrefsFile prefs;
        prefs.Load(JoinPath(profile->Location(), kPrefsFile));
    }
    TMailAccounts::DeleteAccount(profile, index);
}

void TThunderbirdMailAccounts::StartAccountMonitor(TMailAccount& account) {
    if (account.MonitorCount() > 0 || account.Profile() == nullptr) {
        return;
    }
    // Every account of the profile lives in prefs.js; its passwords are in signons.txt, which
    // a profile without stored passwords does not have yet.
    const std::string& location = account.Profile()->Location();
    StartFileAccountMonitor(*this, account, JoinPath(location, kPrefsFile), false);
    StartFileAccountMonitor(*this, account, JoinPath(location, kSignonsFile), true);
}

std::string TThunderbirdMailAccounts::NewAccountKey(TMailProfile* profile) {
    if (profile == nullptr) {
        return std::string();
    }
    // The scaffolding of an empty profile, folders and prefs.js, is written all or nothing.
    platform::TWriteTransaction transaction;
    TProfileFiles files(profile->Location());
    const std::vector<std::string> keys =
        SplitList(ReadText(files.Prefs, "mail.accountmanager.accounts"));
    // Current versions count keys in lastKey and hand out the next one: never one below it.
    std::int32_t highest =
        std::clamp(files.Prefs.GetIntegerDef("mail.account.lastKey", 0), 2, kMaxKeyNumber);
    for (const std::string& key : keys) {
        highest = std::max(highest, DigitsNumber(key));
    }
    if (keys.empty()) {
        WriteLocalFoldersScaffolding(profile->Location(), files.Prefs);
        files.Prefs.SaveToFile(files.PrefsPath);
    }
    transaction.Commit();
    return "account" + std::to_string(highest + 1);
}

std::string TThunderbirdMailAccounts::NssLibraryPath() const {
    return JoinPath(platform::ExtractFilePath(ExecutablePath_), "nss3.dll");
}
