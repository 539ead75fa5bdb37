#pragma once
// The seam between the model and the change monitors: a model object keeps the monitors that
// watch it and can ask them to stop. The monitor threads themselves live elsewhere.

#include <memory>
#include <vector>

class TMailMonitor {
public:
    virtual ~TMailMonitor() = default;
    // Asks the monitor to stop watching; it ends (and frees itself) on its own time.
    virtual void Terminate() = 0;
};

// The monitors watching one account or profile. Shared ownership: a running monitor keeps
// itself alive while the list may already have forgotten it.
class TMailMonitorList {
public:
    void Add(std::shared_ptr<TMailMonitor> monitor);
    int Count() const { return static_cast<int>(Items_.size()); }
    // Raises std::out_of_range("Index out of bounds") for an index outside 0..Count()-1.
    TMailMonitor& Item(int index) const;
    // Asks every monitor to stop, first to last, and forgets them all.
    void TerminateAll();

private:
    std::vector<std::shared_ptr<TMailMonitor>> Items_;
};
