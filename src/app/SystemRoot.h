#pragma once
// Where the simulated Windows system of a run lives: the directory named by
// QUENLIX_SYSTEM_ROOT, or a demo system in the user's data folder, made once from the demo
// template. The Windows build works on the machine it runs on instead (win32/SystemRoot.cpp).

#include <filesystem>
#include <stdexcept>
#include <string>

namespace app {

class ESystemRootError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The template the demo system is made from (the repository's demo/system).
std::filesystem::path DemoTemplateDir();
// "<application data folder>/demo-system".
std::filesystem::path DemoSystemRoot();

// The system root to install. From QUENLIX_SYSTEM_ROOT when set (the directory must exist:
// a mistyped path must not silently become a new, empty machine); otherwise the demo system,
// created from the template when missing. Throws ESystemRootError, or platform::ESystemError
// when the demo system cannot be created.
std::filesystem::path ChooseSystemRoot();

// Makes the Windows system of this run the one platform/ answers from: the chosen simulated
// system, installed; on Windows the machine itself, which needs nothing. Raises as
// ChooseSystemRoot and platform::InstallSystem do.
void InstallRunSystem();

} // namespace app
