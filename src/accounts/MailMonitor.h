#pragma once
// The seam between the model and the change monitors: a model object keeps the monitors that
// watch it and stops them when it goes. The monitor threads themselves are in MonitorThread.h.

#include <memory>
#include <vector>

class TMailMonitor {
public:
    virtual ~TMailMonitor() = default;
    // Asks the monitor to stop watching and wakes it; it ends (and frees itself) on its own
    // time. Called with the monitor lock held: from then on the monitor touches nothing it
    // watches.
    virtual void Terminate() = 0;
    // Waits until the monitor's thread has ended.
    virtual void WaitFor() {}
};

// The monitors watching one account or profile. Shared ownership: a running monitor keeps
// itself alive while the list may already have forgotten it.
class TMailMonitorList {
public:
    void Add(std::shared_ptr<TMailMonitor> monitor);
    int Count() const { return static_cast<int>(Items_.size()); }
    // Raises std::out_of_range("Index out of bounds") for an index outside 0..Count()-1.
    TMailMonitor& Item(int index) const;
    // Asks every monitor to stop, first to last, holding the monitor lock, and forgets them
    // all; afterwards none of them touches what it watched. Then waits for their threads to
    // end, unless the caller holds the monitor lock (a monitor's own handling, which must not
    // wait for itself or for a monitor waiting for the lock): those end by themselves and are
    // waited for by the next WaitForStoppedMonitors.
    void TerminateAll();

private:
    std::vector<std::shared_ptr<TMailMonitor>> Items_;
};

// Waits for the monitors that were stopped by a caller holding the monitor lock. Does nothing
// when the calling thread holds it.
void WaitForStoppedMonitors();
