#include "RegMonitorThread.h"

#include "MailAccounts.h"
#include "RegistryHelpers.h"

#include <platform/RegistryNotify.h>

namespace {

constexpr std::uint32_t WaitMilliseconds = 500;

TMailAccounts* StoreOf(const TMailAccount& account) {
    return account.Profile() ? account.Profile()->Store() : nullptr;
}

} // namespace

TRegMonitorThread::TRegMonitorThread(platform::THKey rootKey, TMonitorCallback callback,
                                     TMailAccount* account, bool watchSubtree,
                                     const std::string& keyPath)
    : TMonitorThread(std::move(callback), account, std::string()),
      Registry_(std::make_unique<platform::TRegistry>(rootKey)), RootKey_(rootKey),
      KeyPath_(keyPath), WatchSubtree_(watchSubtree), HandledRootKey_(rootKey) {}

std::uint32_t TRegMonitorThread::NotifyFilter() const {
    return platform::REG_NOTIFY_CHANGE_NAME | platform::REG_NOTIFY_CHANGE_ATTRIBUTES |
           platform::REG_NOTIFY_CHANGE_LAST_SET | platform::REG_NOTIFY_CHANGE_SECURITY;
}

void TRegMonitorThread::Arm() {
    // A key that is gone cannot be armed again; the monitor then idles until it is stopped.
    platform::RegNotifyChangeKeyValue(*Registry_, WatchSubtree_, NotifyFilter(), ChangeEvent_);
}

void TRegMonitorThread::Execute() {
    if (!Registry_->OpenKeyReadOnly(KeyPath_)) {
        SetWatching(false);
        throw EMonitorError("Unable to open registry key " + KeyPath_);
    }
    ChangeEvent_ = platform::CreateEvent(true, false, "RegMonitorChange" + NewGuidString());
    Arm();
    SetWatching(true);
    const platform::THandle handles[] = {ChangeEvent_, StopEvent()};
    while (!Terminated()) {
        // Also woken by the stop event, so that termination is noticed at once.
        if (platform::WaitForMultipleObjects(handles, WaitMilliseconds) !=
            platform::WAIT_OBJECT_0) {
            continue;
        }
        // Reset before handling: a change while handling is seen by the next arming's baseline.
        platform::ResetEvent(ChangeEvent_);
        HandledRootKey_ = RootKey_;
        HandledKeyPath_ = KeyPath_;
        if (HasCallback() && SleepDelay()) {
            HandleChangeLocked();
        }
        if (!Terminated()) {
            Arm();
        }
    }
    platform::ResetEvent(ChangeEvent_);
    platform::CloseHandle(ChangeEvent_);
}

void TRegMonitorThread::HandleChange() {
    TMailAccount* account = Account();
    TMailAccounts* store = account ? StoreOf(*account) : nullptr;
    if (store == nullptr) {
        return;
    }
    TAutoSaveOff autoSaveOff(*store);
    const bool keyExists = platform::TRegistry(HandledRootKey_).KeyExists(HandledKeyPath_);
    std::unique_ptr<TMailAccount> snapshot;
    TMailAccount* previous = account; // the deleted account itself
    if (!keyExists || account->AccountName().empty()) {
        LogMonitorMessage("account " + account->AccountName() + "was deleted");
        ClearAccount();
    } else {
        snapshot = account->SnapshotAndReload();
        previous = snapshot.get();
        LogMonitorMessage("account " + account->AccountName() +
                          (TMailAccount::SameProperties(*account, *previous)
                               ? "triggered change, but no change was detected"
                               : "was changed"));
    }
    ReportAccountChange(*account, previous);
}

TRegMonitorNewKeysThread::TRegMonitorNewKeysThread(platform::THKey rootKey,
                                                   TMonitorCallback callback, bool watchSubtree,
                                                   const std::string& keyPath)
    : TRegMonitorThread(rootKey, std::move(callback), nullptr, watchSubtree, keyPath) {}

std::uint32_t TRegMonitorNewKeysThread::NotifyFilter() const {
    return platform::REG_NOTIFY_CHANGE_NAME;
}

void TRegMonitorNewKeysThread::HandleChange() {
    ReportChange(nullptr, nullptr);
}
