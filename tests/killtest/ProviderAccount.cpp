#include "ProviderAccount.h"

#include "accounts/MailAccount.h"
#include "clients/ProviderAccountSettings.h"

#include <stdexcept>

namespace kill_test {

void SaveProviderAccount(TMailAccount* added, const std::string& password, bool thunderbird) {
    auto* account = dynamic_cast<TPOPMailAccount*>(added);
    if (account == nullptr) {
        throw std::runtime_error("the store has no profile to add the account to");
    }
    const TProviderAccountValues values{"Anna Muster", "anna.muster@quenlix.example",
                                        "anna.muster@quenlix.example", password, true};
    ApplyProviderSettings(*account, values, thunderbird);
    account->SetRememberPassword(!password.empty());
    account->Save();
}

} // namespace kill_test
