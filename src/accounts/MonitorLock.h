#pragma once
// The one process-wide monitor lock. Every change a monitor handles runs while holding it, so
// at most one change is processed at a time in the whole program, and stopping a monitor while
// holding it guarantees that the monitor is not inside its handling and will not start it
// again. Re-entrant: a monitor's handling may stop monitors itself (a deleted account stops
// its own).

#include <mutex>

class TMonitorLock {
public:
    void Enter();
    void Leave();
    // Whether the calling thread holds the lock (at any depth).
    bool HeldByCurrentThread() const;

private:
    std::recursive_mutex Mutex_;
};

// Made at program start, before any monitor can run; made on first use otherwise.
void CreateMonitorLock();
TMonitorLock& MonitorLock();

// Holds the monitor lock for its lifetime.
class TMonitorLockHolder {
public:
    TMonitorLockHolder() { MonitorLock().Enter(); }
    ~TMonitorLockHolder() { MonitorLock().Leave(); }
    TMonitorLockHolder(const TMonitorLockHolder&) = delete;
    TMonitorLockHolder& operator=(const TMonitorLockHolder&) = delete;
};
