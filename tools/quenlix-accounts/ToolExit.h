#pragma once
// What quenlix-accounts answers with: exit codes that scripts rely on (documented in the help
// text and the README; never renumber them) and the error that carries one.

#include <stdexcept>
#include <string>

namespace accounts_tool {

enum TExitCode : int {
    ecDone = 0,           // done; after --dry-run: the changes were shown, nothing was written
    ecUsage = 1,          // the command line is wrong or incomplete, or no password was given
    ecNoTarget = 2,       // client not installed, no profile, account not found or not usable
    ecClientRunning = 3,  // the client must be closed first
    ecNotWritten = 4,     // the configuration could not be written; nothing was changed
    ecSystemUnusable = 5, // the Windows system could not be read, or an unexpected error
};

// An error told to the user in plain words on standard error, ending the run with its code.
class EToolError : public std::runtime_error {
public:
    EToolError(TExitCode code, const std::string& message)
        : std::runtime_error(message), Code(code) {}
    TExitCode Code;
};

} // namespace accounts_tool
