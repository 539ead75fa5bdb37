// Outlook Express store: the values of one account key read into the account.

#include "clients/outlook/OutlookExpress.h"

#include "clients/outlook/OutlookAccountValues.h"

using platform::TRegDataType;
using namespace outlook_values;

namespace {

// The values both kinds of incoming server have.
template <class TAccount>
void ReadServer(const TKeyValues& key, const TIncomingValueNames& names, TAccount& account) {
    account.SetIncomingServer(ReadString(key, names.Server, TStringRead::Plain).value_or(""));
    if (const auto port = ReadInteger(key, names.Port)) {
        account.SetIncomingPort(*port);
    }
    if (const auto spa = ReadFlag(key, names.UseSicily)) {
        account.SetUseSPA(*spa);
    }
    if (const auto ssl = ReadFlag(key, names.SecureConnection)) {
        account.SetUseSSL(*ssl);
    }
}

void ReadPopOnly(const TKeyValues& key, TPOPMailAccount& account) {
    if (const auto timeout = ReadInteger(key, Pop3Timeout)) {
        account.SetIncomingTimeout(*timeout);
    }
    ReadRetention(key, account);
}

void ReadImapOnly(const TKeyValues& key, TIMAPMailAccount& account) {
    if (const auto folder = ReadString(key, ImapRootFolder, TStringRead::WhenPresent)) {
        account.SetRootFolder(*folder);
    }
    // An IMAP account has no time-out of its own here: the outgoing one stands for both.
    if (const auto timeout = ReadInteger(key, SmtpTimeout)) {
        account.SetIncomingTimeout(*timeout);
    }
}

} // namespace

void TOutlookExpressMailAccounts::ReadIncoming(const TKeyValues& key, TMailAccount& account) {
    const TIncomingValueNames& names = IncomingValueNames(account.Kind());
    account.SetUserName(ReadString(key, names.UserName, TStringRead::StringOnly).value_or(""));
    const TPasswordRead password =
        ReadPassword(Passwords_, key, names.Password, AccountPasswordsAvailable());
    if (AccountPasswordsAvailable()) {
        account.SetPassword(password.Password);
    }
    if (key.Exists(names.PromptForPassword)) {
        // Anything but an integer 0 means Outlook Express asks for the password.
        account.SetRememberPassword(key.DataType(names.PromptForPassword) ==
                                        TRegDataType::rdInteger &&
                                    key.Integer(names.PromptForPassword) == 0);
    }
    if (auto* pop = dynamic_cast<TPOPMailAccount*>(&account)) {
        ReadServer(key, names, *pop);
        ReadPopOnly(key, *pop);
    } else if (auto* imap = dynamic_cast<TIMAPMailAccount*>(&account)) {
        ReadServer(key, names, *imap);
        ReadImapOnly(key, *imap);
    }
}

void TOutlookExpressMailAccounts::ReadOutgoing(const TKeyValues& key, TMailAccount& account) {
    account.SetSmtpServer(ReadString(key, SmtpServer, TStringRead::StringOnly).value_or(""));
    if (const auto port = ReadInteger(key, SmtpPort)) {
        account.SetSmtpPort(*port);
    }
    if (const auto sicily = ReadInteger(key, SmtpUseSicily)) {
        if (const auto auth = SmtpAuthFromStored(*sicily)) {
            account.SetSmtpAuthMode(auth->Mode);
            if (auth->UseSPA) {
                account.SetSmtpUseSPA(*auth->UseSPA);
            }
        }
        if (UsesOwnSmtpLogin(*sicily)) {
            account.SetSmtpUserName(
                ReadString(key, SmtpUserName, TStringRead::StringOnly).value_or(""));
            if (key.Exists(SmtpPassword)) {
                const TPasswordRead password =
                    ReadPassword(Passwords_, key, SmtpPassword, AccountPasswordsAvailable());
                if (AccountPasswordsAvailable()) {
                    account.SetSmtpPassword(password.Password);
                }
                account.SetSmtpRememberPassword(true);
            }
        }
    }
    if (const auto ssl = ReadFlag(key, SmtpSecureConnection)) {
        account.SetSmtpUseSSL(*ssl);
    }
    if (const auto timeout = ReadInteger(key, SmtpTimeout)) {
        account.SetSmtpTimeout(*timeout);
    }
    if (const auto type = ConnectionTypeFromStored(ReadInteger(key, ConnectionType))) {
        account.SetConnectionType(*type);
    }
    if (const auto name = ReadString(key, Connectoid, TStringRead::WhenPresent)) {
        account.SetConnectionName(*name);
    }
}
