// Outlook 2002/2003/2007 store: account numbers, saving accounts, profiles and options, and
// deleting accounts.

#include "clients/outlook/Outlook2002.h"

#include "accounts/RegistryHelpers.h"
#include "accounts/SystemHelpers.h"
#include "clients/outlook/AccountKeyNames.h"
#include "clients/outlook/KeyWriting.h"
#include "clients/outlook/MapiProfiles.h"
#include "clients/outlook/Outlook2002Values.h"
#include "clients/outlook/OutlookAccountValues.h"
#include "platform/Files.h"
#include "platform/RegText.h"
#include "platform/WriteTransaction.h"

#include <algorithm>
#include <stdexcept>

using platform::TRegistry;
using namespace outlook2002_values;
using outlook_values::TKeyValues;

namespace {

constexpr const char* HangupAfterSpool = "Hangup After Spool";
constexpr std::int32_t FirstAccountNumber = 1;
constexpr int CsidlAppData = 26;
constexpr std::uint32_t HiddenSystemReadOnly = platform::FILE_ATTRIBUTE_READONLY |
                                               platform::FILE_ATTRIBUTE_HIDDEN |
                                               platform::FILE_ATTRIBUTE_SYSTEM;

// The outgoing values of every authentication mode, deleted before the current mode's are
// written.
constexpr const char* OutgoingLoginValues[] = {SmtpUser,    SmtpPassword,   SmtpRememberPassword,
                                               SmtpUseAuth, SmtpAuthMethod, SmtpUseSpa};

std::string Absolute(const std::string& key) {
    return "\\" + key;
}

void WriteWide(TRegistry& key, const char* name, const std::string& text) {
    WriteRegWideString(key, name, text);
}

void WriteWideOrDelete(TRegistry& key, const char* name, const std::string& text) {
    if (text.empty()) {
        key.DeleteValue(name);
    } else {
        WriteRegWideString(key, name, text);
    }
}

void WriteFlag(TRegistry& key, const char* name, bool on) {
    if (on) {
        key.WriteInteger(name, 1);
    } else {
        key.DeleteValue(name);
    }
}

void WriteUnlessDefault(TRegistry& key, const char* name, std::int32_t value,
                        std::int32_t defaultValue) {
    if (value == defaultValue) {
        key.DeleteValue(name);
    } else {
        key.WriteInteger(name, value);
    }
}

std::vector<std::uint32_t> ReadAccountList(TRegistry& accountManager) {
    if (accountManager.GetDataType(AccountList) != platform::TRegDataType::rdBinary) {
        return {};
    }
    return AccountNumbers(accountManager.ReadBinaryData(AccountList));
}

template <class TAccount>
void WriteServer(TRegistry& key, const TIncomingNames& names, const TAccount& account) {
    WriteWide(key, names.Server, account.IncomingServer());
    WriteUnlessDefault(key, names.Port, account.IncomingPort(), names.DefaultPort);
    WriteFlag(key, names.UseSPA, account.UseSPA());
    WriteFlag(key, names.UseSSL, account.UseSSL());
}

std::int32_t IncomingTimeout(const TMailAccount& account) {
    if (const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account)) {
        return pop->IncomingTimeout();
    }
    if (const auto* imap = dynamic_cast<const TIMAPMailAccount*>(&account)) {
        return imap->IncomingTimeout();
    }
    return account.SmtpTimeout();
}

// Nothing but blanks and control characters, which trimming would remove.
bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

} // namespace

std::string TOutlookMailAccounts::NewAccountKey(TMailProfile* profile) {
    if (profile == nullptr || profile->AccountsLocation().empty()) {
        return std::string();
    }
    std::int32_t next = FirstAccountNumber;
    std::vector<std::uint32_t> listed;
    std::vector<std::string> existing;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (registry.OpenKeyReadOnly(Absolute(profile->AccountsLocation()))) {
        next = ReadRegIntegerDef(registry, NextAccountId, FirstAccountNumber);
        listed = ReadAccountList(registry);
        existing = registry.GetKeyNames();
    }
    registry.CloseKey();
    // A number the list already holds, a key left behind, or an account made but not saved yet
    // is taken.
    for (auto number = static_cast<std::uint32_t>(next);; ++number) {
        const std::string name = AccountKeyName(number);
        const bool taken = std::find(listed.begin(), listed.end(), number) != listed.end() ||
                           std::any_of(existing.begin(), existing.end(),
                                       [&name](const std::string& key) {
                                           return SameTextIgnoreCase(key, name);
                                       }) ||
                           profile->FindAccount(name) != nullptr;
        if (!taken) {
            return name;
        }
    }
}

TOutlookMailAccounts::TAccountPasswords
TOutlookMailAccounts::PlanPasswords(const TMailAccount& account, const std::string& accounts) {
    const TIncomingNames& names = IncomingNames(account.Kind());
    TAccountPasswords passwords;
    TPasswordPlan& incoming = passwords.Incoming;
    incoming.ValueName = names.Password;
    incoming.Password = account.Password();
    if (!AccountPasswordsAvailable()) {
        return passwords;
    }
    // A password not to be remembered is not kept: the sealed value goes, or the item.
    const bool remember = account.RememberPassword();
    const bool outgoing = account.SmtpAuthMode() == 2 && !IsBlank(account.SmtpPassword()) &&
                          account.SmtpRememberPassword();
    if (outgoing) {
        passwords.Outgoing =
            TPasswordPlan{SmtpPassword, {}, false, true, false, account.SmtpPassword()};
    }
    if (SealsPasswords()) {
        incoming.Store = remember;
        incoming.Forget = !remember;
        return passwords;
    }
    TRegistry registry(platform::HKEY_CURRENT_USER);
    registry.OpenKeyReadOnly(Absolute(accounts));
    const std::string freshIncoming =
        Passwords_.NewPasswordReference(*this, registry, names.Password);
    const std::string freshOutgoing =
        Passwords_.NewPasswordReference(*this, registry, SmtpPassword, {freshIncoming});
    std::string stored;
    TRegistry key(platform::HKEY_CURRENT_USER);
    if (key.OpenKeyReadOnly(Absolute(accounts + "\\" + account.AccountKey()))) {
        stored = Passwords_.ReadReferenceValue(key, names.Password);
    }
    incoming.Reference = stored.empty() ? freshIncoming : stored;
    incoming.WriteReference = remember && stored.empty();
    incoming.Store = remember;
    incoming.Forget = !remember && !stored.empty();
    if (passwords.Outgoing) {
        // Its value was deleted with the other outgoing values: a fresh reference every save.
        passwords.Outgoing->Reference = freshOutgoing;
        passwords.Outgoing->WriteReference = true;
    }
    return passwords;
}

void TOutlookMailAccounts::WritePassword(TRegistry& key, const TPasswordPlan& plan) {
    if (SealsPasswords()) {
        if (plan.Store) {
            key.WriteBinaryData(plan.ValueName, SealedValueBytes(plan.ValueName, plan.Password));
        } else if (plan.Forget) {
            key.DeleteValue(plan.ValueName);
        }
    } else if (plan.WriteReference) {
        Passwords_.WriteReferenceValue(key, plan.ValueName, plan.Reference);
    }
}

void TOutlookMailAccounts::SaveAccount(TMailAccount& account) {
    TMailProfile* profile = account.Profile();
    if (account.AccountKey().empty() || profile == nullptr || profile->AccountsLocation().empty()) {
        return;
    }
    const std::string accounts = profile->AccountsLocation();
    const std::string accountKey = accounts + "\\" + account.AccountKey();
    // Everything is decided before anything is written: the reference names above all.
    const TAccountPasswords passwords = PlanPasswords(account, accounts);

    // Files, key, list, counter and items change together or not at all.
    platform::TWriteTransaction transaction;
    if (account.IsNew() && ClientMajorVersion() == 12) {
        DeleteSendReceiveSettings();
    }
    TRegistry registry(platform::HKEY_CURRENT_USER);
    OpenKeyForWriting(registry, accounts);
    UpdateAccountList(account, registry);
    OpenKeyForWriting(registry, accountKey);
    WriteAccountValues(account, passwords, registry);
    registry.CloseKey();
    if (!SealsPasswords()) {
        for (const TPasswordPlan* plan :
             {&passwords.Incoming, passwords.Outgoing ? &*passwords.Outgoing : nullptr}) {
            if (plan != nullptr && plan->Store) {
                Passwords_.WriteStoredPassword(plan->Reference, plan->Password);
            } else if (plan != nullptr && plan->Forget) {
                Passwords_.DeleteStoredPassword(plan->Reference);
            }
        }
    }
    transaction.AfterCommit([&account, accountKey] { account.SetStoreLocation(accountKey); });
    transaction.Commit();
}

void TOutlookMailAccounts::UpdateAccountList(const TMailAccount& account,
                                             TRegistry& accountManager) {
    const auto number = AccountKeyNumber(account.AccountKey());
    if (!number) {
        return; // a key Outlook would not have named: it stays out of the list
    }
    const std::vector<std::uint32_t> before = ReadAccountList(accountManager);
    std::vector<std::uint32_t> after = before;
    // Only a new account joins the list; for the others it keeps its length.
    if (account.IsNew() && std::find(after.begin(), after.end(), *number) == after.end()) {
        after.push_back(*number);
    }
    if (account.IsDefault()) {
        after = MovedToFront(after, *number);
    }
    if (after != before) {
        accountManager.WriteBinaryData(AccountList, AccountListBytes(after));
    }
    const std::int32_t next = ReadRegIntegerDef(accountManager, NextAccountId, FirstAccountNumber);
    if (*number >= static_cast<std::uint32_t>(next) && *number < 0x7FFFFFFFu) {
        accountManager.WriteInteger(NextAccountId, static_cast<std::int32_t>(*number + 1));
    }
}

void TOutlookMailAccounts::WriteAccountValues(const TMailAccount& account,
                                              const TAccountPasswords& passwords, TRegistry& key) {
    const TIncomingNames& names = IncomingNames(account.Kind());
    key.WriteString(Clsid, account.Kind() == AccountKindIMAP ? ImapClsid : PopClsid);
    WriteWideOrDelete(key, AccountName, account.AccountName());
    WriteWideOrDelete(key, DisplayName, account.DisplayName());
    WriteWideOrDelete(key, Organization, account.Organization());
    WriteWide(key, Email, account.EmailAddress());
    WriteWideOrDelete(key, ReplyEmail, account.ReplyTo());
    WriteWide(key, names.User, account.UserName());
    WritePassword(key, passwords.Incoming);
    if (account.RememberPassword()) {
        key.DeleteValue(names.RememberPasswd);
    } else {
        key.WriteInteger(names.RememberPasswd, 0);
    }
    if (const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account)) {
        WriteServer(key, names, *pop);
    } else if (const auto* imap = dynamic_cast<const TIMAPMailAccount*>(&account)) {
        WriteServer(key, names, *imap);
        WriteWideOrDelete(key, ImapFolderPath, imap->RootFolder());
    }
    WriteWide(key, SmtpServer, account.SmtpServer());
    WriteUnlessDefault(key, SmtpPort, account.SmtpPort(), DefaultSmtpPort);
    WriteFlag(key, SmtpUseSsl, account.SmtpUseSSL());
    if (ClientMajorVersion() == 12) {
        if (account.SmtpUseSSL() || account.SmtpUseTLS()) {
            key.WriteInteger(SmtpSecureConnection, account.SmtpUseSSL() ? 1 : 2);
        } else {
            key.DeleteValue(SmtpSecureConnection);
        }
    }
    // Only the values of the current mode remain.
    for (const char* value : OutgoingLoginValues) {
        key.DeleteValue(value);
    }
    const TStoredSmtpAuth auth = StoredSmtpAuth(account.SmtpAuthMode(), account.Kind());
    if (auth.UseAuth) {
        key.WriteInteger(SmtpUseAuth, 1);
    }
    if (auth.Method) {
        key.WriteInteger(SmtpAuthMethod, *auth.Method);
    }
    if (account.SmtpAuthMode() == 2) {
        WriteFlag(key, SmtpUseSpa, account.SmtpUseSPA());
        WriteWide(key, SmtpUser, account.SmtpUserName());
        if (passwords.Outgoing) {
            WritePassword(key, *passwords.Outgoing);
        }
        if (!account.SmtpRememberPassword()) {
            key.WriteInteger(SmtpRememberPassword, 1);
        }
    }
    key.WriteInteger(Timeout, IncomingTimeout(account));
    if (const auto* pop = dynamic_cast<const TPOPMailAccount*>(&account)) {
        const TLeaveOnServer leave{pop->LeaveOnServer(), pop->RemoveWhenExpired(),
                                   pop->RemoveWhenDeleted(), pop->ExpireDays()};
        key.WriteInteger(LeaveOnServer, static_cast<std::int32_t>(StoredLeaveOnServer(leave)));
    }
    WriteConnection(account, key);
}

void TOutlookMailAccounts::WriteConnection(const TMailAccount& account, TRegistry& key) const {
    // What a load makes of the stored values; when the account still holds that, its connection
    // was not edited and the values stay exactly as they are.
    const TKeyValues stored(key);
    const std::optional<std::int32_t> storedType =
        stored.DataType(ConnectionType) == platform::TRegDataType::rdInteger
            ? std::optional<std::int32_t>(stored.Integer(ConnectionType))
            : std::nullopt;
    const auto storedName = stored.Binary(ConnectionOid);
    const std::uint8_t loadedType = ConnectionTypeFromStored(storedType).value_or(0);
    const std::string loadedName =
        storedName ? platform::reg::RegDataToString(*storedName) : std::string();
    if (account.ConnectionType() == loadedType && account.ConnectionName() == loadedName) {
        return;
    }
    const TStoredConnection connection = StoredConnection(account.ConnectionType());
    if (connection.Type) {
        key.WriteInteger(ConnectionType, *connection.Type);
    } else {
        key.DeleteValue(ConnectionType);
    }
    if (connection.WithOid) {
        WriteRegWideString(key, ConnectionOid, account.ConnectionName());
    } else {
        key.DeleteValue(ConnectionOid);
    }
}

void TOutlookMailAccounts::DeleteSendReceiveSettings() {
    const std::string appData = SpecialFolderPath(CsidlAppData);
    if (appData.empty()) {
        return;
    }
    // Outlook 2007 builds its send and receive settings anew, with the new account in them.
    const std::string folder = platform::IncludeTrailingBackslash(appData) + "Microsoft\\Outlook\\";
    for (const platform::TFindEntry& entry : platform::FindFiles(folder + "*.srs")) {
        if ((entry.Attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        const std::string path = folder + entry.Name;
        if ((entry.Attributes & HiddenSystemReadOnly) != 0) {
            platform::SetFileAttributes(path, platform::FILE_ATTRIBUTE_NORMAL);
        }
        if (!platform::DeleteFile(path)) {
            throw platform::EFileError("The send and receive settings " + path +
                                       " could not be deleted");
        }
    }
}

void TOutlookMailAccounts::SaveProfile(TMailProfile& profile) {
    const bool isNew = profile.Location().empty();
    const std::string location = isNew ? profile.Name() : profile.Location();
    if (location.empty()) {
        throw std::runtime_error("A MAPI profile without a name cannot be saved");
    }
    const bool onlyProfile = ProfileCount() == 1 && ProfileByIndex(0) == &profile;
    const bool becomesDefault = isNew && onlyProfile;
    // "DefaultProfile" names the default profile's key.
    std::string defaultProfile;
    for (const auto& p : Profiles()) {
        if (p->IsDefaultProfile() || (p.get() == &profile && becomesDefault)) {
            defaultProfile = p.get() == &profile ? location : p->Location();
            break;
        }
    }
    const std::string profileKey = mapi_profiles::ProfileKey(ProfilesKey_, location);

    platform::TWriteTransaction transaction;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (isNew) {
        OpenKeyForWriting(registry, profileKey);
    }
    OpenKeyForWriting(registry, ProfilesKey_);
    if (!defaultProfile.empty()) {
        registry.WriteString(mapi_profiles::DefaultProfile, defaultProfile);
    }
    registry.CloseKey();
    transaction.AfterCommit([&profile, isNew, becomesDefault, location, profileKey] {
        if (isNew) {
            profile.SetLocation(location);
            profile.SetAccountFilePattern(profileKey);
            profile.SetAccountsLocation(profileKey + "\\" + AccountManagerSection);
        }
        if (becomesDefault) {
            profile.SetIsDefaultProfile(true);
        }
    });
    transaction.Commit();
}

void TOutlookMailAccounts::SaveClientSettings() {
    if (ClientMajorVersion() < 10 || ClientMajorVersion() > 12) {
        return;
    }
    platform::TWriteTransaction transaction;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    OpenKeyForWriting(registry, OfficeKey() + "\\Outlook\\Options\\Mail");
    registry.WriteInteger(HangupAfterSpool, HangUpAfterSpool() ? 1 : 0);
    registry.CloseKey();
    transaction.Commit();
}

void TOutlookMailAccounts::DeleteAccount(TMailProfile* profile, int index) {
    TMailAccount* account = profile != nullptr ? profile->AccountByIndex(index) : nullptr;
    if (account == nullptr) {
        return;
    }
    if (account->AccountKey().empty() || profile->AccountsLocation().empty()) {
        TMailAccounts::DeleteAccount(profile, index); // never saved: nothing to delete
        return;
    }
    const std::string accountKey = profile->AccountsLocation() + "\\" + account->AccountKey();
    const auto number = AccountKeyNumber(account->AccountKey());
    platform::TWriteTransaction transaction;
    TRegistry registry(platform::HKEY_CURRENT_USER);
    if (number && registry.OpenKey(Absolute(profile->AccountsLocation()), false)) {
        std::vector<std::uint32_t> numbers = ReadAccountList(registry);
        const auto end = std::remove(numbers.begin(), numbers.end(), *number);
        if (end != numbers.end()) {
            numbers.erase(end, numbers.end());
            registry.WriteBinaryData(AccountList, AccountListBytes(numbers));
        }
    }
    if (!SealsPasswords() && Passwords_.HasProvider() &&
        registry.OpenKeyReadOnly(Absolute(accountKey))) {
        outlook_values::DeleteNamedPasswordItems(
            Passwords_, registry, {PopNames.Password, ImapNames.Password, SmtpPassword});
    }
    registry.CloseKey();
    registry.DeleteKey(Absolute(accountKey));
    transaction.AfterCommit(
        [this, profile, index] { TMailAccounts::DeleteAccount(profile, index); });
    transaction.Commit();
}
