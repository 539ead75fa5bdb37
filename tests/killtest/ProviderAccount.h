#pragma once
// What the store scenarios share: the provider's account as the setup page writes it, the
// programs they install and the pieces of the user hives they start from.

#include <filesystem>
#include <string>

class TMailAccount;

namespace kill_test {

// Gives a new account of a store the provider's settings for Anna Muster with the password,
// makes it the default and saves it. Raises when the store had no profile to add it to.
// Without a password nothing is remembered, so a store that seals passwords afresh at every
// save writes the same bytes each time.
void SaveProviderAccount(TMailAccount* added, const std::string& password,
                         bool thunderbird = false);

// Writes the program file (of those bytes) and names it under App Paths.
void InstallProgram(const std::string& program, const std::string& image);

// The current user's hive as the simulated system keeps it on the host.
std::filesystem::path UserHive();

inline const std::string RegHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

// An account key name as the Internet Account Manager numbers them: "0000012C".
std::string KeyName(int number);

// The key of another provider's POP account number n in a shared account tree, as Outlook
// Express and Outlook 2000 keep it.
std::string OtherAccountKey(const std::string& accounts, int n);

} // namespace kill_test
