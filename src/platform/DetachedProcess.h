#pragma once
// Starting a host program that belongs to nobody: a new session, forked twice, standard streams
// on /dev/null and none of our descriptors inherited. Used for the shell's opener and the batch
// runner, which must outlive the program that started them.

#include <string>
#include <vector>

namespace platform {

// argv[0] is a path or a name looked up on PATH. True when the program was started (its exec
// succeeded); never waits for it.
bool StartDetachedProcess(const std::vector<std::string>& argv);

} // namespace platform
