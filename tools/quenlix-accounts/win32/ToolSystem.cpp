// The Windows build works on the machine it runs on: its registry and drive are the system, and
// every save reaches them when it commits. Nothing to install, nothing left to write back.

#include "ToolSystem.h"

namespace accounts_tool {

void InstallToolSystem() {}

void UninstallToolSystem() {}

} // namespace accounts_tool
