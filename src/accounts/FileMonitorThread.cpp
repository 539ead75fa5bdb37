#include "FileMonitorThread.h"

#include "Log.h"
#include "MailAccounts.h"
#include "RegistryHelpers.h"

#include <platform/ChangeNotification.h>
#include <platform/Files.h>
#include <platform/LastError.h>
#include <platform/TextCodec.h>

#include <algorithm>

namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

TMailAccounts* StoreOf(const TMailAccount& account) {
    return account.Profile() ? account.Profile()->Store() : nullptr;
}

// Directory-name and security changes are never watched for an account file.
constexpr std::uint32_t UnwatchedFlags = 0x2 | 0x100;

} // namespace

TFileMonitorThread::TFileMonitorThread(const std::string& path, bool allowMissing,
                                       TMonitorCallback callback, TMailAccount* account)
    : TMonitorThread(std::move(callback), account, "FileMonitorChange" + NewGuidString()),
      AccountKey_(account ? account->AccountKey() : std::string()) {
    if (!platform::FileExists(path) && !platform::DirectoryExists(path)) {
        if (!allowMissing || !platform::DirectoryExists(platform::ExtractFilePath(path))) {
            throw EMonitorError("The file \"" + path + "\" does not exist");
        }
        LogMonitorMessage("invoked FileMonitoring for not existing file " + path);
    }
    WatchedDirectory_ = Utf8ToUtf16(platform::ExtractFilePath(path));
    WatchedFile_ = Utf8ToUtf16(platform::ExtractFileName(path));
    if (WatchedDirectory_.empty() || WatchedFile_.empty()) {
        throw EMonitorError("A full filename mus be given");
    }
}

TFileChangeKinds TFileMonitorThread::ChangeKinds() const {
    return {TFileChangeKind::FileName, TFileChangeKind::DirName, TFileChangeKind::LastWrite};
}

std::uint32_t TFileMonitorThread::WatchFlags() const {
    return ChangeKindsToFlags(ChangeKinds()) & ~UnwatchedFlags;
}

void TFileMonitorThread::Execute() {
    const std::uint32_t flags = WatchFlags();
    const std::u16string watched = WatchedDirectory_ + WatchedFile_;
    TFileStateRecord state = GetFileInfo(watched);
    // A folder is watched with its subtree, and any change in it counts.
    const bool folderWatch =
        state.Exists && (state.Attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::string directory = Utf16ToUtf8(WatchedDirectory_);
    const std::string file = Utf16ToUtf8(WatchedFile_);
    const std::string path = folderWatch ? Utf16ToUtf8(watched) : directory;
    LogMonitorMessage("Wait for Filechange in " + path + " (explicit check on \"" + file + "\", " +
                      (Account() ? "AccountID = " + AccountKey_ : std::string("Profile")) + ")");
    platform::THandle notification =
        platform::FindFirstChangeNotification(path, folderWatch, flags);
    if (!notification) {
        const std::uint32_t error = platform::GetLastError();
        LogMonitorMessage("FindFirstChangeNotification failed with error " + std::to_string(error) +
                          ": " + platform::SysErrorMessage(error));
        SetWatching(false);
        return;
    }
    SetWatching(true);
    try {
        const platform::THandle handles[] = {StopEvent(), notification};
        while (!Terminated()) {
            if (platform::WaitForMultipleObjects(handles, platform::INFINITE) !=
                platform::WAIT_OBJECT_0 + 1) {
                break; // stopped
            }
            LogMonitorMessage("Filechange notified on " + directory + " (" + file + ")");
            if (!folderWatch && !FileInfoChanged(watched, flags, state)) {
                LogMonitorMessage("no difference found");
            } else if (HasCallback() && SleepDelay()) {
                HandleChangeLocked();
            }
            if (!platform::FindNextChangeNotification(notification)) {
                break;
            }
        }
    } catch (...) {
        // The watch ends quietly.
    }
    platform::FindCloseChangeNotification(notification);
}

bool TFileMonitorThread::AccountIsListed(TMailAccounts& store, TMailAccount& account) const {
    try {
        const auto keys = store.ListAccountKeys(account.Profile());
        return std::find(keys.begin(), keys.end(), account.AccountKey()) != keys.end();
    } catch (const std::exception&) {
        return false; // a file that lists no accounts lists this one neither
    }
}

void TFileMonitorThread::LogChanges(const TMailAccount& account,
                                    const TMailAccount& previous) const {
    if (TMailAccount::SameProperties(account, previous)) {
        LogMonitorMessage("account " + previous.AccountName() +
                          "triggered change, but no change was detected");
        return;
    }
    AppLog().LogStrings(
        "account " + previous.AccountName() + "was changed",
        TMailAccount::DescribeChanges(TMailAccount::Differences(account, previous)));
}

void TFileMonitorThread::HandleChange() {
    TMailAccount* account = Account();
    TMailAccounts* store = account ? StoreOf(*account) : nullptr;
    if (store == nullptr) {
        return;
    }
    TAutoSaveOff autoSaveOff(*store);
    const bool fileExists = GetFileInfo(WatchedDirectory_ + WatchedFile_).Exists;
    std::unique_ptr<TMailAccount> snapshot;
    bool deleted = !fileExists;
    // Where accounts share a file, the account's listing decides, not this one file: a
    // password file that goes away takes no account with it.
    if (fileExists || store->AccountsShareFile()) {
        snapshot = account->SnapshotAndReload();
        deleted = store->AccountsShareFile() && !AccountIsListed(*store, *account);
    }
    TMailAccount* previous = deleted ? account : snapshot.get();
    if (deleted) {
        LogMonitorMessage("account " + account->AccountName() + "was deleted");
        ClearAccount();
    } else {
        LogChanges(*account, *previous);
    }
    LogMonitorMessage("call OnDataChangedNotification for account " + previous->AccountName());
    ReportAccountChange(*account, previous);
}

TFileMonitorNewAccountsThread::TFileMonitorNewAccountsThread(const std::string& path,
                                                             bool allowMissing,
                                                             TMonitorCallback callback)
    : TFileMonitorThread(path, allowMissing, std::move(callback), nullptr) {}

TFileChangeKinds TFileMonitorNewAccountsThread::ChangeKinds() const {
    return {TFileChangeKind::FileName};
}

void TFileMonitorNewAccountsThread::HandleChange() {
    ReportChange(nullptr, nullptr);
}
