#pragma once
// File monitors: one watches an account's file (or the file its store keeps several accounts
// in), the other a profile's accounts file or folder for new accounts.

#include "MonitorThread.h"
#include "SystemHelpers.h"

#include <string>

class TFileMonitorThread : public TMonitorThread {
public:
    // Created suspended (LaunchMonitor starts it). Raises EMonitorError: `The file "PATH" does
    // not exist` for a path that is neither a file nor a folder, unless allowMissing is set and
    // its folder exists (then it is logged and watched until it appears); "A full filename mus
    // be given" for a path without a folder part or a file name.
    TFileMonitorThread(const std::string& path, bool allowMissing, TMonitorCallback callback,
                       TMailAccount* account);

    // File name, directory name and last write.
    virtual TFileChangeKinds ChangeKinds() const;

    // Folder part of the watched path, with its trailing backslash, and the file name part.
    const std::u16string& WatchedDirectory() const { return WatchedDirectory_; }
    const std::u16string& WatchedFile() const { return WatchedFile_; }

protected:
    void Execute() override;
    // The file changed: re-read the account and log the differences; a file that is gone, or
    // (where accounts share a file) an account no longer listed, reports the account deleted
    // and detaches it.
    void HandleChange() override;

private:
    // The notification flags watched and compared: the change kinds without directory name and
    // security.
    std::uint32_t WatchFlags() const;
    bool AccountIsListed(TMailAccounts& store, TMailAccount& account) const;
    void LogChanges(const TMailAccount& account, const TMailAccount& previous) const;

    std::u16string WatchedDirectory_;
    std::u16string WatchedFile_;
    std::string AccountKey_; // as it was when the monitor was made, for the log
};

class TFileMonitorNewAccountsThread : public TFileMonitorThread {
public:
    // No account: the callback is the store's new-account handling for one profile.
    TFileMonitorNewAccountsThread(const std::string& path, bool allowMissing,
                                  TMonitorCallback callback);

    // File name only.
    TFileChangeKinds ChangeKinds() const override;

protected:
    void HandleChange() override;
};
