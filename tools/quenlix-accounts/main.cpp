// quenlix-accounts: the Quenlix Mail Assistant's account work without its windows (see
// "quenlix-accounts help").

#include "AccountsTool.h"
#include "ToolExit.h"
#include "ToolSystem.h"

#include <accounts/MonitorLock.h>
#include <accounts/MonitorThread.h>
#include <clients/StoreMessages.h>
#include <platform/ProgramConsole.h>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace accounts_tool;
    const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    const platform::TUtf8Console console;
    CreateMonitorLock(); // before any store can start a monitor
    SetStoreMessageHandler(
        [](const std::string& text) { std::cerr << "quenlix-accounts: " << text << "\n"; });
    bool installed = false;
    int code = RunAccountsTool(args, std::cin, std::cout, std::cerr, [&installed] {
        InstallToolSystem();
        installed = true;
    });
    SetStoreMessageHandler({});
    StopAllMonitors();
    if (installed) {
        try {
            UninstallToolSystem();
        } catch (const std::exception& error) {
            std::cerr << "quenlix-accounts: a registry change could not be saved: " << error.what()
                      << "\n";
            code = code == ecDone ? ecNotWritten : code;
        }
    }
    return code;
}
