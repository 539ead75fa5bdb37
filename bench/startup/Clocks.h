#pragma once
// The clocks of the start-up benchmark: the monotonic clock, which every process of the
// machine shares, and the processor time of the calling process (all its threads).

#include <ctime>

namespace bench_startup {

inline long long Nanoseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

} // namespace bench_startup
