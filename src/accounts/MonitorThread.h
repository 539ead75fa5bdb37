#pragma once
// Change monitors: background threads that watch a mail client's configuration (a registry key
// or a file) and, when it changes, re-read the account, log the difference and report it
// through the store's OnAccountChanged; or, for a profile, load a new account.
//
// Lifetime of monitors and of what they watch
// -------------------------------------------
// - A monitor touches the model (its account, profile, store) only inside HandleChange, which
//   runs holding the process-wide MonitorLock and only after checking, under that lock, that
//   termination was not asked for.
// - Stopping a monitor (TMailMonitorList::TerminateAll, used by StopAccountMonitor,
//   StopProfileMonitor and the destructors of account and profile) asks it to terminate while
//   holding MonitorLock. Holding the lock means the monitor is not inside HandleChange; the
//   termination flag means it never enters it again. So from that moment no monitor can touch
//   the account, profile or store any more, and they may be destroyed.
// - Then the stopper waits for the threads to end, unless it holds MonitorLock itself: a
//   monitor's own handling that deletes its account stops that account's monitors, itself and
//   a sibling that may be waiting for the lock among them, and must wait for neither. Those end
//   on their own (termination also wakes them: it signals their stop event), and the next
//   stopper without the lock waits for them too (WaitForStoppedMonitors): so when a store's
//   destructor returns, no monitor that ever watched it is still running.
// - The model has no lock of its own, and monitors change it (a new account enters its
//   profile, a deleted one leaves it). So whatever walks a store's profiles and accounts while
//   monitors may run holds MonitorLock: switching monitoring on or off (SetMonitoring of store
//   and profile) and shutting a store's monitors down.
// - A store stops every monitor of its profiles and accounts first thing in its destructor
//   (TMailAccounts::ShutDownMonitors; every concrete store calls it at the start of its own
//   destructor, because a monitor calls the store's virtual operations).
// - A monitor that finds its account deleted clears its Account, reports the account as the
//   previous state, and then Detaches it: the store removes it from its profile and frees it,
//   its one owner. The receiver of the report must not free either account it is given.
// - Threads free themselves (platform::TThread). StopAllMonitors, at program exit, stops every
//   monitor still running, waits for all of them and joins the threads that ended on their own,
//   so the program ends with no monitor thread left.

#include "MailMonitor.h"

#include <platform/Synchronization.h>
#include <platform/Thread.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

class TMailAccount;
class TMailAccounts;

// Errors the monitor constructors raise.
class EMonitorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Receiver of a change report: (the account in its current state, or none when it was
// deleted; the previous state, or the deleted account; none for a new account). The sender is
// bound in when the callback is made.
using TMonitorCallback = std::function<void(TMailAccount* account, TMailAccount* previous)>;

// Milliseconds a monitor waits after a notification before handling it.
inline constexpr std::int32_t DefaultMonitorDelay = 500;

class TMonitorThread : public platform::TThread, public TMailMonitor {
public:
    // Termination also signals the stop event, so a waiting monitor ends at once.
    void Terminate() override { platform::TThread::Terminate(); }
    void WaitFor() override { platform::TThread::WaitFor(); }

    std::int32_t Delay() const { return Delay_.load(); }
    void SetDelay(std::int32_t milliseconds) { Delay_.store(milliseconds); }
    // The watched account; none for a new-account monitor or once the account was found
    // deleted.
    TMailAccount* Account() const { return Account_.load(); }
    bool HasCallback() const { return static_cast<bool>(Callback_); }
    // Waits up to the time-out until the monitor's watch is in place; false when it could not
    // be set up (the monitor has then ended) or the time-out passed. Changes made afterwards
    // are noticed.
    bool WaitUntilWatching(std::uint32_t milliseconds) const;

protected:
    TMonitorThread(TMonitorCallback callback, TMailAccount* account,
                   const std::string& stopEventName);

    virtual void HandleChange() = 0;

    // Sleeps Delay unless termination is asked meanwhile; false when it was.
    bool SleepDelay();
    // Runs HandleChange holding MonitorLock, unless termination was asked (checked under the
    // lock). Any error is swallowed: the monitor keeps watching.
    void HandleChangeLocked();
    void TerminatedSet() override;

    const platform::THandle& StopEvent() const { return StopEvent_; }
    // Calls the callback, when there is one.
    void ReportChange(TMailAccount* account, TMailAccount* previous) const;
    // Reports a change of the watched account: (Account, previous). When the account was found
    // deleted (Account cleared), its store then removes and frees it, also when the receiver
    // raised.
    void ReportAccountChange(TMailAccount& watched, TMailAccount* previous) const;
    void ClearAccount() { Account_.store(nullptr); }
    // The watch is in place (or could not be set up: watching false).
    void SetWatching(bool watching);

private:
    platform::THandle StopEvent_; // manual reset; signalled when termination is asked
    platform::THandle Ready_;     // manual reset; signalled by SetWatching
    std::atomic<bool> Watching_{false};
    TMonitorCallback Callback_;
    std::atomic<TMailAccount*> Account_;
    std::atomic<std::int32_t> Delay_{DefaultMonitorDelay};
};

// Enters the new (suspended) monitor in the owner's list and in the program's list of live
// monitors, then starts it.
void LaunchMonitor(TMailMonitorList& owner, const std::shared_ptr<TMonitorThread>& monitor);
// Program exit: stops every monitor still running, waits until all have ended and joins the
// threads that ended on their own.
void StopAllMonitors();
// Monitor threads started and not yet ended.
int RunningMonitorCount();

// The monitors' log messages go to the application log at message level.
void LogMonitorMessage(const std::string& text);
