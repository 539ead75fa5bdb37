#pragma once
// quenlix-accounts as a routine: one command line, run against the installed Windows system.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace accounts_tool {

// Runs the command line (without the program's name) and answers its exit code (ToolExit.h).
// installSystem is called once the command line is understood and before anything is read
// from the system; it raises EToolError when the system cannot be used. Results go to out,
// errors in plain words to err; the password is read from in.
int RunAccountsTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                    std::ostream& err, const std::function<void()>& installSystem);

} // namespace accounts_tool
