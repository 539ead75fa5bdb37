#include "MailMonitor.h"

#include <stdexcept>

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
    // Take the list first, so that a monitor ending at once cannot see a half-cleared list.
    auto items = std::move(Items_);
    Items_.clear();
    for (const auto& monitor : items) {
        if (monitor) {
            monitor->Terminate();
        }
    }
}
