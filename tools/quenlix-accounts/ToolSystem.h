#pragma once
// The Windows system the tool works on. In this build: the simulated system whose folder
// QUENLIX_SYSTEM_ROOT names, as the wizard finds it. A build on the Windows API works on the
// machine itself and has nothing to install.

namespace accounts_tool {

// Raises EToolError(ecSystemUnusable) that says what is wrong.
void InstallToolSystem();
// Writes back what is still pending and forgets the system.
void UninstallToolSystem();

} // namespace accounts_tool
