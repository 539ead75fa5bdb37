// The Windows build works on the machine it runs on: its registry and drive are the system, and
// every save reaches them when it commits. There is no simulated system to choose or install.

#include "app/SystemRoot.h"

namespace app {

void InstallRunSystem() {}

} // namespace app
