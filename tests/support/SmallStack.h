#pragma once
// Runs work on a thread with a small stack, so that code recursing once per level of its input
// overflows at a few thousand levels instead of after gigabytes of work: a test of a deep input
// then shows quickly whether the walk is iterative.

#include <cstddef>
#include <functional>

namespace testing_support {

// Exceptions thrown by work are raised again in the caller.
void RunOnSmallStack(const std::function<void()>& work, std::size_t stackBytes = 256 * 1024);

} // namespace testing_support
