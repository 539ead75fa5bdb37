#pragma once
// The command line of quenlix-accounts:
//   list [--json]
//   add   --client C --name N --mailbox M --password-stdin [--default] [--dry-run]
//   adapt --client C (--address A | --key K) --name N --mailbox M --password-stdin
//         [--default | --no-default] [--dry-run]
//   help
// Options take their value as the next argument or after "=". Any command takes --verbose.

#include <clients/ProviderAccountSetup.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace accounts_tool {

enum class TToolCommand { Help, List, Add, Adapt };

struct TToolOptions {
    TToolCommand Command = TToolCommand::Help;
    bool Json = false;
    bool DryRun = false;
    bool Verbose = false; // the log's entries on standard error
    std::optional<TMailClient> Client;
    std::string Name;
    std::string Mailbox;
    std::optional<std::string> Address; // adapt: the account by its address
    std::optional<std::string> Key;     // adapt: the account by its key
    bool PasswordFromStdin = false;
    std::optional<bool> DefaultWish; // --default / --no-default; unset: the page's preset
};

// The command line without the program's name. Raises EToolError(ecUsage) that names what is
// wrong; it never repeats a value, which could be a password given by mistake.
TToolOptions ParseCommandLine(const std::vector<std::string>& args);

// "thunderbird", "outlook-express", "outlook", "windows-mail", "windows-live-mail".
std::optional<TMailClient> ClientFromName(std::string_view name);
std::string ClientOptionName(TMailClient client);

} // namespace accounts_tool
