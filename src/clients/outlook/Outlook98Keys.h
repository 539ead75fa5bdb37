#pragma once
// Where Outlook 98 and 2000 keep what, below HKEY_CURRENT_USER (paths without a leading
// backslash): the account manager tree that all MAPI profiles share, and the values of its keys
// that only these two clients have (the rest are the shared values of OutlookAccountValues.h).

#include <string>

namespace outlook98_keys {

// The two places of the account manager; each counts only when its "Accounts" key exists.
inline const std::string AccountManager80 =
    "Software\\Microsoft\\Office\\8.0\\Outlook\\OMI Account Manager";
inline const std::string AccountManager =
    "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
inline const std::string Office90 = "Software\\Microsoft\\Office\\9.0";
// "PIMOnly" = 0 here (where the key exists) lets Outlook open in Internet mail mode.
inline const std::string Setup90 = "Software\\Microsoft\\Office\\9.0\\Outlook\\Setup";
inline const std::string Setup80 = "Software\\Microsoft\\Office\\8.0\\Outlook\\Setup";
inline constexpr const char* PimOnly = "PIMOnly";

inline std::string AccountsOf(const std::string& accountManager) {
    return accountManager + "\\Accounts";
}

// The profile this store shows when no MAPI profile qualifies.
inline constexpr const char* NoProfile = "[no profile]";

// Values of the account manager key.
inline constexpr const char* DefaultMailAccount = "Default Mail Account";
inline constexpr const char* KeyCounter = "Account Name";

// Values of one account key beyond the shared ones.
inline constexpr const char* Timeout = "Timeout"; // the outgoing server's time-out
inline constexpr const char* ConnectionOid = "Connection OID";
inline constexpr const char* SmtpUseAuth = "SMTP Use Auth";
inline constexpr const char* SmtpAuthMethod = "SMTP Auth Method";
// "Connection Type" is always written with this value (the Internet Explorer connection).
inline constexpr int ConnectionTypeWritten = 3;

} // namespace outlook98_keys
