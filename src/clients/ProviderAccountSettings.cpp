#include "ProviderAccountSettings.h"

#include "ProviderConstants.h"

#include <accounts/MailAccount.h>
#include <accounts/MailProfile.h>

void ApplyProviderSettings(TPOPMailAccount& aAccount, const TProviderAccountValues& aValues,
                           bool aThunderbird) {
    aAccount.SetAccountName(aThunderbird ? aValues.Name : aValues.Address);
    aAccount.SetDisplayName(aThunderbird ? aValues.Address : aValues.Name);
    aAccount.SetEmailAddress(aValues.Address);
    aAccount.SetUserName(aValues.LoginName);
    aAccount.SetPassword(aValues.Password);
    aAccount.SetRememberPassword(true);
    aAccount.SetIncomingServer(std::string(provider::Pop3Host));
    aAccount.SetUseSPA(false);
    aAccount.SetUseSSL(true);
    aAccount.SetIncomingPort(provider::Pop3Port);
    aAccount.SetLeaveOnServer(true);
    aAccount.SetSmtpServer(std::string(provider::SmtpHost));
    aAccount.SetSmtpAuthMode(1); // authenticate with the incoming-server credentials
    aAccount.SetSmtpUseSSL(true);
    aAccount.SetSmtpUseSPA(false);
    aAccount.SetSmtpPort(provider::SmtpPort);

    const TMailProfile* profile = aAccount.Profile();
    const int count = profile != nullptr ? profile->AccountCount() : 0;
    aAccount.SetIsDefault(count < 2 ? true : aValues.DefaultWish);
}
