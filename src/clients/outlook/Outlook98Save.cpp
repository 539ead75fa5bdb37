// Outlook 98/2000 store: account keys, saving and deleting accounts.

#include "clients/outlook/Outlook98.h"

#include "accounts/RegistryHelpers.h"
#include "clients/outlook/AccountKeyNames.h"
#include "clients/outlook/KeyWriting.h"
#include "clients/outlook/Outlook98Keys.h"
#include "clients/outlook/Outlook98Services.h"
#include "platform/WriteTransaction.h"

#include <algorithm>

using platform::TRegistry;
using namespace outlook_values;
namespace keys = outlook98_keys;
namespace services = outlook98_services;

namespace {

constexpr int DefaultPop3Port = 110;
constexpr int DefaultImapPort = 143;
constexpr int DefaultSmtpPort = 25;
constexpr std::int32_t DefaultTimeout = 60;
constexpr std::int32_t FirstKeyNumber = 1;

// The outgoing values of every authentication mode, deleted before the current mode's are
// written.
constexpr const char* OutgoingLoginValues[] = {SmtpUserName,          SmtpPassword,
                                               SmtpPromptForPassword, keys::SmtpUseAuth,
                                               keys::SmtpAuthMethod,  SmtpUseSicily};

std::string Absolute(const std::string& key) {
    return "\\" + key;
}

void WriteOrDelete(TRegistry& key, const char* name, bool write, std::int32_t value) {
    if (write) {
        key.WriteInteger(name, value);
    } else {
        key.DeleteValue(name);
    }
}

// A value these clients leave out at its default.
void WriteUnlessDefault(TRegistry& key, const char* name, std::int32_t value,
                        std::int32_t defaultValue) {
    WriteOrDelete(key, name, value != defaultValue, value);
}

void WriteTextOrDelete(TRegistry& key, const char* name, const std::string& text) {
    if (text.empty()) {
        key.DeleteValue(name);
    } else {
        key.WriteString(name, text);
    }
}

template <class TAccount>
void WriteServer(TRegistry& key, const TIncomingValueNames& names, const TAccount& account,
                 int defaultPort) {
    key.WriteString(names.Server, account.IncomingServer());
    WriteUnlessDefault(key, names.Port, account.IncomingPort(), defaultPort);
    WriteOrDelete(key, names.UseSicily, account.UseSPA(), 1);
    WriteOrDelete(key, names.SecureConnection, account.UseSSL(), 1);
}

void WriteRetention(TRegistry& key, const TPOPMailAccount& account) {
    const bool leave = account.LeaveOnServer();
    const bool expire = leave && account.RemoveWhenExpired();
    WriteOrDelete(key, LeaveMailOnServer, leave, 1);
    WriteOrDelete(key, RemoveWhenExpired, expire, 1);
    WriteOrDelete(key, ExpireDays, expire, account.ExpireDays());
    WriteOrDelete(key, RemoveWhenDeleted, leave && account.RemoveWhenDeleted(), 1);
}

std::int32_t ReadKeyCounter(TRegistry& accountManager) {
    return ReadRegIntegerDef(accountManager, keys::KeyCounter, FirstKeyNumber);
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&name](const std::string& n) { return SameTextIgnoreCase(n, name); });
}

} // namespace

std::string TOutlook98MailAccounts::NewAccountKey(TMailProfile* profile) {
    if (profile == nullptr || AccountManager_.empty()) {
        return std::string();
    }
    TRegistry registry(platform::HKEY_CURRENT_USER);
    std::int32_t counter = FirstKeyNumber;
    if (registry.OpenKeyReadOnly(Absolute(AccountManager_))) {
        counter = ReadKeyCounter(registry);
    }
    std::vector<std::string> existing;
    if (registry.OpenKeyReadOnly(Absolute(keys::AccountsOf(AccountManager_)))) {
        existing = registry.GetKeyNames();
    }
    registry.CloseKey();
    // The tree is shared by every profile: a key another profile's account holds, or one made
    // but not saved yet, is taken as well.
    const auto held = [this](const std::string& name) {
        return std::any_of(Profiles().begin(), Profiles().end(),
                           [&name](const auto& p) { return p->FindAccount(name) != nullptr; });
    };
    for (auto number = static_cast<std::uint32_t>(counter);; ++number) {
        const std::string name = AccountKeyName(number);
        if (!Contains(existing, name) && !held(name)) {
            return name;
        }
    }
}

TOutlook98MailAccounts::TAccountPasswords
TOutlook98MailAccounts::PlanPasswords(const TMailAccount& account) {
    const TIncomingValueNames& names = IncomingValueNames(account.Kind());
    const std::string accounts = keys::AccountsOf(AccountManager_);
    TRegistry registry(platform::HKEY_CURRENT_USER);
    registry.OpenKeyReadOnly(Absolute(accounts));
    const std::string freshIncoming =
        Passwords_.NewPasswordReference(*this, registry, names.Password);
    const std::string freshOutgoing =
        Passwords_.NewPasswordReference(*this, registry, SmtpPassword, {freshIncoming});
    std::string storedIncoming;
    TRegistry stored(platform::HKEY_CURRENT_USER);
    if (stored.OpenKeyReadOnly(Absolute(accounts + "\\" + account.AccountKey()))) {
        storedIncoming = Passwords_.ReadReferenceValue(stored, names.Password);
    }
    TAccountPasswords passwords;
    passwords.Incoming =
        PlanPassword(names.Password, storedIncoming, freshIncoming, account.Password(),
                     account.RememberPassword(), AccountPasswordsAvailable());
    if (account.SmtpAuthMode() == 2 && !account.SmtpPassword().empty()) {
        // The outgoing reference is drawn afresh at every save: its value was deleted with the
        // other outgoing values.
        passwords.Outgoing =
            PlanPassword(SmtpPassword, std::string(), freshOutgoing, account.SmtpPassword(),
                         account.SmtpRememberPassword(), AccountPasswordsAvailable());
    }
    return passwords;
}

void TOutlook98MailAccounts::SaveAccount(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (account.AccountKey().empty() || profile == nullptr || AccountManager_.empty()) {
        return;
    }
    const std::string accountKey = keys::AccountsOf(AccountManager_) + "\\" + account.AccountKey();
    // Everything is decided before anything is written: reference names and service keys.
    const TAccountPasswords passwords = PlanPasswords(account);
    const bool withServices = MapiProfileMode_ && !profile->AccountFilePattern().empty();
    std::optional<services::TServiceKeys> created;
    if (withServices && services::ServiceKeysOf(account.StoreData()).Service.empty()) {
        created = services::NewServiceKeys(Random_);
    }

    // Key, counter, default mark, items and service keys change together or not at all.
    platform::TWriteTransaction transaction;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    for (const std::string& setup : {keys::Setup90, keys::Setup80}) {
        if (registry.OpenKey(Absolute(setup), false)) {
            registry.WriteInteger(keys::PimOnly, 0);
        }
    }
    OpenKeyForWriting(registry, AccountManager_);
    const auto number = AccountKeyNumber(account.AccountKey());
    if (number && *number >= static_cast<std::uint32_t>(ReadKeyCounter(registry)) &&
        *number < 0x7FFFFFFFu) {
        registry.WriteInteger(keys::KeyCounter, static_cast<std::int32_t>(*number + 1));
    }
    if (account.IsDefault()) {
        registry.WriteString(keys::DefaultMailAccount, account.AccountKey());
    }
    OpenKeyForWriting(registry, accountKey);
    WriteAccountValues(account, passwords, registry);
    registry.CloseKey();
    SavePasswordItem(Passwords_, passwords.Incoming);
    if (passwords.Outgoing) {
        SavePasswordItem(Passwords_, *passwords.Outgoing);
    }
    if (withServices) {
        const std::string& profileKey = profile->AccountFilePattern();
        if (created) {
            services::WriteServiceKeys(registry, profileKey, *created, account.AccountName());
        }
        services::RenameService(registry, profileKey,
                                created ? *created : services::ServiceKeysOf(account.StoreData()),
                                account.AccountName());
    }
    transaction.AfterCommit([&account, accountKey, created] {
        account.SetStoreLocation(accountKey);
        if (created) {
            services::RecordServiceKeys(account.StoreData(), *created);
        }
    });
    transaction.Commit();
}

void TOutlook98MailAccounts::WriteAccountValues(const TMailAccount& account,
                                                const TAccountPasswords& passwords,
                                                TRegistry& key) const {
    const TIncomingValueNames& names = IncomingValueNames(account.Kind());
    for (const TSenderValue& value : SenderValues) {
        const std::string& text = (account.*value.Get)();
        if (value.WrittenWhenEmpty) {
            key.WriteString(value.Name, text);
        } else {
            WriteTextOrDelete(key, value.Name, text);
        }
    }
    key.WriteString(names.UserName, account.UserName());
    WriteReferenceValue(key, passwords.Incoming, Passwords_);
    const std::int32_t prompt = account.RememberPassword() ? 0 : 1;
    if (const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account)) {
        key.WriteInteger(names.PromptForPassword, prompt);
        key.WriteInteger(ConnectionType, keys::ConnectionTypeWritten);
        WriteServer(key, names, *pop, DefaultPop3Port);
        WriteRetention(key, *pop);
        WriteUnlessDefault(key, keys::Timeout, account.SmtpTimeout(), DefaultTimeout);
    } else if (const auto* imap = dynamic_cast<const TIMAPMailAccount*>(&account)) {
        key.WriteInteger(ConnectionType, keys::ConnectionTypeWritten);
        key.WriteInteger(names.PromptForPassword, prompt);
        WriteServer(key, names, *imap, DefaultImapPort);
        WriteTextOrDelete(key, ImapRootFolder, imap->RootFolder());
    }
    key.WriteString(SmtpServer, account.SmtpServer());
    WriteUnlessDefault(key, SmtpPort, account.SmtpPort(), DefaultSmtpPort);
    WriteOrDelete(key, SmtpSecureConnection, account.SmtpUseSSL(), 1);
    // Only the values of the current mode remain.
    for (const char* value : OutgoingLoginValues) {
        key.DeleteValue(value);
    }
    const std::uint8_t mode = account.SmtpAuthMode();
    if (const auto stored = StoredSmtpAuth(mode, account.SmtpUseSPA()); stored && mode != 0) {
        key.WriteInteger(SmtpUseSicily, *stored);
    }
    if (mode == 2) {
        key.WriteString(SmtpUserName, account.SmtpUserName());
        if (passwords.Outgoing) {
            WriteReferenceValue(key, *passwords.Outgoing, Passwords_);
        }
        key.WriteInteger(SmtpPromptForPassword, account.SmtpRememberPassword() ? 0 : 1);
    }
}

void TOutlook98MailAccounts::DeleteAccount(TMailProfile* profile, int index) {
    TMailAccount* account = profile != nullptr ? profile->AccountByIndex(index) : nullptr;
    if (account == nullptr) {
        return;
    }
    if (account->AccountKey().empty() || AccountManager_.empty()) {
        TMailAccounts::DeleteAccount(profile, index); // never saved: nothing to delete
        return;
    }
    const std::string key = keys::AccountsOf(AccountManager_) + "\\" + account->AccountKey();
    const services::TServiceKeys serviceKeys = services::ServiceKeysOf(account->StoreData());
    platform::TWriteTransaction transaction;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (AccountPasswordsAvailable() && registry.OpenKeyReadOnly(Absolute(key))) {
        DeleteNamedPasswordItems(Passwords_, registry,
                                 {Pop3Values.Password, ImapValues.Password, SmtpPassword});
    }
    registry.CloseKey();
    registry.DeleteKey(Absolute(key));
    if (MapiProfileMode_ && !profile->AccountFilePattern().empty()) {
        services::DeleteServiceKeys(registry, profile->AccountFilePattern(), serviceKeys);
    }
    registry.CloseKey();
    transaction.AfterCommit(
        [this, profile, index] { TMailAccounts::DeleteAccount(profile, index); });
    transaction.Commit();
}
