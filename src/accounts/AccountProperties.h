#pragma once
// Numbered account properties: a neutral snapshot of an account's fields, used to tell two
// states of one account apart.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// Strings as strings, flags as booleans, numbers as integers.
using TPropertyValue = std::variant<std::string, bool, std::int64_t>;

struct TAccountProperty {
    std::uint8_t Id = 0;
    TPropertyValue Value;
};
using TAccountProperties = std::vector<TAccountProperty>;

// One changed property; an absent value means the property did not exist on that side.
struct TAccountChangeRecord {
    std::uint8_t Id = 0;
    std::optional<TPropertyValue> NewValue;
    std::optional<TPropertyValue> OldValue;
};
using TAccountChangeRecords = std::vector<TAccountChangeRecord>;

// Property identifiers. 9 is not used.
namespace PropertyId {
inline constexpr std::uint8_t AccountName = 0;
inline constexpr std::uint8_t DisplayName = 1;
inline constexpr std::uint8_t EmailAddress = 2;
inline constexpr std::uint8_t UserName = 3;
inline constexpr std::uint8_t Password = 4;
inline constexpr std::uint8_t RememberPassword = 5;
inline constexpr std::uint8_t AccountKey = 6;
inline constexpr std::uint8_t ReplyTo = 7;
inline constexpr std::uint8_t Organization = 8;
inline constexpr std::uint8_t IsDefault = 10;
inline constexpr std::uint8_t ConnectionType = 11;
inline constexpr std::uint8_t ConnectionName = 12;
inline constexpr std::uint8_t IsNew = 13;
inline constexpr std::uint8_t SmtpServer = 14;
inline constexpr std::uint8_t SmtpUseSSL = 15;
inline constexpr std::uint8_t SmtpUseTLS = 16;
inline constexpr std::uint8_t SmtpUseSPA = 17;
inline constexpr std::uint8_t SmtpPort = 18;
inline constexpr std::uint8_t SmtpUserName = 19;
inline constexpr std::uint8_t SmtpPassword = 20;
inline constexpr std::uint8_t SmtpAuthMode = 21;
inline constexpr std::uint8_t SmtpRememberPassword = 22;
inline constexpr std::uint8_t SmtpTimeout = 23;
inline constexpr std::uint8_t RemoveWhenExpired = 24;
inline constexpr std::uint8_t ExpireDays = 25;
inline constexpr std::uint8_t PopIncomingServer = 26;
inline constexpr std::uint8_t PopIncomingPort = 27;
inline constexpr std::uint8_t PopUseSPA = 28;
inline constexpr std::uint8_t PopUseSSL = 29;
inline constexpr std::uint8_t PopIncomingTimeout = 30;
inline constexpr std::uint8_t LeaveOnServer = 31;
inline constexpr std::uint8_t RemoveWhenDeleted = 32;
inline constexpr std::uint8_t KeepUnreadOnly = 33;
inline constexpr std::uint8_t ImapIncomingServer = 34;
inline constexpr std::uint8_t ImapIncomingPort = 35;
inline constexpr std::uint8_t ImapUseSPA = 36;
inline constexpr std::uint8_t ImapUseSSL = 37;
inline constexpr std::uint8_t RootFolder = 38;
inline constexpr std::uint8_t ImapIncomingTimeout = 39;
inline constexpr std::uint8_t RetainByCount = 40;
inline constexpr std::uint8_t RetainCount = 41;
} // namespace PropertyId

// Same length and, position by position, the same id and the same value.
bool SameProperties(const TAccountProperties& a, const TAccountProperties& b);
// Changes from previous to current: current's properties in order (missing or different in
// previous), then the properties only previous has.
TAccountChangeRecords Differences(const TAccountProperties& current,
                                  const TAccountProperties& previous);
// One line per record: ID new: "NEW", old : "OLD"; an absent value reads <empty>. The values
// of Password and SmtpPassword read <hidden>: the lines are logged.
std::vector<std::string> DescribeChanges(const TAccountChangeRecords& records);
// Text form of a value: strings as they are, flags "true"/"false", numbers in decimal.
std::string PropertyValueText(const TPropertyValue& value);
