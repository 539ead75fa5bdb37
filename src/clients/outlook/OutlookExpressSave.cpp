// Outlook Express store: account keys, saving and deleting accounts.

#include "clients/outlook/OutlookExpress.h"

#include "accounts/RegistryHelpers.h"
#include "clients/outlook/AccountKeyNames.h"
#include "clients/outlook/OutlookAccountValues.h"
#include "clients/outlook/OutlookExpressKeys.h"
#include "platform/WriteTransaction.h"

#include <algorithm>
#include <optional>

using platform::TRegistry;
using namespace outlook_values;
namespace keys = outlook_express_keys;

namespace {

std::string Absolute(const std::string& key) {
    return "\\" + key;
}

std::uint32_t ReadKeyCounter(const std::string& accountManager) {
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly(Absolute(accountManager))) {
        return 0;
    }
    return static_cast<std::uint32_t>(ReadRegIntegerDef(registry, keys::KeyCounter, 0));
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&name](const std::string& n) { return SameTextIgnoreCase(n, name); });
}

void WriteOrDelete(TRegistry& key, const char* name, bool write, std::int32_t value) {
    if (write) {
        key.WriteInteger(name, value);
    } else {
        key.DeleteValue(name);
    }
}

// Server, port, time-out (POP3), secure password and secure connection, then the POP3 retention
// values or the IMAP root folder.
void WriteServerValues(TRegistry& key, const TPOPMailAccount& account) {
    key.WriteString(Pop3Values.Server, account.IncomingServer());
    key.WriteInteger(Pop3Values.Port, account.IncomingPort());
    key.WriteInteger(Pop3Timeout, account.IncomingTimeout());
    WriteOrDelete(key, Pop3Values.UseSicily, account.UseSPA(), 1);
    key.WriteInteger(Pop3Values.SecureConnection, account.UseSSL() ? 1 : 0);
    const bool leave = account.LeaveOnServer();
    const bool expire = leave && account.RemoveWhenExpired();
    WriteOrDelete(key, LeaveMailOnServer, leave, 1);
    WriteOrDelete(key, RemoveWhenExpired, expire, 1);
    WriteOrDelete(key, ExpireDays, expire, account.ExpireDays());
    WriteOrDelete(key, RemoveWhenDeleted, leave && account.RemoveWhenDeleted(), 1);
}

void WriteServerValues(TRegistry& key, const TIMAPMailAccount& account) {
    key.WriteString(ImapValues.Server, account.IncomingServer());
    key.WriteInteger(ImapValues.Port, account.IncomingPort());
    WriteOrDelete(key, ImapValues.UseSicily, account.UseSPA(), 1);
    key.WriteInteger(ImapValues.SecureConnection, account.UseSSL() ? 1 : 0);
    if (account.RootFolder().empty()) {
        key.DeleteValue(ImapRootFolder);
    } else {
        key.WriteString(ImapRootFolder, account.RootFolder());
    }
}

} // namespace

std::string TOutlookExpressMailAccounts::NewAccountKey(TMailProfile* profile) {
    if (profile == nullptr || profile->AccountFilePattern().empty()) {
        return std::string();
    }
    const std::string manager = profile->AccountFilePattern();
    std::vector<std::string> existing;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (registry.OpenKeyReadOnly(Absolute(keys::AccountsOf(manager)))) {
        existing = registry.GetKeyNames();
    }
    // A counter behind the keys (or a key made but not saved yet) must not lead to a second
    // account in the same key.
    for (std::uint32_t number = ReadKeyCounter(manager);; ++number) {
        const std::string name = AccountKeyName(number);
        if (!Contains(existing, name) && profile->FindAccount(name) == nullptr) {
            return name;
        }
    }
}

TOutlookExpressMailAccounts::TAccountPasswords
TOutlookExpressMailAccounts::PlanPasswords(const TMailAccount& account,
                                           const std::string& accounts) {
    const TIncomingValueNames& names = IncomingValueNames(account.Kind());
    TRegistry registry(platform::HKEY_CURRENT_USER);
    registry.OpenKeyReadOnly(Absolute(accounts));
    const std::string freshIncoming =
        Passwords_.NewPasswordReference(*this, registry, names.Password);
    const std::string freshOutgoing =
        Passwords_.NewPasswordReference(*this, registry, SmtpPassword, {freshIncoming});
    TRegistry stored(platform::HKEY_CURRENT_USER);
    const bool exists = stored.OpenKeyReadOnly(Absolute(accounts + "\\" + account.AccountKey()));
    const auto storedReference = [&](const char* value) {
        return exists ? Passwords_.ReadReferenceValue(stored, value) : std::string();
    };
    TAccountPasswords passwords;
    passwords.Incoming =
        PlanPassword(names.Password, storedReference(names.Password), freshIncoming,
                     account.Password(), account.RememberPassword(), AccountPasswordsAvailable());
    if (account.SmtpAuthMode() == 2) {
        passwords.Outgoing = PlanPassword(
            SmtpPassword, storedReference(SmtpPassword), freshOutgoing, account.SmtpPassword(),
            account.SmtpRememberPassword(), AccountPasswordsAvailable());
    }
    return passwords;
}

void TOutlookExpressMailAccounts::SaveAccount(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (account.AccountKey().empty() || profile == nullptr ||
        profile->AccountFilePattern().empty()) {
        return;
    }
    const std::string manager = profile->AccountFilePattern();
    const std::string accounts = keys::AccountsOf(manager);
    const std::string accountKey = accounts + "\\" + account.AccountKey();
    // Everything is decided before anything is written: the reference names, stored or fresh.
    const TAccountPasswords passwords = PlanPasswords(account, accounts);

    // Key, counter, marks and items change together or not at all.
    platform::TWriteTransaction transaction;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    keys::OpenForWriting(registry, manager);
    const auto number = AccountKeyNumber(account.AccountKey());
    if (number && *number >= ReadKeyCounter(manager) && *number < 0x7FFFFFFFu) {
        registry.WriteInteger(keys::KeyCounter, static_cast<std::int32_t>(*number + 1));
    }
    if (account.IsDefault()) {
        registry.WriteString(keys::DefaultMailAccount, account.AccountKey());
    }
    keys::OpenForWriting(registry, accounts);
    // The default identity claims the tree it saves into, as Outlook Express does.
    if (profile == DefaultProfile()) {
        if (const auto identity = StringToGuid(profile->Location())) {
            WriteRegGuid(registry, keys::AssociatedId, *identity);
        }
    }
    keys::OpenForWriting(registry, accountKey);
    WriteAccountValues(account, passwords, registry);
    registry.CloseKey();
    SavePasswordItem(Passwords_, passwords.Incoming);
    if (passwords.Outgoing) {
        SavePasswordItem(Passwords_, *passwords.Outgoing);
    }
    transaction.AfterCommit([&account, accountKey] { account.SetStoreLocation(accountKey); });
    transaction.Commit();
}

void TOutlookExpressMailAccounts::WriteAccountValues(const TMailAccount& account,
                                                     const TAccountPasswords& passwords,
                                                     TRegistry& key) const {
    const TIncomingValueNames& names = IncomingValueNames(account.Kind());
    const TStoredConnection connection = StoredConnection(account.ConnectionType(), account.Kind());
    key.WriteInteger(ConnectionType, connection.Type);
    if (connection.WithConnectoid) {
        key.WriteString(Connectoid, account.ConnectionName());
    } else {
        key.DeleteValue(Connectoid);
    }
    for (const TSenderValue& value : SenderValues) {
        const std::string& text = (account.*value.Get)();
        if (text.empty() && !value.WrittenWhenEmpty) {
            key.DeleteValue(value.Name);
        } else {
            key.WriteString(value.Name, text);
        }
    }
    key.WriteString(names.UserName, account.UserName());
    WriteReferenceValue(key, passwords.Incoming, Passwords_);
    key.WriteInteger(names.PromptForPassword, account.RememberPassword() ? 0 : 1);
    if (const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account)) {
        WriteServerValues(key, *pop);
    } else if (const auto* imap = dynamic_cast<const TIMAPMailAccount*>(&account)) {
        WriteServerValues(key, *imap);
    }
    key.WriteString(SmtpServer, account.SmtpServer());
    key.WriteInteger(SmtpPort, account.SmtpPort());
    key.WriteInteger(SmtpTimeout, account.SmtpTimeout());
    key.WriteInteger(SmtpSecureConnection, account.SmtpUseSSL() ? 1 : 0);
    if (const auto stored = StoredSmtpAuth(account.SmtpAuthMode(), account.SmtpUseSPA())) {
        key.WriteInteger(SmtpUseSicily, *stored);
    }
    if (passwords.Outgoing) {
        key.WriteString(SmtpUserName, account.SmtpUserName());
        WriteReferenceValue(key, *passwords.Outgoing, Passwords_);
        key.WriteInteger(SmtpPromptForPassword, account.SmtpRememberPassword() ? 0 : 1);
    }
}

void TOutlookExpressMailAccounts::DeleteAccount(TMailProfile* profile, int index) {
    TMailAccount* account = profile != nullptr ? profile->AccountByIndex(index) : nullptr;
    if (account == nullptr) {
        return;
    }
    if (account->AccountKey().empty()) {
        TMailAccounts::DeleteAccount(profile, index); // never saved: nothing to delete
        return;
    }
    const std::string key = profile->AccountsLocation() + "\\" + account->AccountKey();
    platform::TWriteTransaction transaction;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (AccountPasswordsAvailable() && registry.OpenKeyReadOnly(Absolute(key))) {
        DeleteNamedPasswordItems(Passwords_, registry,
                                 {Pop3Values.Password, ImapValues.Password, SmtpPassword});
    }
    registry.CloseKey();
    registry.DeleteKey(Absolute(key));
    transaction.AfterCommit(
        [this, profile, index] { TMailAccounts::DeleteAccount(profile, index); });
    transaction.Commit();
}
