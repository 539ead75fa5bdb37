// The ".oeaccount" store: writing account files, the default account and the client settings,
// and deleting account files.

#include "clients/oeaccount/OeAccountStore.h"

#include "accounts/RegistryHelpers.h"
#include "clients/oeaccount/OeAccountFolders.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/WriteTransaction.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr const char* LocalFolders = "Local Folders";

void WriteDefaultAccountName(const std::string& fileName) {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKey(DefaultMailAccountKey, true)) {
        throw platform::ESystemError(std::string("Cannot open the registry key HKEY_CURRENT_USER") +
                                     DefaultMailAccountKey + " to name the default mail account");
    }
    registry.WriteString(DefaultMailAccountValue, fileName);
    registry.CloseKey(); // raises when the hive cannot be saved
}

void CreateFolder(const std::string& folder) {
    if (!platform::ForceDirectories(folder)) {
        throw platform::EFileError("Cannot create the folder \"" + folder + "\"");
    }
}

// Milliseconds between mail checks as the client keeps them: -1 (all bits set) for never.
std::int32_t PollMilliseconds(std::int32_t minutes) {
    if (minutes <= 0) {
        return -1;
    }
    const std::int64_t milliseconds = std::int64_t{minutes} * 60000;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(milliseconds, std::numeric_limits<std::int32_t>::max()));
}

// Windows names ignore case.
bool SameFolder(const std::string& a, const std::string& b) {
    return SameTextIgnoreCase(platform::NormalizePath(a), platform::NormalizePath(b));
}

} // namespace

std::string TOeAccountStore::AccountFilePath(const TMailAccount& account) const {
    const std::string& key = account.AccountKey();
    if (!platform::ExtractFilePath(key).empty()) {
        return key;
    }
    const bool localFolders =
        Client_.NewPopAccountsInLocalFolders && account.Kind() == AccountKindPOP;
    const std::string folder = localFolders ? std::string(LocalFolders) + "\\"
                                            : UniqueAccountFolder(account.AccountName());
    return StoreDirectory_ + folder + key;
}

void TOeAccountStore::SaveAccount(TMailAccount& account) {
    if (account.AccountKey().empty() || account.Profile() == nullptr) {
        return;
    }
    // Everything is prepared before the first write: a password that cannot be sealed stops
    // the save with nothing written.
    const std::optional<TOeAccountDocument> document = AccountDocument(account, ValueOptions());
    if (!document) {
        return;
    }
    const std::string path = AccountFilePath(account);
    const std::string bytes = document->Save();

    // Folder, file and default name reach the disk together or not at all; the account takes
    // its full path only then.
    platform::TWriteTransaction transaction;
    CreateFolder(platform::ExtractFilePath(path));
    platform::WriteFileAtomic(path, bytes);
    if (account.IsDefault()) {
        WriteDefaultAccountName(platform::ExtractFileName(path));
    }
    transaction.AfterCommit([&account, path] {
        account.SetAccountKey(path);
        account.SetStoreLocation(path);
    });
    transaction.Commit();
}

void TOeAccountStore::SaveClientSettings() {
    platform::TWriteTransaction transaction;
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKey(Client_.ClientKey, true)) {
        throw platform::ESystemError("Cannot open the registry key HKEY_CURRENT_USER" +
                                     Client_.ClientKey);
    }
    registry.WriteInteger("Hangup After Spool", HangUpAfterSpool() ? 1 : 0);
    if (!registry.OpenKey("Mail", true)) {
        throw platform::ESystemError("Cannot open the registry key HKEY_CURRENT_USER" +
                                     Client_.ClientKey + "\\Mail");
    }
    registry.WriteInteger("Check Mail on Startup", CheckMailOnStartup() ? 1 : 0);
    registry.WriteInteger("Poll For Mail", PollMilliseconds(PollInterval()));
    registry.CloseKey();
    transaction.Commit();
}

void TOeAccountStore::DeleteAccount(TMailProfile* profile, int index) {
    const TMailAccount* account = profile != nullptr ? profile->AccountByIndex(index) : nullptr;
    if (account != nullptr) {
        DeleteAccountFiles(*profile, *account);
    }
    TMailAccounts::DeleteAccount(profile, index);
}

// An IMAP account's folder holds its file and its mail, so it goes as a whole; but only a folder
// of its own: "Local Folders", the store folder itself or a folder holding another account keep
// everything but the account's file. A key without a folder was never saved: nothing to delete.
void TOeAccountStore::DeleteAccountFiles(const TMailProfile& profile, const TMailAccount& account) {
    const std::string& path = account.AccountKey();
    const std::string folder = platform::ExtractFilePath(path);
    if (folder.empty()) {
        return;
    }
    const bool ownFolder =
        SameFolder(platform::ExtractFilePath(folder.substr(0, folder.size() - 1)),
                   StoreDirectory_) &&
        !SameFolder(folder, StoreDirectory_ + LocalFolders + "\\") &&
        std::none_of(profile.Accounts().begin(), profile.Accounts().end(),
                     [&](const std::unique_ptr<TMailAccount>& other) {
                         return other.get() != &account &&
                                SameFolder(platform::ExtractFilePath(other->AccountKey()), folder);
                     });
    if (account.Kind() == AccountKindIMAP && ownFolder) {
        DeleteFolderTree(folder);
    } else {
        platform::DeleteFile(path);
    }
}
