// Outlook 98/2000 store: the values of one account key read into the account.

#include "clients/outlook/Outlook98.h"

#include "clients/outlook/Outlook98Keys.h"

using namespace outlook_values;
namespace keys = outlook98_keys;

namespace {

constexpr std::int32_t DefaultTimeout = 60;

// The values both kinds of incoming server have.
template <class TAccount>
void ReadServer(const TKeyValues& key, const TIncomingValueNames& names, TAccount& account) {
    account.SetIncomingServer(ReadString(key, names.Server, TStringRead::Plain).value_or(""));
    if (const auto port = ReadInteger(key, names.Port)) {
        account.SetIncomingPort(*port);
    }
    // Written only when on: a missing value is off.
    account.SetUseSPA(ReadFlag(key, names.UseSicily).value_or(false));
    account.SetUseSSL(ReadFlag(key, names.SecureConnection).value_or(false));
}

} // namespace

void TOutlook98MailAccounts::ReadAccount(const TKeyValues& key, TMailAccount& account) {
    // The setters would save each field back while it is being read.
    const TAutoSaveOff autoSaveOff(*this);
    account.SetStoreLocation(key.Path());
    for (const TSenderValue& value : SenderValues) {
        const bool plain = value.WrittenWhenEmpty || std::string(value.Name) == AccountName;
        if (const auto text = ReadString(key, value.Name,
                                         plain ? TStringRead::Plain : TStringRead::WhenPresent)) {
            (account.*value.Set)(*text);
        }
    }
    ReadIncoming(key, account);
    ReadOutgoing(key, account);
}

void TOutlook98MailAccounts::ReadIncoming(const TKeyValues& key, TMailAccount& account) {
    const TIncomingValueNames& names = IncomingValueNames(account.Kind());
    // A user name or server removed from the key empties the field when the account is read
    // again.
    account.SetUserName(ReadString(key, names.UserName, TStringRead::Plain).value_or(""));
    if (AccountPasswordsAvailable()) {
        account.SetPassword(ReadPassword(Passwords_, key, names.Password, true).Password);
    }
    if (const auto prompt = ReadInteger(key, names.PromptForPassword)) {
        account.SetRememberPassword(*prompt == 0);
    }
    if (ReadInteger(key, ConnectionType) == keys::ConnectionTypeWritten) {
        account.SetConnectionType(0);
    }
    if (const auto name = ReadString(key, keys::ConnectionOid, TStringRead::WhenPresent)) {
        account.SetConnectionName(*name);
    }
    if (auto* pop = dynamic_cast<TPOPMailAccount*>(&account)) {
        ReadServer(key, names, *pop);
        ReadRetention(key, *pop);
    } else if (auto* imap = dynamic_cast<TIMAPMailAccount*>(&account)) {
        ReadServer(key, names, *imap);
        if (const auto folder = ReadString(key, ImapRootFolder, TStringRead::WhenPresent)) {
            imap->SetRootFolder(*folder);
        }
    }
}

void TOutlook98MailAccounts::ReadOutgoing(const TKeyValues& key, TMailAccount& account) {
    account.SetSmtpTimeout(ReadInteger(key, keys::Timeout).value_or(DefaultTimeout));
    account.SetSmtpServer(ReadString(key, SmtpServer, TStringRead::Plain).value_or(""));
    if (const auto port = ReadInteger(key, SmtpPort)) {
        account.SetSmtpPort(*port);
    }
    account.SetSmtpUseSSL(ReadFlag(key, SmtpSecureConnection).value_or(false));
    if (const auto sicily = ReadInteger(key, SmtpUseSicily)) {
        if (const auto auth = SmtpAuthFromStored(*sicily)) {
            account.SetSmtpAuthMode(auth->Mode);
            // Only "1" says secure password authentication; "3" leaves the flag as it is.
            if (*sicily == 1) {
                account.SetSmtpUseSPA(true);
            }
        }
    }
    if (const auto user = ReadString(key, SmtpUserName, TStringRead::WhenPresent)) {
        account.SetSmtpUserName(*user);
    }
    if (AccountPasswordsAvailable()) {
        account.SetSmtpPassword(ReadPassword(Passwords_, key, SmtpPassword, true).Password);
    }
    if (const auto prompt = ReadInteger(key, SmtpPromptForPassword)) {
        account.SetSmtpRememberPassword(*prompt == 0);
    }
}
