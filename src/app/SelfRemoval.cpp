#include "app/SelfRemoval.h"

#include "app/TempFile.h"
#include "platform/BatchRunner.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"

#include <optional>

namespace app {

namespace {
std::optional<TSelfRemovalSteps> GuardedSteps;
} // namespace

TSelfRemovalSteps SystemSelfRemovalSteps() {
    return {[](const std::string& folder) { return platform::SetCurrentDirectory(folder); },
            [](const std::string& batch) {
                return platform::WinExecBatch(batch);
            }};
}

TSelfRemovalStepsGuard::TSelfRemovalStepsGuard(TSelfRemovalSteps steps) {
    GuardedSteps = std::move(steps);
}

TSelfRemovalStepsGuard::~TSelfRemovalStepsGuard() {
    GuardedSteps.reset();
}

TSelfRemovalSteps CurrentSelfRemovalSteps() {
    return GuardedSteps ? *GuardedSteps : SystemSelfRemovalSteps();
}

std::string RemovalBatchText(const std::string& exePath, const std::string& batchPath) {
    const std::string exe = platform::BatchFileArgument(exePath, true);
    const std::string batch = platform::BatchFileArgument(batchPath, false);
    if (exe.empty() || batch.empty())
        return {};
    return ":Loesche\r\n"
           "del " +
           exe + "\r\nif Exist " + exe + " goto Loesche\r\ndel " + batch + "\r\n";
}

bool StartSelfRemoval(const TSelfRemovalSteps& steps) {
    const std::string name = TempFileName("sEM");
    if (name.empty())
        return false;
    const std::string batch = platform::ChangeFileExt(name, ".bat");
    const std::string text = RemovalBatchText(platform::GetModuleFileName(), batch);
    if (text.empty())
        return false;
    try {
        platform::WriteFileAtomic(batch, text);
    } catch (const platform::EFileError&) {
        return false;
    }
    const std::string folder = platform::ExtractFilePath(batch);
    if (!steps.SetCurrentDirectory(folder))
        throw EInOutError("I/O error: cannot change the current directory to " + folder);
    if (!steps.StartBatch(batch)) {
        platform::DeleteFile(batch); // it would never run, and never delete itself
        return false;
    }
    return true;
}

} // namespace app
