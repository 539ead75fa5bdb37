// Starting a .bat file: the runner executable is started in a new session, twice forked, so that
// it is nobody's child and outlives the program that started it (the program is usually the
// very file the batch is waiting to delete).

#include "platform/BatchRunner.h"

#include "platform/DetachedProcess.h"
#include "platform/Files.h"
#include "platform/System.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

const char* const RunnerName = "quenlix-batch-runner";

bool IsExecutableFile(const std::filesystem::path& file) {
    std::error_code ec;
    return !file.empty() && std::filesystem::is_regular_file(file, ec) &&
           ::access(file.c_str(), X_OK) == 0;
}

} // namespace

std::string BatchRunnerExecutable() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && IsExecutableFile(self.parent_path() / RunnerName))
        return (self.parent_path() / RunnerName).string();
    if (const char* env = std::getenv("QUENLIX_BATCH_RUNNER"); env && IsExecutableFile(env))
        return env;
#ifdef QUENLIX_BATCH_RUNNER_BUILD_PATH
    if (IsExecutableFile(QUENLIX_BATCH_RUNNER_BUILD_PATH))
        return QUENLIX_BATCH_RUNNER_BUILD_PATH;
#endif
    return {};
}

bool StartBatch(const std::string& batchPath) {
    if (!SystemInstalled() || !FileExists(batchPath))
        return false;
    const std::string runner = BatchRunnerExecutable();
    if (runner.empty())
        return false;
    return StartDetachedProcess(
        {runner, SystemRoot().string(), GetCurrentDirectory(), NormalizePath(batchPath)});
}

} // namespace platform
