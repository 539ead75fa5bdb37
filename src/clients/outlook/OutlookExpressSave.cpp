// Outlook Express store: account keys, saving and deleting accounts.

#include "clients/outlook/OutlookExpress.h"

#include "accounts/RegistryHelpers.h"
#include "accounts/RegistrySaveSteps.h"
#include "accounts/SaveSteps.h"
#include "clients/outlook/OutlookAccountValues.h"
#include "clients/outlook/OutlookExpressKeys.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

using platform::TRegistry;
using namespace outlook_values;
namespace keys = outlook_express_keys;

namespace {

std::string Absolute(const std::string& key) {
    return "\\" + key;
}

std::string KeyName(std::uint32_t number) {
    char name[16];
    std::snprintf(name, sizeof name, "%08X", number);
    return name;
}

// The number of a key name of eight hexadecimal digits; nullopt for any other name.
std::optional<std::uint32_t> KeyNumber(const std::string& name) {
    if (name.size() != 8 || !std::all_of(name.begin(), name.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::stoul(name, nullptr, 16));
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

void WriteOrDelete(TRegistrySaveSteps& registry, const std::string& key, const char* name,
                   bool write, std::int32_t value) {
    if (write) {
        registry.WriteInteger(key, name, value);
    } else {
        registry.DeleteValue(key, name);
    }
}

// Server, port, time-out (POP3), secure password and secure connection, then the POP3 retention
// values or the IMAP root folder.
void AddServerValues(TRegistrySaveSteps& registry, const std::string& key,
                     const TPOPMailAccount& account) {
    registry.WriteString(key, Pop3Values.Server, account.IncomingServer());
    registry.WriteInteger(key, Pop3Values.Port, account.IncomingPort());
    registry.WriteInteger(key, Pop3Timeout, account.IncomingTimeout());
    WriteOrDelete(registry, key, Pop3Values.UseSicily, account.UseSPA(), 1);
    registry.WriteInteger(key, Pop3Values.SecureConnection, account.UseSSL() ? 1 : 0);
    const bool leave = account.LeaveOnServer();
    const bool expire = leave && account.RemoveWhenExpired();
    WriteOrDelete(registry, key, LeaveMailOnServer, leave, 1);
    WriteOrDelete(registry, key, RemoveWhenExpired, expire, 1);
    WriteOrDelete(registry, key, ExpireDays, expire, account.ExpireDays());
    WriteOrDelete(registry, key, RemoveWhenDeleted, leave && account.RemoveWhenDeleted(), 1);
}

void AddServerValues(TRegistrySaveSteps& registry, const std::string& key,
                     const TIMAPMailAccount& account) {
    registry.WriteString(key, ImapValues.Server, account.IncomingServer());
    registry.WriteInteger(key, ImapValues.Port, account.IncomingPort());
    WriteOrDelete(registry, key, ImapValues.UseSicily, account.UseSPA(), 1);
    registry.WriteInteger(key, ImapValues.SecureConnection, account.UseSSL() ? 1 : 0);
    if (account.RootFolder().empty()) {
        registry.DeleteValue(key, ImapRootFolder);
    } else {
        registry.WriteString(key, ImapRootFolder, account.RootFolder());
    }
}

struct TAccountPasswords {
    TPasswordSave Incoming;
    std::optional<TPasswordSave> Outgoing; // only for an own outgoing login
};

} // namespace

std::string TOutlookExpressMailAccounts::AccountManagerKeyOf(const TMailProfile& profile) const {
    return profile.AccountFilePattern();
}

std::string TOutlookExpressMailAccounts::NewAccountKey(TMailProfile* profile) {
    if (profile == nullptr || AccountManagerKeyOf(*profile).empty()) {
        return std::string();
    }
    const std::string manager = AccountManagerKeyOf(*profile);
    std::vector<std::string> existing;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (registry.OpenKeyReadOnly(Absolute(keys::AccountsOf(manager)))) {
        existing = registry.GetKeyNames();
    }
    // A counter behind the keys (or a key made but not saved yet) must not lead to a second
    // account in the same key.
    for (std::uint32_t number = ReadKeyCounter(manager);; ++number) {
        const std::string name = KeyName(number);
        if (!Contains(existing, name) && profile->FindAccount(name) == nullptr) {
            return name;
        }
    }
}

void TOutlookExpressMailAccounts::SaveAccount(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (account.AccountKey().empty() || profile == nullptr ||
        AccountManagerKeyOf(*profile).empty()) {
        return;
    }
    const std::string manager = AccountManagerKeyOf(*profile);
    const std::string accounts = keys::AccountsOf(manager);
    const std::string accountKey = accounts + "\\" + account.AccountKey();
    const TIncomingValueNames& names = IncomingValueNames(account.Kind());

    // Everything is decided before anything is written: the reference names, stored or fresh.
    TAccountPasswords passwords;
    {
        TRegistry registry(platform::HKEY_CURRENT_USER);
        registry.OpenKeyReadOnly(Absolute(accounts));
        const std::string freshIncoming =
            Passwords_.NewPasswordReference(*this, registry, names.Password);
        const std::string freshOutgoing =
            Passwords_.NewPasswordReference(*this, registry, SmtpPassword, {freshIncoming});
        TRegistry stored(platform::HKEY_CURRENT_USER);
        const bool exists = stored.OpenKeyReadOnly(Absolute(accountKey));
        const auto storedReference = [&](const char* value) {
            return exists ? Passwords_.ReadReferenceValue(stored, value) : std::string();
        };
        passwords.Incoming = PlanPassword(names.Password, storedReference(names.Password),
                                          freshIncoming, account.Password(),
                                          account.RememberPassword(), AccountPasswordsAvailable());
        if (account.SmtpAuthMode() == 2) {
            passwords.Outgoing = PlanPassword(
                SmtpPassword, storedReference(SmtpPassword), freshOutgoing, account.SmtpPassword(),
                account.SmtpRememberPassword(), AccountPasswordsAvailable());
        }
    }

    TSaveSteps steps;
    TRegistrySaveSteps registry(steps);
    // The counter moves past the key before the key is written.
    const auto number = KeyNumber(account.AccountKey());
    if (number && *number >= ReadKeyCounter(manager) && *number < 0x7FFFFFFFu) {
        registry.WriteInteger(manager, keys::KeyCounter, static_cast<std::int32_t>(*number + 1));
    }
    AddAccountValues(account, accountKey, passwords.Incoming, passwords.Outgoing, registry);
    if (manager == keys::AccountManager) {
        if (const auto identity = StringToGuid(profile->Location())) {
            const auto bytes = platform::GuidToBytes(*identity);
            registry.WriteBinary(accounts, keys::AssociatedId,
                                 std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        }
    }
    if (account.IsDefault()) {
        registry.WriteString(manager, keys::DefaultMailAccount, account.AccountKey());
    }
    // The registry values so far are in memory only; writing an item writes them together with
    // it, in one piece.
    AddPasswordItem(steps, Passwords_, passwords.Incoming);
    if (passwords.Outgoing) {
        AddPasswordItem(steps, Passwords_, *passwords.Outgoing);
    }
    registry.AddSave();
    steps.Run();
    account.SetStoreLocation(accountKey);
}

void TOutlookExpressMailAccounts::AddAccountValues(const TMailAccount& account,
                                                   const std::string& key,
                                                   const TPasswordSave& incoming,
                                                   const std::optional<TPasswordSave>& outgoing,
                                                   TRegistrySaveSteps& registry) const {
    const TIncomingValueNames& names = IncomingValueNames(account.Kind());
    const TStoredConnection connection = StoredConnection(account.ConnectionType(), account.Kind());
    registry.WriteInteger(key, ConnectionType, connection.Type);
    if (connection.WithConnectoid) {
        registry.WriteString(key, Connectoid, account.ConnectionName());
    } else {
        registry.DeleteValue(key, Connectoid);
    }
    for (const TSenderValue& value : SenderValues) {
        const std::string& text = (account.*value.Get)();
        if (text.empty() && !value.WrittenWhenEmpty) {
            registry.DeleteValue(key, value.Name);
        } else {
            registry.WriteString(key, value.Name, text);
        }
    }
    registry.WriteString(key, names.UserName, account.UserName());
    AddReferenceValue(registry, key, incoming, Passwords_);
    registry.WriteInteger(key, names.PromptForPassword, account.RememberPassword() ? 0 : 1);
    if (const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account)) {
        AddServerValues(registry, key, *pop);
    } else if (const auto* imap = dynamic_cast<const TIMAPMailAccount*>(&account)) {
        AddServerValues(registry, key, *imap);
    }
    registry.WriteString(key, SmtpServer, account.SmtpServer());
    registry.WriteInteger(key, SmtpPort, account.SmtpPort());
    registry.WriteInteger(key, SmtpTimeout, account.SmtpTimeout());
    registry.WriteInteger(key, SmtpSecureConnection, account.SmtpUseSSL() ? 1 : 0);
    if (const auto stored = StoredSmtpAuth(account.SmtpAuthMode(), account.SmtpUseSPA())) {
        registry.WriteInteger(key, SmtpUseSicily, *stored);
    }
    if (outgoing) {
        registry.WriteString(key, SmtpUserName, account.SmtpUserName());
        AddReferenceValue(registry, key, *outgoing, Passwords_);
        registry.WriteInteger(key, SmtpPromptForPassword, account.SmtpRememberPassword() ? 0 : 1);
    }
}

void TOutlookExpressMailAccounts::DeleteAccount(TMailProfile* profile, int index) {
    TMailAccount* account = profile != nullptr ? profile->AccountByIndex(index) : nullptr;
    if (account == nullptr) {
        return;
    }
    if (!account->AccountKey().empty()) {
        const std::string key = profile->AccountsLocation() + "\\" + account->AccountKey();
        TSaveSteps steps;
        TRegistrySaveSteps registry(steps);
        TRegistry stored(platform::HKEY_CURRENT_USER);
        if (AccountPasswordsAvailable() && stored.OpenKeyReadOnly(Absolute(key))) {
            // Every password the key names goes with it, not only the incoming one.
            for (const char* value : {Pop3Values.Password, ImapValues.Password, SmtpPassword}) {
                TPasswordSave plan;
                plan.Reference = Passwords_.ReadReferenceValue(stored, value);
                plan.DeleteItem = !plan.Reference.empty();
                AddPasswordItem(steps, Passwords_, plan);
            }
        }
        stored.CloseKey();
        registry.DeleteKey(key);
        registry.AddSave();
        steps.Run();
    }
    TMailAccounts::DeleteAccount(profile, index);
}
