#pragma once
// add and adapt: the setup page's work after a successful login, for a client named on the
// command line, through the routine the page itself uses (clients/ProviderAccountSetup.h).

#include "CommandLine.h"

#include <clients/ProviderAccountSetup.h>

#include <optional>
#include <string>

namespace accounts_tool {

struct TAccountRequest {
    bool Adapt = false;
    TMailClient Client = TMailClient::Thunderbird;
    std::optional<std::string> Address; // adapt: the account by its address
    std::optional<std::string> Key;     // adapt: the account by its key
    std::string Name;
    std::string Mailbox;
    std::string Password;
    std::optional<bool> DefaultWish; // unset: unchecked for add, the account's mark for adapt
    bool DryRun = false;
};

TAccountRequest AccountRequest(const TToolOptions& options, std::string password);

// Writes the account, or in a dry run shows what would be written; answers the report for
// standard output. Raises EToolError with the exit code and the reason when it cannot.
std::string DoAccountWork(const TAccountRequest& request, const TMailStoreList& stores);

} // namespace accounts_tool
