#pragma once
// The values of one Internet mail account key as Outlook Express and Outlook 98/2000 keep them
// (both use this layout, in different trees): the value names, the ways a value is read into the
// account, the outgoing-authentication and connection tables, and the passwords, whose key holds
// only a reference to a Protected Storage item.
//
// The two stores read and write the same values by partly different rules (which strings are
// read as string only, which ports are deleted at their default, when a password reference is
// drawn afresh); each store picks its rule from the pieces here.

#include "accounts/MailAccount.h"
#include "clients/outlook/StoredPasswords.h"
#include "platform/Registry.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace outlook_values {

// ---- Value names ----

// The values of the incoming server, which differ between POP3 and IMAP accounts.
struct TIncomingValueNames {
    const char* UserName;
    const char* Password; // the reference value
    const char* PromptForPassword;
    const char* Server;
    const char* Port;
    const char* UseSicily;
    const char* SecureConnection;
};
inline constexpr TIncomingValueNames Pop3Values{
    "POP3 User Name", "POP3 Password2",  "POP3 Prompt for Password", "POP3 Server",
    "POP3 Port",      "POP3 Use Sicily", "POP3 Secure Connection"};
inline constexpr TIncomingValueNames ImapValues{
    "IMAP User Name", "IMAP Password2",  "IMAP Prompt for Password", "IMAP Server",
    "IMAP Port",      "IMAP Use Sicily", "IMAP Secure Connection"};
// Pop3Values for AccountKindPOP, ImapValues otherwise.
const TIncomingValueNames& IncomingValueNames(int kind);

inline constexpr const char* Pop3Timeout = "POP3 Timeout";
inline constexpr const char* ImapRootFolder = "IMAP Root Folder";
inline constexpr const char* LeaveMailOnServer = "Leave Mail On Server";
inline constexpr const char* RemoveWhenExpired = "Remove When Expired";
inline constexpr const char* ExpireDays = "Expire Days";
inline constexpr const char* RemoveWhenDeleted = "Remove When Deleted";
inline constexpr const char* SmtpServer = "SMTP Server";
inline constexpr const char* SmtpPort = "SMTP Port";
inline constexpr const char* SmtpTimeout = "SMTP Timeout";
inline constexpr const char* SmtpSecureConnection = "SMTP Secure Connection";
inline constexpr const char* SmtpUseSicily = "SMTP Use Sicily";
inline constexpr const char* SmtpUserName = "SMTP User Name";
inline constexpr const char* SmtpPassword = "SMTP Password2";
inline constexpr const char* SmtpPromptForPassword = "SMTP Prompt for Password";
inline constexpr const char* ConnectionType = "Connection Type";
inline constexpr const char* Connectoid = "Connectoid";

// The account's names and addresses, in the order the stores write them. Every one but the
// address is deleted when empty.
struct TSenderValue {
    const char* Name;
    const std::string& (TMailAccount::*Get)() const;
    void (TMailAccount::*Set)(const std::string&);
    bool WrittenWhenEmpty;
};
inline constexpr const char* AccountName = "Account Name";
inline constexpr const char* SmtpEmailAddress = "SMTP Email Address";
extern const std::array<TSenderValue, 5> SenderValues;

// ---- Reading ----

// The values of one account key, read from the registry at once: every single read would walk
// the key's path again, and a store reads some thirty values per account.
class TKeyValues {
public:
    explicit TKeyValues(const platform::TRegistry& key);
    const std::string& Path() const { return Path_; } // the key's path below its root
    bool Exists(const std::string& name) const { return Find(name) != nullptr; }
    // As the registry classifies it; rdUnknown when missing.
    platform::TRegDataType DataType(const std::string& name) const;
    // Like the registry's readers: a missing value or one of another type raises
    // platform::ERegistryException.
    std::string String(const std::string& name) const; // string or expandable string
    std::int32_t Integer(const std::string& name) const;
    // The bytes of a binary value; nullopt when missing or of another type.
    std::optional<std::vector<std::uint8_t>> Binary(const std::string& name) const;

private:
    struct TValue {
        platform::TRegValueType Type = platform::TRegValueType::None;
        std::vector<std::uint8_t> Data;
    };
    const TValue* Find(const std::string& name) const;

    std::string Path_;
    std::vector<std::pair<std::string, TValue>> Values_; // by folded name, sorted
};

enum class TStringRead {
    StringOnly,  // a value of the plain string type gives its text; anything else reads as empty
    Plain,       // missing reads as empty; a value of another type raises
    WhenPresent, // missing leaves the field as it is; a value of another type raises
};
// nullopt: leave the field as it is. The raising rules raise platform::ERegistryException.
std::optional<std::string> ReadString(const TKeyValues& key, const std::string& name,
                                      TStringRead rule);
// The 32-bit integer when the value exists; nullopt when it does not. A value of another type
// raises platform::ERegistryException, which drops what the store was loading.
std::optional<std::int32_t> ReadInteger(const TKeyValues& key, const std::string& name);
// "The value is 1", when it exists (raising like ReadInteger).
std::optional<bool> ReadFlag(const TKeyValues& key, const std::string& name);
// What a POP account keeps on the server: each value read into the account only when present.
void ReadRetention(const TKeyValues& key, TPOPMailAccount& account);

// ---- Outgoing authentication ("SMTP Use Sicily" against SmtpAuthMode and SmtpUseSPA) ----
//   stored 0: mode 0 (none)                    stored 2: mode 1 (the incoming credentials)
//   stored 1: mode 2 (own login), SPA on       stored 3: mode 2 (own login), SPA off
struct TSmtpAuth {
    std::uint8_t Mode = 0;
    std::optional<bool> UseSPA; // nullopt: the row leaves SmtpUseSPA as it is
};
// The row of a stored value; nullopt for a value outside the table (fields unchanged).
std::optional<TSmtpAuth> SmtpAuthFromStored(std::int32_t stored);
// The stored value of a mode; nullopt for a mode outside the table (value unchanged).
std::optional<std::int32_t> StoredSmtpAuth(std::uint8_t mode, bool useSPA);
// Stored values 1 and 3 log in with "SMTP User Name" and "SMTP Password2".
bool UsesOwnSmtpLogin(std::int32_t stored);

// ---- Connection ("Connection Type" against ConnectionType; 3 = dial-up by "Connectoid") ----
//   absent -> 0, stored 0 -> 1, stored 2 -> 3, stored 3 -> 0; anything else leaves the field.
std::optional<std::uint8_t> ConnectionTypeFromStored(std::optional<std::int32_t> stored);
struct TStoredConnection {
    std::int32_t Type = 3;
    bool WithConnectoid = false; // "Connectoid" = ConnectionName; else it is deleted
};
// ConnectionType 1 -> 0; 2 or 3 (POP3) or 3 (IMAP) -> 2 with "Connectoid"; anything else -> 3.
TStoredConnection StoredConnection(std::uint8_t connectionType, int kind);

// ---- Passwords ----

struct TPasswordRead {
    std::string Reference; // empty when the value is missing or not binary
    std::string Password;  // empty without a provider or an item
};
// The reference in the value and, when passwords are available, the password of its item.
TPasswordRead ReadPassword(TStoredPasswords& passwords, const TKeyValues& key,
                           const std::string& valueName, bool passwordsAvailable);

// What one save does with one password: reference value and item.
struct TPasswordSave {
    std::string ValueName;
    std::string Reference;       // the item's name after the save; empty when there is none
    bool WriteReference = false; // the value gets the fresh reference (none was stored)
    bool WriteItem = false;
    bool DeleteItem = false;
    std::string Password;
};
// A password that is not empty keeps the reference stored in the value, or gets the fresh one
// when none is stored, and is written to its item when passwords are available and it is to be
// remembered. A password that is not remembered loses the item of the stored reference; the
// reference value stays. An empty password leaves value and item as they are. Outlook 98/2000
// draws a fresh outgoing reference at every save: pass an empty stored reference for that.
TPasswordSave PlanPassword(const std::string& valueName, const std::string& storedReference,
                           const std::string& freshReference, const std::string& password,
                           bool remember, bool passwordsAvailable);
// Writes the fresh reference into the open account key when the plan says so, at its place
// among the key's values.
void WriteReferenceValue(platform::TRegistry& key, const TPasswordSave& plan,
                         const TStoredPasswords& passwords);
// Writes or deletes the plan's item (writing raises EStoredPasswordError when it fails).
void SavePasswordItem(TStoredPasswords& passwords, const TPasswordSave& plan);
// Deletes the items the reference values of the open account key name: a key that is deleted
// takes every password it names along, not only the incoming one.
void DeleteNamedPasswordItems(TStoredPasswords& passwords, platform::TRegistry& key,
                              std::initializer_list<const char*> valueNames);

} // namespace outlook_values
