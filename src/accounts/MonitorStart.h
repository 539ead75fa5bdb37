#pragma once
// How stores start their change monitors. Each monitor is made suspended, entered in the
// account's Monitors and started; it reports to the store's OnAccountChanged as it is when the
// monitor starts (no handler: the monitor watches but handles nothing).
//
// A store's StartAccountMonitor starts nothing when the account already has monitors:
//   if (account.MonitorCount() > 0) return;
// then, for a registry-based store (the account's key, subtree included):
//   StartRegistryAccountMonitor(*this, account, platform::HKEY_CURRENT_USER, keyPath);
// for a store with one file per account (the file is the account's key):
//   StartFileAccountMonitor(*this, account, account.AccountKey(), false);

#include <platform/Registry.h>

#include <string>

class TMailAccount;
class TMailAccounts;
class TMailProfile;

void StartRegistryAccountMonitor(TMailAccounts& store, TMailAccount& account, platform::THKey root,
                                 const std::string& keyPath);
// Raises the file monitor's constructor errors (EMonitorError); nothing is started then.
void StartFileAccountMonitor(TMailAccounts& store, TMailAccount& account, const std::string& path,
                             bool allowMissing);

// The new-account monitor of a profile: on its AccountsLocation in the current user's hive for
// a registry-based store, else on its AccountsLocation path without trailing backslashes (none
// when that leaves nothing; a file not there yet is watched until it appears). Reports to the
// store's new-account handling for the profile. Nothing when the profile has a monitor.
void StartNewAccountsMonitor(TMailAccounts& store, TMailProfile& profile);
