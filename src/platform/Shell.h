#pragma once
// Shell services: opening a web address, starting a batch file hidden.

#include <functional>
#include <string>

namespace platform {

// Opens a web address with the host's browser (xdg-open). Tests install an observer instead,
// which then receives the address and no browser starts.
bool ShellOpen(const std::string& url);
void SetShellOpenObserver(std::function<void(const std::string&)> observer);

// Starts a .bat file on the simulated drive in a detached, hidden interpreter and does not
// wait for it. False when it could not be started.
bool WinExecBatch(const std::string& batchPath);

} // namespace platform
