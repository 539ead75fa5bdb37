// Outlook 2002/2003/2007: the stored forms of the account list, "Leave on Server", outgoing
// authentication and the connection.

#include "clients/outlook/Outlook2002Values.h"

#include "accounts/MailAccount.h"

#include <gtest/gtest.h>

using namespace outlook2002_values;

TEST(Outlook2002Values, TheAccountListIsLittleEndianNumbers) {
    const std::vector<std::uint8_t> bytes{1, 0, 0, 0, 0x10, 0x27, 0, 0, 3, 0, 0, 0, 7, 7};
    EXPECT_EQ(AccountNumbers(bytes), (std::vector<std::uint32_t>{1, 10000, 3}))
        << "a trailing part shorter than a number is no number";
    EXPECT_EQ(AccountListBytes({1, 10000, 3}),
              std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 2));
    EXPECT_TRUE(AccountNumbers({}).empty());
}

TEST(Outlook2002Values, TheDefaultMovesToTheFrontAndTheOthersKeepTheirOrder) {
    struct TRow {
        std::vector<std::uint32_t> List;
        std::uint32_t Number;
        std::vector<std::uint32_t> Moved;
    };
    for (const TRow& row : {TRow{{1, 2, 3}, 3, {3, 1, 2}}, TRow{{1, 2, 3}, 2, {2, 1, 3}},
                            TRow{{1, 2, 3}, 1, {1, 2, 3}}, TRow{{4}, 4, {4}},
                            TRow{{1, 2}, 5, {1, 2}}, TRow{{}, 1, {}}}) {
        EXPECT_EQ(MovedToFront(row.List, row.Number), row.Moved) << row.Number;
    }
}

TEST(Outlook2002Values, LeaveOnServerIsABitFieldWithTheDaysAbove) {
    const TLeaveOnServer all{true, true, true, 5};
    EXPECT_EQ(StoredLeaveOnServer(all), 327687u);
    EXPECT_EQ(LeaveOnServerFromStored(327687u), all);
    EXPECT_EQ(LeaveOnServerFromStored(0x000A0001u), (TLeaveOnServer{true, false, false, 10}));
    EXPECT_EQ(StoredLeaveOnServer({true, false, false, 5}), 0x00050001u);
    EXPECT_EQ(StoredLeaveOnServer({false, false, true, 0}), 4u);
}

TEST(Outlook2002Values, OutgoingAuthenticationByKind) {
    struct TRow {
        std::optional<std::int32_t> UseAuth, Method;
        std::uint8_t Pop, Imap;
    };
    for (const TRow& row : {TRow{std::nullopt, std::nullopt, 0, 0}, TRow{std::nullopt, 1, 0, 0},
                            TRow{0, 1, 0, 0}, TRow{1, std::nullopt, 1, 1}, TRow{1, 1, 2, 2},
                            TRow{1, 2, 3, 2}, TRow{1, 0, 3, 2}, TRow{1, 9, 3, 2}}) {
        EXPECT_EQ(SmtpAuthModeFromStored(row.UseAuth, row.Method, AccountKindPOP), row.Pop);
        EXPECT_EQ(SmtpAuthModeFromStored(row.UseAuth, row.Method, AccountKindIMAP), row.Imap);
    }
    for (const int kind : {AccountKindPOP, AccountKindIMAP}) {
        for (std::uint8_t mode = 0; mode <= 3; ++mode) {
            const TStoredSmtpAuth stored = StoredSmtpAuth(mode, kind);
            const std::uint8_t back = SmtpAuthModeFromStored(
                stored.UseAuth ? std::optional<std::int32_t>(1) : std::nullopt, stored.Method,
                kind);
            EXPECT_EQ(back, kind == AccountKindIMAP && mode == 3 ? 0 : mode)
                << "kind " << kind << " mode " << int(mode);
        }
    }
    EXPECT_FALSE(StoredSmtpAuth(1, AccountKindPOP).Method);
}

TEST(Outlook2002Values, TheConnectionIsWrittenAsItIsRead) {
    EXPECT_EQ(ConnectionTypeFromStored(std::nullopt), 0);
    EXPECT_EQ(ConnectionTypeFromStored(7), std::nullopt);
    for (const std::int32_t stored : {1, 2, 3}) {
        const auto type = ConnectionTypeFromStored(stored);
        ASSERT_TRUE(type);
        EXPECT_EQ(StoredConnection(*type).Type, stored);
        EXPECT_EQ(StoredConnection(*type).WithOid, stored == 2) << "dial-up by its name";
    }
    for (const std::uint8_t type : {0, 1}) {
        EXPECT_FALSE(StoredConnection(type).Type);
        EXPECT_FALSE(StoredConnection(type).WithOid);
    }
}

TEST(Outlook2002Values, TheClassNamesTheKind) {
    EXPECT_EQ(KindOfClsid("{ED475411-B0D6-11D2-8C3B-00104B2A6676}"), AccountKindPOP);
    EXPECT_EQ(KindOfClsid("{ed475412-b0d6-11d2-8c3b-00104b2a6676}"), AccountKindIMAP);
    EXPECT_EQ(KindOfClsid("{ED475414-B0D6-11D2-8C3B-00104B2A6676}"), 0);
    EXPECT_EQ(KindOfClsid(""), 0);
}
