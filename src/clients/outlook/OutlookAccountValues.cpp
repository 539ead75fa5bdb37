#include "clients/outlook/OutlookAccountValues.h"

#include "platform/RegText.h"

#include <algorithm>

using platform::TRegistry;
using platform::TRegValueType;

namespace outlook_values {

const std::array<TSenderValue, 5> SenderValues{{
    {AccountName, &TMailAccount::AccountName, &TMailAccount::SetAccountName, false},
    {"SMTP Display Name", &TMailAccount::DisplayName, &TMailAccount::SetDisplayName, false},
    {"SMTP Organization Name", &TMailAccount::Organization, &TMailAccount::SetOrganization, false},
    {SmtpEmailAddress, &TMailAccount::EmailAddress, &TMailAccount::SetEmailAddress, true},
    {"SMTP Reply To Email Address", &TMailAccount::ReplyTo, &TMailAccount::SetReplyTo, false},
}};

const TIncomingValueNames& IncomingValueNames(int kind) {
    return kind == AccountKindPOP ? Pop3Values : ImapValues;
}

TKeyValues::TKeyValues(const TRegistry& key) : Path_(key.CurrentPath()) {
    for (const std::string& name : key.GetValueNames()) {
        TValue value;
        value.Data = key.ReadRaw(name, &value.Type);
        Values_.emplace_back(platform::reg::FoldName(name), std::move(value));
    }
    std::sort(Values_.begin(), Values_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
}

const TKeyValues::TValue* TKeyValues::Find(const std::string& name) const {
    const std::string folded = platform::reg::FoldName(name);
    const auto it = std::lower_bound(
        Values_.begin(), Values_.end(), folded,
        [](const auto& entry, const std::string& key) { return entry.first < key; });
    return it != Values_.end() && it->first == folded ? &it->second : nullptr;
}

platform::TRegDataType TKeyValues::DataType(const std::string& name) const {
    const TValue* value = Find(name);
    switch (value == nullptr ? TRegValueType::None : value->Type) {
    case TRegValueType::String:
        return platform::TRegDataType::rdString;
    case TRegValueType::ExpandString:
        return platform::TRegDataType::rdExpandString;
    case TRegValueType::DWord:
        return platform::TRegDataType::rdInteger;
    case TRegValueType::Binary:
        return platform::TRegDataType::rdBinary;
    default:
        return platform::TRegDataType::rdUnknown;
    }
}

std::string TKeyValues::String(const std::string& name) const {
    const TValue* value = Find(name);
    if (value == nullptr) {
        throw platform::ERegistryException("Failed to get data for '" + name + "'");
    }
    if (value->Type != TRegValueType::String && value->Type != TRegValueType::ExpandString) {
        throw platform::ERegistryException("Invalid data type for '" + name + "'");
    }
    return platform::reg::RegDataToString(value->Data);
}

std::int32_t TKeyValues::Integer(const std::string& name) const {
    const TValue* value = Find(name);
    if (value == nullptr) {
        throw platform::ERegistryException("Failed to get data for '" + name + "'");
    }
    if (value->Type != TRegValueType::DWord || value->Data.size() != 4) {
        throw platform::ERegistryException("Invalid data type for '" + name + "'");
    }
    const auto& d = value->Data;
    return static_cast<std::int32_t>(std::uint32_t(d[0]) | std::uint32_t(d[1]) << 8 |
                                     std::uint32_t(d[2]) << 16 | std::uint32_t(d[3]) << 24);
}

std::optional<std::vector<std::uint8_t>> TKeyValues::Binary(const std::string& name) const {
    const TValue* value = Find(name);
    if (value == nullptr || value->Type != TRegValueType::Binary) {
        return std::nullopt;
    }
    return value->Data;
}

std::optional<std::string> ReadString(const TKeyValues& key, const std::string& name,
                                      TStringRead rule) {
    switch (rule) {
    case TStringRead::StringOnly:
        return key.DataType(name) == platform::TRegDataType::rdString ? key.String(name)
                                                                      : std::string();
    case TStringRead::Plain:
        return key.Exists(name) ? key.String(name) : std::string();
    case TStringRead::WhenPresent:
        break;
    }
    return key.Exists(name) ? std::optional<std::string>(key.String(name)) : std::nullopt;
}

std::optional<std::int32_t> ReadInteger(const TKeyValues& key, const std::string& name) {
    return key.Exists(name) ? std::optional<std::int32_t>(key.Integer(name)) : std::nullopt;
}

std::optional<bool> ReadFlag(const TKeyValues& key, const std::string& name) {
    const auto value = ReadInteger(key, name);
    return value ? std::optional<bool>(*value == 1) : std::nullopt;
}

void ReadRetention(const TKeyValues& key, TPOPMailAccount& account) {
    if (const auto leave = ReadFlag(key, LeaveMailOnServer)) {
        account.SetLeaveOnServer(*leave);
    }
    if (const auto expired = ReadFlag(key, RemoveWhenExpired)) {
        account.SetRemoveWhenExpired(*expired);
    }
    if (const auto days = ReadInteger(key, ExpireDays)) {
        account.SetExpireDays(*days);
    }
    if (const auto deleted = ReadFlag(key, RemoveWhenDeleted)) {
        account.SetRemoveWhenDeleted(*deleted);
    }
}

std::optional<TSmtpAuth> SmtpAuthFromStored(std::int32_t stored) {
    switch (stored) {
    case 0:
        return TSmtpAuth{0, std::nullopt};
    case 1:
        return TSmtpAuth{2, true};
    case 2:
        return TSmtpAuth{1, std::nullopt};
    case 3:
        return TSmtpAuth{2, false};
    default:
        return std::nullopt;
    }
}

std::optional<std::int32_t> StoredSmtpAuth(std::uint8_t mode, bool useSPA) {
    switch (mode) {
    case 0:
        return 0;
    case 1:
        return 2;
    case 2:
        return useSPA ? 1 : 3;
    default:
        return std::nullopt;
    }
}

bool UsesOwnSmtpLogin(std::int32_t stored) {
    return stored == 1 || stored == 3;
}

std::optional<std::uint8_t> ConnectionTypeFromStored(std::optional<std::int32_t> stored) {
    if (!stored) {
        return 0;
    }
    switch (*stored) {
    case 0:
        return 1;
    case 2:
        return 3;
    case 3:
        return 0;
    default:
        return std::nullopt;
    }
}

TStoredConnection StoredConnection(std::uint8_t connectionType, int kind) {
    if (connectionType == 1) {
        return {0, false};
    }
    if (connectionType == 3 || (connectionType == 2 && kind == AccountKindPOP)) {
        return {2, true};
    }
    return {3, false};
}

TPasswordRead ReadPassword(TStoredPasswords& passwords, const TKeyValues& key,
                           const std::string& valueName, bool passwordsAvailable) {
    TPasswordRead read;
    if (const auto bytes = key.Binary(valueName)) {
        read.Reference = ReferenceFromValueBytes(passwords.Store(), *bytes);
    }
    if (passwordsAvailable && !read.Reference.empty()) {
        read.Password = passwords.ReadStoredPassword(read.Reference);
    }
    return read;
}

TPasswordSave PlanPassword(const std::string& valueName, const std::string& storedReference,
                           const std::string& freshReference, const std::string& password,
                           bool remember, bool passwordsAvailable) {
    TPasswordSave plan;
    plan.ValueName = valueName;
    plan.Reference = storedReference;
    if (!password.empty()) {
        if (plan.Reference.empty()) {
            plan.Reference = freshReference;
            plan.WriteReference = true;
        }
        // A password not to be remembered is never put into the store, not even for a moment.
        plan.WriteItem = passwordsAvailable && remember;
        plan.Password = password;
    }
    plan.DeleteItem = passwordsAvailable && !remember && !storedReference.empty();
    return plan;
}

void WriteReferenceValue(TRegistry& key, const TPasswordSave& plan,
                         const TStoredPasswords& passwords) {
    if (plan.WriteReference) {
        passwords.WriteReferenceValue(key, plan.ValueName, plan.Reference);
    }
}

void SavePasswordItem(TStoredPasswords& passwords, const TPasswordSave& plan) {
    if (plan.WriteItem) {
        passwords.WriteStoredPassword(plan.Reference, plan.Password);
    } else if (plan.DeleteItem) {
        passwords.DeleteStoredPassword(plan.Reference);
    }
}

void DeleteNamedPasswordItems(TStoredPasswords& passwords, TRegistry& key,
                              std::initializer_list<const char*> valueNames) {
    for (const char* value : valueNames) {
        const std::string reference = passwords.ReadReferenceValue(key, value);
        if (!reference.empty()) {
            passwords.DeleteStoredPassword(reference);
        }
    }
}

} // namespace outlook_values
