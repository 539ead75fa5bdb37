#include "MonitorStart.h"

#include "FileMonitorThread.h"
#include "MailAccounts.h"
#include "RegMonitorThread.h"

namespace {

// The store's handler with the store bound in as the sender; empty without a handler.
TMonitorCallback AccountChangedCallback(TMailAccounts& store) {
    TAccountChangedEvent handler = store.OnAccountChanged();
    if (!handler) {
        return {};
    }
    return [handler = std::move(handler), sender = &store](TMailAccount* account,
                                                           TMailAccount* previous) {
        handler(sender, account, previous);
    };
}

TMonitorCallback NewAccountCallback(TMailAccounts& store, TMailProfile& profile) {
    return [store = &store, profile = &profile](TMailAccount*, TMailAccount*) {
        store->HandleNewAccount(profile);
    };
}

std::string WithoutTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

} // namespace

void StartRegistryAccountMonitor(TMailAccounts& store, TMailAccount& account, platform::THKey root,
                                 const std::string& keyPath) {
    LaunchMonitor(account.Monitors(),
                  std::make_shared<TRegMonitorThread>(root, AccountChangedCallback(store), &account,
                                                      true, keyPath));
}

void StartFileAccountMonitor(TMailAccounts& store, TMailAccount& account, const std::string& path,
                             bool allowMissing) {
    LaunchMonitor(account.Monitors(),
                  std::make_shared<TFileMonitorThread>(path, allowMissing,
                                                       AccountChangedCallback(store), &account));
}

void StartNewAccountsMonitor(TMailAccounts& store, TMailProfile& profile) {
    if (profile.MonitorCount() > 0) {
        return;
    }
    if (store.IsRegistryBased()) {
        LaunchMonitor(profile.Monitors(),
                      std::make_shared<TRegMonitorNewKeysThread>(platform::HKEY_CURRENT_USER,
                                                                 NewAccountCallback(store, profile),
                                                                 true, profile.AccountsLocation()));
        return;
    }
    const std::string path = WithoutTrailingBackslashes(profile.AccountsLocation());
    if (path.empty()) {
        return;
    }
    LaunchMonitor(profile.Monitors(), std::make_shared<TFileMonitorNewAccountsThread>(
                                          path, true, NewAccountCallback(store, profile)));
}
