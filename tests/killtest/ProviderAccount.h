#pragma once
// The provider's account as the setup page writes it, for the store scenarios to save.

#include <string>

class TMailAccount;

namespace kill_test {

// Gives a new account of a store the provider's settings for Anna Muster with the password,
// makes it the default and saves it. Raises when the store had no profile to add it to.
// Without a password nothing is remembered, so a store that seals passwords afresh at every
// save writes the same bytes each time.
void SaveProviderAccount(TMailAccount* added, const std::string& password,
                         bool thunderbird = false);

} // namespace kill_test
