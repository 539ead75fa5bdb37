#include "MailMonitor.h"

#include "MonitorLock.h"

#include <mutex>
#include <stdexcept>

namespace {

// Monitors stopped by a monitor's own handling, which could not wait for them.
struct TStoppedMonitors {
    std::mutex Mutex;
    std::vector<std::shared_ptr<TMailMonitor>> Items;
};

TStoppedMonitors& StoppedMonitors() {
    static TStoppedMonitors stopped;
    return stopped;
}

void WaitForAll(const std::vector<std::shared_ptr<TMailMonitor>>& monitors) {
    for (const auto& monitor : monitors) {
        if (monitor) {
            monitor->WaitFor();
        }
    }
}

} // namespace

void TMailMonitorList::Add(std::shared_ptr<TMailMonitor> monitor) {
    Items_.push_back(std::move(monitor));
}

TMailMonitor& TMailMonitorList::Item(int index) const {
    if (index < 0 || index >= Count()) {
        throw std::out_of_range("Index out of bounds");
    }
    return *Items_[static_cast<std::size_t>(index)];
}

void TMailMonitorList::TerminateAll() {
    std::vector<std::shared_ptr<TMailMonitor>> items;
    {
        // Take the list first, so that a monitor ending at once cannot see a half-cleared list.
        TMonitorLockHolder hold;
        items = std::move(Items_);
        Items_.clear();
        for (const auto& monitor : items) {
            if (monitor) {
                monitor->Terminate();
            }
        }
    }
    if (MonitorLock().HeldByCurrentThread()) {
        std::lock_guard lock(StoppedMonitors().Mutex);
        auto& stopped = StoppedMonitors().Items;
        stopped.insert(stopped.end(), items.begin(), items.end());
        return;
    }
    WaitForAll(items);
    WaitForStoppedMonitors();
}

void WaitForStoppedMonitors() {
    if (MonitorLock().HeldByCurrentThread()) {
        return;
    }
    std::vector<std::shared_ptr<TMailMonitor>> stopped;
    {
        std::lock_guard lock(StoppedMonitors().Mutex);
        stopped.swap(StoppedMonitors().Items);
    }
    WaitForAll(stopped);
}
