// Thunderbird store: detection, profiles and loading accounts.

#include "Thunderbird.h"

#include "ThunderbirdDetail.h"

#include <accounts/MonitorStart.h>
#include <accounts/RegistryHelpers.h>
#include <accounts/SystemHelpers.h>
#include <platform/Files.h>
#include <platform/IniFile.h>
#include <platform/Registry.h>

#include <algorithm>
#include <exception>

using namespace thunderbird_detail;

namespace {

constexpr const char* kAppPathsKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\thunderbird.exe";
constexpr int kCsidlAppData = 26;

std::string ThunderbirdExecutable() {
    platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly(kAppPathsKey)) {
        return std::string();
    }
    const std::string path = ReadRegStringChecked(registry, "");
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
    const platform::TIniFile ini =
        platform::TIniFile::FromWindowsPath(AppDataDir_ + "profiles.ini");
    for (const std::string& section : ini.Sections()) {
        if (section.find("Profile") == std::string::npos) {
            continue;
        }
        std::string path = ini.ReadString(section, "Path", "");
        std::replace(path.begin(), path.end(), '/', '\\');
        if (ini.ReadInteger(section, "IsRelative", 1) == 1) {
            path = AppDataDir_ + path;
        }
        auto profile = std::make_unique<TMailProfile>(
            this, path, ini.ReadString(section, "Name", "default"), std::string());
        profile->SetIsDefaultProfile(ini.ReadInteger(section, "Default", 0) == 1);
        try {
            LoadProfileAccounts(*profile);
        } catch (const std::exception&) {
            // A profile whose files cannot be read keeps the accounts read so far.
        }
        AppendProfile(std::move(profile));
    }
}

void TThunderbirdMailAccounts::ScanSmtpServers(const TMozillaPrefsFile& prefs) {
    for (const std::string& entry : SplitList(ReadText(prefs, "mail.smtpservers"))) {
        HighestSmtpNumber_ = std::max(HighestSmtpNumber_, DigitsNumber(entry));
    }
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
    ReadAccountFields(files, *links, account.AccountKey(),
                      ReadText(files.Prefs, "mail.accountmanager.defaultaccount"),
                      AccountPasswordsAvailable(), account);
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
    TProfileFiles files(profile->Location());
    const std::vector<std::string> keys =
        SplitList(ReadText(files.Prefs, "mail.accountmanager.accounts"));
    std::int32_t highest = 2;
    for (const std::string& key : keys) {
        highest = std::max(highest, DigitsNumber(key));
    }
    if (keys.empty()) {
        WriteLocalFoldersScaffolding(profile->Location(), files.Prefs);
        files.Prefs.SaveToFile(files.PrefsPath);
    }
    return "account" + std::to_string(highest + 1);
}
