#include "clients/outlook/OutlookAccountValues.h"

#include "accounts/RegistryHelpers.h"

using platform::TRegistry;

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

std::optional<std::string> ReadString(TRegistry& key, const std::string& name, TStringRead rule) {
    switch (rule) {
    case TStringRead::StringOnly:
        return ReadRegStringChecked(key, name);
    case TStringRead::Plain:
        return key.ValueExists(name) ? key.ReadString(name) : std::string();
    case TStringRead::WhenPresent:
        break;
    }
    return key.ValueExists(name) ? std::optional<std::string>(key.ReadString(name)) : std::nullopt;
}

std::optional<std::int32_t> ReadInteger(TRegistry& key, const std::string& name) {
    return key.ValueExists(name) ? std::optional<std::int32_t>(key.ReadInteger(name))
                                 : std::nullopt;
}

std::optional<bool> ReadFlag(TRegistry& key, const std::string& name) {
    const auto value = ReadInteger(key, name);
    return value ? std::optional<bool>(*value == 1) : std::nullopt;
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

TPasswordRead ReadPassword(TStoredPasswords& passwords, TRegistry& key,
                           const std::string& valueName, bool passwordsAvailable) {
    TPasswordRead read;
    read.Reference = passwords.ReadReferenceValue(key, valueName);
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

void AddReferenceValue(TRegistrySaveSteps& registry, const std::string& key,
                       const TPasswordSave& plan, const TStoredPasswords& passwords) {
    if (plan.WriteReference) {
        registry.WriteBinary(key, plan.ValueName,
                             ReferenceValueBytes(passwords.Store(), plan.Reference));
    }
}

void AddPasswordItem(TSaveSteps& steps, TStoredPasswords& passwords, const TPasswordSave& plan) {
    if (!plan.WriteItem && !plan.DeleteItem) {
        return;
    }
    const std::string what = "the Protected Storage item \"" + plan.Reference + "\"";
    steps.Add(what, [&passwords, plan]() -> TSaveSteps::TUndo {
        auto old = passwords.ReadStoredItem(plan.Reference);
        if (plan.WriteItem) {
            passwords.WriteStoredPassword(plan.Reference, plan.Password);
        } else if (old) {
            passwords.DeleteStoredPassword(plan.Reference);
        }
        return [&passwords, reference = plan.Reference, old = std::move(old)] {
            passwords.RestoreStoredItem(reference, old);
        };
    });
}

} // namespace outlook_values
