#pragma once
// The batch runner of the simulated system: a small command interpreter for .bat files
// (labels, goto, del, if [not] exist ... <command>) with the percent rules of a command
// interpreter, and the start of a .bat file in a detached process that outlives the program.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What a batch can do to the system; the runner process uses the simulated drive, tests use
// fakes.
class TBatchHost {
public:
    virtual ~TBatchHost() = default;
    virtual bool FileExists(const std::string& path) = 0;
    // False when the file is missing, read-only or in use (a running program's image).
    virtual bool DeleteFile(const std::string& path) = 0;
    virtual std::optional<std::string> EnvironmentVariable(const std::string& name) = 0;
    // Called before every jump back to an earlier line, so that a retry loop waits a little;
    // false ends the batch (it has waited long enough).
    virtual bool MayLoopAgain() = 0;
};

enum class TBatchEnd {
    Completed,    // ran off its last line
    LabelMissing, // a goto named no label; the batch stops there, as a command interpreter does
    GaveUp,       // the host refused another round of a loop
};

struct TBatchResult {
    TBatchEnd End = TBatchEnd::Completed;
    int CommandsRun = 0;
    std::vector<std::string> Deleted; // paths as the batch named them, in order
};

// Expands one batch line the way a command interpreter does before parsing it: "%%" is "%",
// "%0" the batch's own path, "%1".."%9" empty, "%NAME%" the variable (empty when unset), and a
// "%" without partner is dropped. Quotes do not protect against it.
std::string ExpandBatchLine(const std::string& line, const std::string& batchPath,
                            TBatchHost& host);

// Splits the text into lines (CR LF, LF or CR).
std::vector<std::string> BatchLines(const std::string& text);

// Runs the batch text. batchPath is what "%0" expands to.
TBatchResult RunBatch(const std::string& text, const std::string& batchPath, TBatchHost& host);

// A file name written into a batch line so that it still names the same file: "%" doubled, and
// quoted when asked to or when it holds a character that would split or redirect the command.
// Empty when no batch line can carry the name (a quote, a control character, a leading "/"
// that del would take for a switch).
std::string BatchFileArgument(const std::string& path, bool alwaysQuote);

// The host that acts on the installed simulated system: files on its drive, its environment,
// a running program's image cannot be deleted; loops wait `pause` per round and give up after
// `limit`, or when the system root has gone.
class TSystemBatchHost : public TBatchHost {
public:
    TSystemBatchHost(std::chrono::milliseconds pause, std::chrono::milliseconds limit);
    bool FileExists(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    std::optional<std::string> EnvironmentVariable(const std::string& name) override;
    bool MayLoopAgain() override;

private:
    std::chrono::milliseconds Pause;
    std::chrono::steady_clock::time_point Deadline;
};

// Starts the .bat file (a Windows path on the simulated drive) in a detached, hidden runner
// process and does not wait for it. The runner gets the system root and the current directory.
// False when the file does not exist or no runner could be started.
bool StartBatch(const std::string& batchPath);

// Where the runner executable is looked for, first hit wins: beside the running program, the
// environment variable QUENLIX_BATCH_RUNNER, the build tree. Empty when none is found.
std::string BatchRunnerExecutable();

} // namespace platform
