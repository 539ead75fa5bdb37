#pragma once
// The provider's new POP account as the store tests write it into a client on the machine, and
// what they expect to read back.

#include "accounts/MailAccount.h"

#include <gtest/gtest.h>

#include <string>

namespace win32_test {

inline const std::string kProviderPassword = "Geheim-42";

// Every value the setup page sets on the account: the Quenlix servers with SSL, the address as
// account and user name, the password remembered.
inline void ApplyProviderValues(TPOPMailAccount& account, const std::string& address,
                                const std::string& displayName) {
    account.SetAccountName(address);
    account.SetDisplayName(displayName);
    account.SetEmailAddress(address);
    account.SetUserName(address);
    account.SetPassword(kProviderPassword);
    account.SetRememberPassword(true);
    account.SetIncomingServer("pop.quenlix.example");
    account.SetUseSSL(true);
    account.SetIncomingPort(995);
    account.SetLeaveOnServer(true);
    account.SetSmtpServer("smtp.quenlix.example");
    account.SetSmtpAuthMode(1);
    account.SetSmtpUseSSL(true);
    account.SetSmtpPort(465);
}

// The provider's new account added to the store with every value set, not saved yet.
template <typename TStore>
TPOPMailAccount& AddProviderAccount(TStore& store, const std::string& address,
                                    const std::string& displayName) {
    auto& account = dynamic_cast<TPOPMailAccount&>(
        *store.AddAccount(AccountKindPOP, address, address, kProviderPassword));
    ApplyProviderValues(account, address, displayName);
    return account;
}

// The provider's servers as the client reads them back.
inline void ExpectProviderServers(const TMailAccount& account) {
    const auto& pop = dynamic_cast<const TPOPMailAccount&>(account);
    EXPECT_EQ(pop.IncomingServer(), "pop.quenlix.example");
    EXPECT_EQ(pop.IncomingPort(), 995);
    EXPECT_TRUE(pop.UseSSL());
    EXPECT_EQ(account.SmtpServer(), "smtp.quenlix.example");
    EXPECT_EQ(account.SmtpPort(), 465);
}

// The account of a store or profile with the address; none without one.
template <typename TAccounts>
const TMailAccount* FindAccount(TAccounts& accounts, const std::string& address) {
    for (int i = 0; i < accounts.AccountCount(); ++i) {
        if (accounts.AccountByIndex(i)->EmailAddress() == address) {
            return accounts.AccountByIndex(i);
        }
    }
    return nullptr;
}

} // namespace win32_test
