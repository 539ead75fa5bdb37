#pragma once
// The provider's fixed account settings, written the same way into every client's account.

#include <string>

class TPOPMailAccount;

struct TProviderAccountValues {
    std::string Name;      // the person's name
    std::string Address;   // the full mail address
    std::string LoginName; // the POP3 user name
    std::string Password;
    bool DefaultWish = false;
};

// Sets every fixed setting in its order, then IsDefault: always for the only account of its
// profile, otherwise as the user wished. The Thunderbird store maps AccountName and DisplayName
// crosswise, so aThunderbird swaps the two to give the same result in the client. Saves nothing.
void ApplyProviderSettings(TPOPMailAccount& aAccount, const TProviderAccountValues& aValues,
                           bool aThunderbird);
