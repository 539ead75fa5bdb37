#pragma once
// Where Outlook Express keeps what, below HKEY_CURRENT_USER (paths without a leading
// backslash), and how a save opens those keys.

#include "clients/outlook/KeyWriting.h"
#include "platform/Registry.h"

#include <string>

namespace outlook_express_keys {

inline const std::string Identities = "Identities";
inline const std::string AccountManager = "Software\\Microsoft\\Internet Account Manager";
inline const std::string NullIdentity = "{00000000-0000-0000-0000-000000000000}";

// The subkey of the account tree that holds one key per account.
inline std::string AccountsOf(const std::string& accountManager) {
    return accountManager + "\\Accounts";
}
inline std::string Identity(const std::string& identity) {
    return Identities + "\\" + identity;
}
// The tree of an identity that does not own the top-level one.
inline std::string IdentityAccountManager(const std::string& identity) {
    return Identity(identity) + "\\" + AccountManager;
}
// "Hangup After Spool" lives here, the mail-check options in its subkey "Mail".
inline std::string IdentitySettings(const std::string& identity) {
    return Identity(identity) + "\\Software\\Microsoft\\Outlook Express\\5.0";
}
inline std::string MailCheck(const std::string& identity) {
    return IdentitySettings(identity) + "\\Mail";
}

// Values of the tree's keys.
inline constexpr const char* DefaultMailAccount = "Default Mail Account";
inline constexpr const char* KeyCounter = "Account Name";
inline constexpr const char* AssociatedId = "AssociatedID";

// Values of the Identities key and of each identity's key.
inline constexpr const char* DefaultUserId = "Default User ID";
inline constexpr const char* IdentityOrdinal = "Identity Ordinal";
inline constexpr const char* LastUserId = "Last User ID";
inline constexpr const char* LastUsername = "Last Username";
inline constexpr const char* Username = "Username";
inline constexpr const char* UserId = "User ID";
inline constexpr const char* HangupAfterSpool = "Hangup After Spool";
inline constexpr const char* CheckMailOnStartup = "Check Mail on Startup";
inline constexpr const char* PollForMail = "Poll For Mail";

// Opens the key (creating it with its missing parents) for writing; raises when it cannot.
inline void OpenForWriting(platform::TRegistry& registry, const std::string& key) {
    OpenKeyForWriting(registry, key);
}

} // namespace outlook_express_keys
