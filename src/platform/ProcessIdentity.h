#pragma once
// Which process left a file behind, and whether it still runs (internal to platform/).

#include <string>

namespace platform::detail {

int CurrentProcessId();
// True while a process with this id exists (also one of another user).
bool ProcessAlive(int processId);
// Names one run of a process: its id and start time, so that a later process that happens to
// get the same id is not taken for it. Empty when the process does not exist.
std::string ProcessToken(int processId);
// True while the run that the token names is still going.
bool ProcessTokenAlive(const std::string& token);

} // namespace platform::detail
