#include "clients/outlook/Outlook2002Values.h"

#include "accounts/MailAccount.h"
#include "accounts/RegistryHelpers.h"

#include <algorithm>

namespace outlook2002_values {

namespace {

constexpr std::uint32_t LeaveBit = 0x1;
constexpr std::uint32_t RemoveWhenExpiredBit = 0x2;
constexpr std::uint32_t RemoveWhenDeletedBit = 0x4;
constexpr int DaysShift = 16;

} // namespace

int KindOfClsid(const std::string& clsid) {
    if (SameTextIgnoreCase(clsid, PopClsid)) {
        return AccountKindPOP;
    }
    if (SameTextIgnoreCase(clsid, ImapClsid)) {
        return AccountKindIMAP;
    }
    return 0;
}

const TIncomingNames& IncomingNames(int kind) {
    return kind == AccountKindIMAP ? ImapNames : PopNames;
}

std::vector<std::uint32_t> AccountNumbers(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        numbers.push_back(std::uint32_t(bytes[i]) | std::uint32_t(bytes[i + 1]) << 8 |
                          std::uint32_t(bytes[i + 2]) << 16 | std::uint32_t(bytes[i + 3]) << 24);
    }
    return numbers;
}

std::vector<std::uint8_t> AccountListBytes(const std::vector<std::uint32_t>& numbers) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t n : numbers) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(n >> shift));
        }
    }
    return bytes;
}

std::vector<std::uint32_t> MovedToFront(std::vector<std::uint32_t> numbers, std::uint32_t number) {
    const auto at = std::find(numbers.begin(), numbers.end(), number);
    if (numbers.size() >= 2 && at != numbers.end()) {
        std::rotate(numbers.begin(), at, at + 1);
    }
    return numbers;
}

TLeaveOnServer LeaveOnServerFromStored(std::uint32_t stored) {
    return {(stored & LeaveBit) != 0, (stored & RemoveWhenExpiredBit) != 0,
            (stored & RemoveWhenDeletedBit) != 0, static_cast<std::int32_t>(stored >> DaysShift)};
}

std::uint32_t StoredLeaveOnServer(const TLeaveOnServer& leave) {
    return (leave.Leave ? LeaveBit : 0) | (leave.RemoveWhenExpired ? RemoveWhenExpiredBit : 0) |
           (leave.RemoveWhenDeleted ? RemoveWhenDeletedBit : 0) |
           (static_cast<std::uint32_t>(leave.ExpireDays) & 0xFFFFu) << DaysShift;
}

std::uint8_t SmtpAuthModeFromStored(std::optional<std::int32_t> useAuth,
                                    std::optional<std::int32_t> method, int kind) {
    if (!useAuth || *useAuth == 0) {
        return 0;
    }
    if (!method) {
        return 1;
    }
    return kind == AccountKindIMAP || *method == 1 ? 2 : 3;
}

TStoredSmtpAuth StoredSmtpAuth(std::uint8_t mode, int kind) {
    switch (mode) {
    case 1:
        return {true, std::nullopt};
    case 2:
        return {true, 1};
    case 3:
        return kind == AccountKindIMAP ? TStoredSmtpAuth{} : TStoredSmtpAuth{true, 2};
    default:
        return {};
    }
}

std::optional<std::uint8_t> ConnectionTypeFromStored(std::optional<std::int32_t> stored) {
    if (!stored) {
        return 0;
    }
    switch (*stored) {
    case 1:
        return 4;
    case 2:
        return 3;
    case 3:
        return 2;
    default:
        return std::nullopt;
    }
}

TStoredConnection StoredConnection(std::uint8_t connectionType) {
    switch (connectionType) {
    case 4:
        return {1, false};
    case 3:
        return {2, true};
    case 2:
        return {3, false};
    default:
        return {};
    }
}

} // namespace outlook2002_values
