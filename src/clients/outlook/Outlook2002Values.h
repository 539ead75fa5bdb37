#pragma once
// The values of Outlook 2002/2003/2007 mail accounts: inside each MAPI profile, the account
// manager section "9375CFF0413111d3B88A00104B2A6676" holds one key per account, named by its
// number as eight hexadecimal digits, the list of account numbers (the default account first)
// and the counter of new numbers. Text values are UTF-16 in binary values; a "flag" counts by
// being there (written as 1, deleted to clear it).
//
// The names, and the pure translations between stored values and account fields: the list of
// numbers, "Leave on Server", outgoing authentication and the connection.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace outlook2002_values {

// Below a MAPI profile's key.
inline constexpr const char* AccountManagerSection = "9375CFF0413111d3B88A00104B2A6676";
// Values of the account manager section.
inline constexpr const char* AccountList = "{ED475418-B0D6-11D2-8C3B-00104B2A6676}";
inline constexpr const char* NextAccountId = "NextAccountID";

// "clsid" of an account key: its kind.
inline constexpr const char* Clsid = "clsid";
inline constexpr const char* PopClsid = "{ED475411-B0D6-11D2-8C3B-00104B2A6676}";
inline constexpr const char* ImapClsid = "{ED475412-B0D6-11D2-8C3B-00104B2A6676}";
// AccountKindPOP, AccountKindIMAP, or 0 for any other class (compared without case).
int KindOfClsid(const std::string& clsid);

// The incoming server's values, which differ between POP3 and IMAP accounts.
struct TIncomingNames {
    const char* User;
    const char* Password;
    const char* RememberPasswd; // integer 0 when not remembered, else deleted
    const char* Server;
    const char* Port;
    const char* UseSPA; // flag
    const char* UseSSL; // flag
    int DefaultPort;    // deleted at this value
};
inline constexpr TIncomingNames PopNames{
    "POP3 User", "POP3 Password", "POP3 Remember Passwd", "POP3 Server",
    "POP3 Port", "POP3 Use SPA",  "POP3 Use SSL",         110};
inline constexpr TIncomingNames ImapNames{
    "IMAP User", "IMAP Password", "IMAP Remember Passwd", "IMAP Server",
    "IMAP Port", "IMAP Use SPA",  "IMAP Use SSL",         143};
const TIncomingNames& IncomingNames(int kind);

// The account's names and addresses (UTF-16 text) in the order they are written; all but the
// address are deleted when empty.
inline constexpr const char* AccountName = "Account Name";
inline constexpr const char* DisplayName = "Display Name";
inline constexpr const char* Organization = "Organization";
inline constexpr const char* Email = "Email";
inline constexpr const char* ReplyEmail = "Reply Email";

inline constexpr const char* ImapFolderPath = "IMAP Folder Path";
inline constexpr const char* Timeout = "Timeout";
inline constexpr const char* LeaveOnServer = "Leave on Server";
inline constexpr const char* SmtpServer = "SMTP Server";
inline constexpr const char* SmtpPort = "SMTP Port";
inline constexpr int DefaultSmtpPort = 25;
inline constexpr const char* SmtpUseSsl = "SMTP Use SSL";                     // flag
inline constexpr const char* SmtpSecureConnection = "SMTP Secure Connection"; // Outlook 2007
inline constexpr const char* SmtpUseAuth = "SMTP Use Auth";
inline constexpr const char* SmtpAuthMethod = "SMTP Auth Method";
inline constexpr const char* SmtpUseSpa = "SMTP Use SPA"; // flag
inline constexpr const char* SmtpUser = "SMTP User";
inline constexpr const char* SmtpPassword = "SMTP Password";
inline constexpr const char* SmtpRememberPassword = "SMTP Remember Password";
inline constexpr const char* ConnectionType = "Connection Type";
inline constexpr const char* ConnectionOid = "Connection OID";

// ---- The list of account numbers: 32-bit little-endian numbers, the default first ----

// A trailing part shorter than a number is ignored.
std::vector<std::uint32_t> AccountNumbers(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> AccountListBytes(const std::vector<std::uint32_t>& numbers);
// The number moved to the front, the others keeping their order; a list of fewer than two
// numbers, or one without the number, stays as it is.
std::vector<std::uint32_t> MovedToFront(std::vector<std::uint32_t> numbers, std::uint32_t number);

// ---- "Leave on Server": bit 0 leave, bit 1 remove when expired, bit 2 remove when deleted,
// bits 16 to 31 the days ----
struct TLeaveOnServer {
    bool Leave = false;
    bool RemoveWhenExpired = false;
    bool RemoveWhenDeleted = false;
    std::int32_t ExpireDays = 0;
    bool operator==(const TLeaveOnServer&) const = default;
};
TLeaveOnServer LeaveOnServerFromStored(std::uint32_t stored);
std::uint32_t StoredLeaveOnServer(const TLeaveOnServer& leave);

// ---- Outgoing authentication ("SMTP Use Auth", "SMTP Auth Method") ----
//   mode 0: no "SMTP Use Auth" (or 0)     mode 2: "SMTP Use Auth" 1, "SMTP Auth Method" 1
//   mode 1: "SMTP Use Auth" 1 alone       mode 3: "SMTP Use Auth" 1, "SMTP Auth Method" 2
// Reading, any method other than 1 is mode 3, and for IMAP accounts any method is mode 2.
std::uint8_t SmtpAuthModeFromStored(std::optional<std::int32_t> useAuth,
                                    std::optional<std::int32_t> method, int kind);
struct TStoredSmtpAuth {
    bool UseAuth = false;
    std::optional<std::int32_t> Method; // nullopt: no "SMTP Auth Method"
};
// IMAP accounts have no mode 3: it is stored as no authentication.
TStoredSmtpAuth StoredSmtpAuth(std::uint8_t mode, int kind);

// ---- Connection ("Connection Type" against ConnectionType) ----
//   absent -> 0, 1 -> 4, 2 -> 3 (dial-up by "Connection OID"), 3 -> 2; others leave the field.
std::optional<std::uint8_t> ConnectionTypeFromStored(std::optional<std::int32_t> stored);
struct TStoredConnection {
    std::optional<std::int32_t> Type; // nullopt: deleted
    bool WithOid = false;             // "Connection OID" = ConnectionName; else deleted
};
// The reverse of the reading: 4 -> 1, 3 -> 2 with the connection's name, 2 -> 3, anything else
// deletes both values.
TStoredConnection StoredConnection(std::uint8_t connectionType);

} // namespace outlook2002_values
