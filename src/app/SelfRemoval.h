#pragma once
// Removing the wizard from the disk after it has ended: a batch file in the temporary folder
// retries deleting the executable until the ended process has released it, then deletes itself.

#include <functional>
#include <stdexcept>
#include <string>

namespace app {

// An input/output failure raised out of the close handler (the window then stays open).
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The four lines of the removal batch, each ending in CR LF. Percent signs are doubled so the
// command interpreter reads the names as written; the batch's own name is quoted only when it
// holds a blank or another character that would split the command. Empty when a name cannot be
// written into a batch line at all.
std::string RemovalBatchText(const std::string& exePath, const std::string& batchPath);

// The two system steps after the batch is written; tests replace them to reach the failures.
struct TSelfRemovalSteps {
    std::function<bool(const std::string& folder)> SetCurrentDirectory;
    std::function<bool(const std::string& batch)> StartBatch;
};
// The system's own steps (the platform's current directory and hidden batch start).
TSelfRemovalSteps SystemSelfRemovalSteps();

// Writes the removal batch for the running executable and starts it hidden, without waiting.
// Raises EInOutError when the current directory cannot be changed to the temporary folder (the
// batch is then written but not started). Every other failure (no temporary name, the batch
// cannot be written or started) leaves the program nothing to do but to close: it returns false
// and leaves no batch behind.
bool StartSelfRemoval(const TSelfRemovalSteps& steps = SystemSelfRemovalSteps());

// Test seam: while a guard lives, the close handler of the main window uses these steps.
class TSelfRemovalStepsGuard {
public:
    explicit TSelfRemovalStepsGuard(TSelfRemovalSteps steps);
    ~TSelfRemovalStepsGuard();
    TSelfRemovalStepsGuard(const TSelfRemovalStepsGuard&) = delete;
    TSelfRemovalStepsGuard& operator=(const TSelfRemovalStepsGuard&) = delete;
};
// The steps the close handler uses: the guarded ones, else the system's.
TSelfRemovalSteps CurrentSelfRemovalSteps();

} // namespace app
