#pragma once
// Process snapshot: the real host processes whose executable lies on this system's drive, and
// running automation objects (HKCR\<ProgID>\CLSID -> CLSID\{..}\LocalServer32 -> running process).

#include <string>
#include <vector>

namespace platform {

struct TProcessEntry {
    int ProcessId = 0;
    std::string ExePath; // Windows path on the simulated drive
};

std::vector<TProcessEntry> ProcessSnapshot();
// True when a process's executable file name or whole path equals the name, ignoring case.
bool ProcessRunning(const std::string& exeNameOrPath);
// True when the programmatic identifier leads to a LocalServer32 executable that is running.
bool AutomationObjectRunning(const std::string& progId);

} // namespace platform
