#include "MonitorLock.h"

namespace {

thread_local int HeldDepth = 0;

} // namespace

void TMonitorLock::Enter() {
    Mutex_.lock();
    ++HeldDepth;
}

void TMonitorLock::Leave() {
    --HeldDepth;
    Mutex_.unlock();
}

bool TMonitorLock::HeldByCurrentThread() const {
    return HeldDepth > 0;
}

void CreateMonitorLock() {
    (void)MonitorLock();
}

TMonitorLock& MonitorLock() {
    static TMonitorLock lock;
    return lock;
}
