// Runs one .bat file of a simulated Windows system, the way the system's command interpreter
// would, in its own detached process.
//   quenlix-batch-runner <system root> <current directory> <batch file (Windows path)>

#include "platform/BatchRunner.h"
#include "platform/Files.h"
#include "platform/System.h"

#include <chrono>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    try {
        platform::InstallSystem(argv[1]);
        platform::SetCurrentDirectory(argv[2]);
        const auto text = platform::ReadFileBytes(argv[3]);
        if (!text)
            return 1;
        // A retry loop waits a little between rounds and gives up after ten minutes: the program
        // it waits for is long gone by then.
        using namespace std::chrono_literals;
        platform::TSystemBatchHost host(200ms, 10min);
        const platform::TBatchResult result = platform::RunBatch(*text, argv[3], host);
        return result.End == platform::TBatchEnd::Completed ? 0 : 1;
    } catch (const std::exception&) {
        return 1;
    }
}
