#pragma once
// Registry monitors: one watches an account's registry key (values and subkeys), the other a
// profile's accounts key for subkeys added or removed (new accounts).

#include "MonitorThread.h"

#include <platform/Registry.h>

#include <cstdint>
#include <memory>
#include <string>

class TRegMonitorThread : public TMonitorThread {
public:
    // Created suspended (LaunchMonitor starts it); the key is opened by the thread.
    TRegMonitorThread(platform::THKey rootKey, TMonitorCallback callback, TMailAccount* account,
                      bool watchSubtree, const std::string& keyPath);

    // Registry notification filter: name, attributes, value and security changes (15).
    virtual std::uint32_t NotifyFilter() const;

    platform::THKey RootKey() const { return RootKey_; }
    const std::string& KeyPath() const { return KeyPath_; }
    bool WatchSubtree() const { return WatchSubtree_; }

protected:
    void Execute() override;
    // The account's key changed: re-read the account and report it; a key that is gone (or an
    // account without a name) reports the account deleted and detaches it.
    void HandleChange() override;

    // The key as it was when the change being handled was noticed.
    platform::THKey HandledRootKey() const { return HandledRootKey_; }
    const std::string& HandledKeyPath() const { return HandledKeyPath_; }

private:
    void Arm();

    std::unique_ptr<platform::TRegistry> Registry_; // opened on the watched key
    platform::THandle ChangeEvent_;
    platform::THKey RootKey_;
    std::string KeyPath_;
    bool WatchSubtree_;
    platform::THKey HandledRootKey_;
    std::string HandledKeyPath_;
};

class TRegMonitorNewKeysThread : public TRegMonitorThread {
public:
    // No account: the callback is the store's new-account handling for one profile.
    TRegMonitorNewKeysThread(platform::THKey rootKey, TMonitorCallback callback, bool watchSubtree,
                             const std::string& keyPath);

    // Name changes only (1): subkeys added or removed.
    std::uint32_t NotifyFilter() const override;

protected:
    void HandleChange() override;
};
