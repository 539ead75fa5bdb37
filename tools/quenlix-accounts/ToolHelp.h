#pragma once

#include <string>

namespace accounts_tool {

// The text of "quenlix-accounts help": commands, options, exit codes.
std::string HelpText();

} // namespace accounts_tool
