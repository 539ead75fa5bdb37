// Outlook 2002/2003/2007 store: the values of one account key read into the account.

#include "clients/outlook/Outlook2002.h"

#include "clients/outlook/Outlook2002Values.h"
#include "clients/outlook/OutlookAccountValues.h"
#include "platform/RegText.h"

using namespace outlook2002_values;
using outlook_values::TKeyValues;

namespace {

// UTF-16 text of a binary value; empty for a value of another type or a missing one.
std::string Text(const TKeyValues& key, const char* name) {
    const auto bytes = key.Binary(name);
    return bytes ? platform::reg::RegDataToString(*bytes) : std::string();
}

// The text when the value is there (of whatever type); nullopt when it is not.
std::optional<std::string> TextWhenPresent(const TKeyValues& key, const char* name) {
    return key.Exists(name) ? std::optional<std::string>(Text(key, name)) : std::nullopt;
}

// A 32-bit integer value; nullopt when it is missing or of another type.
std::optional<std::int32_t> Integer(const TKeyValues& key, const char* name) {
    return key.DataType(name) == platform::TRegDataType::rdInteger
               ? std::optional<std::int32_t>(key.Integer(name))
               : std::nullopt;
}

template <class TAccount>
void ReadServer(const TKeyValues& key, const TIncomingNames& names, TAccount& account) {
    account.SetIncomingServer(Text(key, names.Server));
    if (const auto port = Integer(key, names.Port)) {
        account.SetIncomingPort(*port);
    }
    account.SetUseSPA(key.Exists(names.UseSPA));
    account.SetUseSSL(key.Exists(names.UseSSL));
    if (const auto timeout = Integer(key, Timeout)) {
        account.SetIncomingTimeout(*timeout);
    }
}

void ReadLeaveOnServer(const TKeyValues& key, TPOPMailAccount& account) {
    if (const auto stored = Integer(key, LeaveOnServer)) {
        const TLeaveOnServer leave = LeaveOnServerFromStored(static_cast<std::uint32_t>(*stored));
        account.SetLeaveOnServer(leave.Leave);
        account.SetRemoveWhenExpired(leave.RemoveWhenExpired);
        account.SetRemoveWhenDeleted(leave.RemoveWhenDeleted);
        account.SetExpireDays(leave.ExpireDays);
    }
}

} // namespace

void TOutlookMailAccounts::ReadAccount(const TKeyValues& key, TMailAccount& account) {
    // The setters would save each field back while it is being read.
    const TAutoSaveOff autoSaveOff(*this);
    account.SetStoreLocation(key.Path());
    account.SetAccountName(Text(key, AccountName));
    account.SetDisplayName(Text(key, DisplayName));
    account.SetOrganization(Text(key, Organization));
    account.SetEmailAddress(Text(key, Email));
    account.SetReplyTo(Text(key, ReplyEmail));
    ReadIncoming(key, account);
    ReadOutgoing(key, account);
}

std::string TOutlookMailAccounts::ReadPasswordValue(const TKeyValues& key, const char* name) {
    if (SealsPasswords()) {
        const auto sealed = key.Binary(name);
        return sealed ? PasswordFromSealedValue(*sealed) : std::string();
    }
    return outlook_values::ReadPassword(Passwords_, key, name, true).Password;
}

void TOutlookMailAccounts::ReadIncoming(const TKeyValues& key, TMailAccount& account) {
    const TIncomingNames& names = IncomingNames(account.Kind());
    account.SetUserName(Text(key, names.User));
    if (AccountPasswordsAvailable()) {
        account.SetPassword(ReadPasswordValue(key, names.Password));
    }
    account.SetRememberPassword(!key.Exists(names.RememberPasswd));
    if (auto* pop = dynamic_cast<TPOPMailAccount*>(&account)) {
        ReadServer(key, names, *pop);
        ReadLeaveOnServer(key, *pop);
    } else if (auto* imap = dynamic_cast<TIMAPMailAccount*>(&account)) {
        ReadServer(key, names, *imap);
        imap->SetRootFolder(Text(key, ImapFolderPath));
    }
    if (const auto timeout = Integer(key, Timeout)) {
        account.SetSmtpTimeout(*timeout);
    }
}

void TOutlookMailAccounts::ReadOutgoing(const TKeyValues& key, TMailAccount& account) {
    account.SetSmtpServer(Text(key, SmtpServer));
    if (const auto port = Integer(key, SmtpPort)) {
        account.SetSmtpPort(*port);
    }
    if (ClientMajorVersion() == 12) {
        // Outlook 2007 keeps SSL or TLS in one value.
        const auto secure = Integer(key, SmtpSecureConnection);
        account.SetSmtpUseSSL(secure == 1);
        account.SetSmtpUseTLS(secure == 2);
    } else {
        account.SetSmtpUseSSL(key.Exists(SmtpUseSsl));
    }
    account.SetSmtpAuthMode(SmtpAuthModeFromStored(Integer(key, SmtpUseAuth),
                                                   Integer(key, SmtpAuthMethod), account.Kind()));
    account.SetSmtpUseSPA(key.Exists(SmtpUseSpa));
    if (const auto user = TextWhenPresent(key, SmtpUser)) {
        account.SetSmtpUserName(*user);
    }
    if (AccountPasswordsAvailable()) {
        account.SetSmtpPassword(ReadPasswordValue(key, SmtpPassword));
    }
    account.SetSmtpRememberPassword(!key.Exists(SmtpRememberPassword));
    if (const auto type = ConnectionTypeFromStored(Integer(key, ConnectionType))) {
        account.SetConnectionType(*type);
    }
    if (const auto name = TextWhenPresent(key, ConnectionOid)) {
        account.SetConnectionName(*name);
    }
}
