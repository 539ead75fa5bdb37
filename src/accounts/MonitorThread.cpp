#include "MonitorThread.h"

#include "Log.h"
#include "MailAccount.h"
#include "MonitorLock.h"

#include <mutex>
#include <vector>

namespace {

// Every monitor launched and not yet freed, for StopAllMonitors.
struct TLiveMonitors {
    std::mutex Mutex;
    std::vector<std::weak_ptr<TMonitorThread>> Items;
};

TLiveMonitors& LiveMonitors() {
    static TLiveMonitors live;
    return live;
}

std::vector<std::shared_ptr<TMonitorThread>> TakeLiveMonitors() {
    std::vector<std::shared_ptr<TMonitorThread>> monitors;
    std::lock_guard lock(LiveMonitors().Mutex);
    for (const auto& item : LiveMonitors().Items) {
        if (auto monitor = item.lock()) {
            monitors.push_back(std::move(monitor));
        }
    }
    LiveMonitors().Items.clear();
    return monitors;
}

} // namespace

TMonitorThread::TMonitorThread(TMonitorCallback callback, TMailAccount* account,
                               const std::string& stopEventName)
    : StopEvent_(platform::CreateEvent(true, false, stopEventName)),
      Ready_(platform::CreateEvent(true, false)), Callback_(std::move(callback)),
      Account_(account) {
    if (!StopEvent_ || !Ready_) {
        throw EMonitorError("Cannot create the stop event of a change monitor");
    }
}

bool TMonitorThread::WaitUntilWatching(std::uint32_t milliseconds) const {
    return platform::WaitForSingleObject(Ready_, milliseconds) == platform::WAIT_OBJECT_0 &&
           Watching_.load();
}

void TMonitorThread::SetWatching(bool watching) {
    Watching_.store(watching);
    platform::SetEvent(Ready_);
}

bool TMonitorThread::SleepDelay() {
    const std::int32_t delay = Delay();
    if (delay > 0) {
        platform::WaitForSingleObject(StopEvent_, static_cast<std::uint32_t>(delay));
    }
    return !Terminated();
}

void TMonitorThread::HandleChangeLocked() {
    TMonitorLockHolder hold;
    if (Terminated()) {
        return;
    }
    try {
        HandleChange();
    } catch (...) {
        // A change that cannot be handled now is handled at the next notification.
    }
}

void TMonitorThread::TerminatedSet() {
    platform::SetEvent(StopEvent_);
}

void TMonitorThread::ReportChange(TMailAccount* account, TMailAccount* previous) const {
    if (Callback_) {
        Callback_(account, previous);
    }
}

void TMonitorThread::ReportAccountChange(TMailAccount& watched, TMailAccount* previous) const {
    const auto detachDeleted = [this, &watched] {
        if (Account() == nullptr) {
            watched.Detach();
        }
    };
    try {
        ReportChange(Account(), previous);
    } catch (...) {
        detachDeleted();
        throw;
    }
    detachDeleted();
}

void LaunchMonitor(TMailMonitorList& owner, const std::shared_ptr<TMonitorThread>& monitor) {
    {
        std::lock_guard lock(LiveMonitors().Mutex);
        std::erase_if(LiveMonitors().Items, [](const auto& item) { return item.expired(); });
        LiveMonitors().Items.push_back(monitor);
    }
    owner.Add(monitor);
    monitor->Resume();
}

void StopAllMonitors() {
    const auto monitors = TakeLiveMonitors();
    {
        TMonitorLockHolder hold;
        for (const auto& monitor : monitors) {
            monitor->Terminate();
        }
    }
    if (!MonitorLock().HeldByCurrentThread()) {
        for (const auto& monitor : monitors) {
            monitor->WaitFor();
        }
        WaitForStoppedMonitors();
    }
    platform::JoinEndedThreads();
}

int RunningMonitorCount() {
    std::lock_guard lock(LiveMonitors().Mutex);
    int running = 0;
    for (const auto& item : LiveMonitors().Items) {
        if (auto monitor = item.lock(); monitor && !monitor->Finished()) {
            ++running;
        }
    }
    return running;
}

void LogMonitorMessage(const std::string& text) {
    AppLog().LogMessage(TLogLevel::Info, text);
}
