// The ".oeaccount" store: detecting the client and reading its account files.

#include "clients/oeaccount/OeAccountStore.h"

#include "accounts/HexText.h"
#include "accounts/MonitorStart.h"
#include "accounts/RegistryHelpers.h"
#include "accounts/SystemHelpers.h"
#include "clients/oeaccount/OeAccountFolders.h"
#include "platform/Files.h"
#include "platform/Registry.h"

#include <exception>

namespace {

constexpr int CsidlLocalAppData = 28;
constexpr const char* AppPathsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr std::size_t NewSaltLength = 16;

std::string WithoutTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

// The App Paths entry of the program, as written (a plain or an expandable string).
std::string AppPathsEntry(const std::string& programFile) {
    platform::TRegistry registry(platform::HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly(AppPathsKey + programFile)) {
        return {};
    }
    const platform::TRegDataType type = registry.GetDataType("");
    if (type != platform::TRegDataType::rdString &&
        type != platform::TRegDataType::rdExpandString) {
        return {};
    }
    return registry.ReadString("");
}

} // namespace

std::optional<TOeAccountDocument> ReadAccountFile(const std::string& path) {
    const auto bytes = platform::ReadFileBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    return TOeAccountDocument::Parse(*bytes);
}

TOeAccountStore::TOeAccountStore(TOeAccountClient client, bool autoSave, TRandomSource& random)
    : TMailAccounts(false), Client_(std::move(client)) {
    Detect(random);
    SetAutoSave(autoSave);
}

TOeAccountStore::~TOeAccountStore() {
    ShutDownMonitors();
}

void TOeAccountStore::Detect(TRandomSource& random) {
    const std::string localAppData = SpecialFolderPath(CsidlLocalAppData);
    if (localAppData.empty()) {
        return; // no place for the account files on this system
    }
    StoreDirectory_ = platform::IncludeTrailingBackslash(localAppData) + "Microsoft\\" +
                      Client_.StoreFolderName + "\\";
    std::string program = AppPathsEntry(Client_.ProgramFile);
    if (Client_.ExpandProgramPath) {
        program = ExpandEnvironmentPath(program);
    }
    if (program.empty() || !platform::FileExists(program)) {
        return;
    }
    const std::string defaultName = ReadDefaultAccountName();
    {
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        if (!registry.KeyExists(Client_.ClientKey)) {
            return;
        }
    }
    const bool passwordsAvailable = ReadClientKey(random);
    SetInstalled(true);
    SetAccountPasswordsAvailable(passwordsAvailable);
    ReadClientVersion(program);
    SetClientName(Client_.ClientName);
    const std::string defaultClient = DefaultMailClientName();
    SetIsDefaultClient(defaultClient.find("Mail") != std::string::npos &&
                       defaultClient.find("Windows") != std::string::npos);

    auto profile = std::make_unique<TMailProfile>(this, StoreDirectory_, "Mainprofile", "");
    profile->SetIsDefaultProfile(true);
    profile->SetAccountFilePattern("*.oeaccount");
    ScanAccountFiles(*profile, defaultName);
    AppendProfile(std::move(profile));
}

// Reads the client key: "Hangup After Spool", and the salt, made when the client has none yet.
// False when the salt is unusable: passwords are then left alone, and so is the value.
bool TOeAccountStore::ReadClientKey(TRandomSource& random) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKey(Client_.ClientKey, false)) {
        return false;
    }
    SetHangUpAfterSpool(!registry.ValueExists("Hangup After Spool") ||
                        ReadRegIntegerDef(registry, "Hangup After Spool", 0) == 1);
    if (registry.ValueExists("Salt")) {
        // A salt of another length is the client's own: it seals with it as it is.
        if (registry.GetDataType("Salt") != platform::TRegDataType::rdBinary ||
            registry.GetDataSize("Salt") <= 0) {
            return false;
        }
        SaltHex_ = BytesToHex(registry.ReadBinaryData("Salt"));
        return true;
    }
    std::vector<std::uint8_t> salt(NewSaltLength);
    try {
        random.Fill(salt.data(), salt.size());
        registry.WriteBinaryData("Salt", salt);
        registry.CloseKey();
    } catch (const std::exception&) {
        // Passwords sealed with a salt the client never sees would be lost to it.
        return false;
    }
    SaltHex_ = BytesToHex(salt);
    return true;
}

void TOeAccountStore::ReadClientVersion(const std::string& program) {
    std::string version = FileVersionText(program);
    int major = FileMajorVersion(program);
    if (version.empty() && !Client_.SubstituteVersion.empty()) {
        version = Client_.SubstituteVersion;
        major = Client_.SubstituteMajorVersion;
    }
    SetClientVersion(version);
    SetClientMajorVersion(major);
}

std::string TOeAccountStore::ReadDefaultAccountName() const {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.KeyExists(Client_.ClientKey) ||
        !registry.OpenKeyReadOnly(DefaultMailAccountKey)) {
        return {};
    }
    return ReadRegStringChecked(registry, DefaultMailAccountValue);
}

void TOeAccountStore::ScanAccountFiles(TMailProfile& profile, const std::string& defaultName) {
    profile.SetAccountsLocation(WithoutTrailingBackslashes(StoreDirectory_));
    for (const std::string& path : ListAccountFiles(&profile)) {
        try {
            if (auto account = LoadAccount(&profile, path, defaultName)) {
                profile.AppendAccount(std::move(account));
            }
        } catch (const std::exception&) {
            // This file's account is left out; the others load.
        }
    }
}

std::unique_ptr<TMailAccount> TOeAccountStore::LoadAccount(TMailProfile* profile,
                                                           const std::string& accountKey,
                                                           const std::string& defaultAccountKey) {
    if (profile == nullptr) {
        return nullptr;
    }
    const std::string defaultName =
        defaultAccountKey.empty() ? ReadDefaultAccountName() : defaultAccountKey;
    const auto document = ReadAccountFile(accountKey);
    if (!document) {
        return nullptr;
    }
    std::unique_ptr<TMailAccount> account = NewAccountFor(*document, profile);
    if (!account) {
        return nullptr;
    }
    TAutoSaveOff autoSaveOff(*this);
    ReadAccountValues(*document, *account, ValueOptions());
    account->SetStoreLocation(accountKey);
    if (platform::ExtractFileName(accountKey) == defaultName) {
        account->SetIsDefault(true); // the last file that matches wins
    }
    account->SetAccountKey(accountKey);
    return account;
}

void TOeAccountStore::ReloadPOPAccount(TMailAccount& account) {
    ReloadAccount(account);
}

void TOeAccountStore::ReloadIMAPAccount(TMailAccount& account) {
    ReloadAccount(account);
}

void TOeAccountStore::ReloadAccount(TMailAccount& account) {
    const auto document = ReadAccountFile(account.StoreLocation());
    if (!document) {
        return;
    }
    TAutoSaveOff autoSaveOff(*this); // reading the file again must not write it
    ReadAccountValues(*document, account, ValueOptions());
}

bool TOeAccountStore::IsClientRunning() const {
    return IsProcessRunning(Client_.ProgramFile);
}

void TOeAccountStore::StartAccountMonitor(TMailAccount& account) {
    // An account that was never saved has no file yet: its key is a bare file name.
    if (account.MonitorCount() > 0 || platform::ExtractFilePath(account.AccountKey()).empty()) {
        return;
    }
    StartFileAccountMonitor(*this, account, account.AccountKey(), false);
}

std::string TOeAccountStore::NewAccountKey(TMailProfile*) {
    return "account" + NewGuidString() + ".oeaccount";
}

std::string TOeAccountStore::UniqueAccountFolder(const std::string& accountName) const {
    return ::UniqueAccountFolder(StoreDirectory_, accountName);
}

TOeAccountValueOptions TOeAccountStore::ValueOptions() const {
    TOeAccountValueOptions options;
    options.PasswordsAvailable = AccountPasswordsAvailable();
    options.SaltHex = SaltHex_;
    options.GuardedSmtpAuthNone = Client_.GuardedSmtpAuthNone;
    return options;
}
