// Outlook Express: the values of one account key read into the account.

#include "OutlookExpressTestSupport.h"

#include <functional>

using namespace oe_test;

namespace {

const std::string AccountKey = TopAccounts + "\\00000001";

class OutlookExpressRead : public OutlookExpressFixture {
protected:
    // The main identity with one account "Konto" holding the given values.
    TMailAccount& LoadAccountWith(const std::string& values,
                                  const std::string& ini = testing_support::TTestMachine().Ini()) {
        Store.reset();
        Install(IdentityKeys(MainIdentity, "Main Identity") + TopLevelTree(MainIdentity) +
                    Key(AccountKey) + Str("Account Name", "Konto") + values,
                ini);
        Store = Load();
        EXPECT_EQ(Store->AccountCount(), 1);
        return *Store->AccountByIndex(0);
    }
    std::unique_ptr<TOutlookExpressMailAccounts> Store;
};

} // namespace

TEST_F(OutlookExpressRead, EveryValueOfAPop3AccountIsRead) {
    const std::string values =
        Str("SMTP Display Name", "Anna Muster") + Str("SMTP Email Address", "anna@example.org") +
        Str("SMTP Reply To Email Address", "antwort@example.org") +
        Str("SMTP Organization Name", "Muster AG") + Str("POP3 User Name", "anna") +
        Reference("POP3 Password2", "account10000001") + Dword("POP3 Prompt for Password", 0) +
        Str("POP3 Server", "pop.example.org") + Dword("POP3 Port", 995) +
        Dword("POP3 Use Sicily", 1) + Dword("POP3 Secure Connection", 1) +
        Dword("POP3 Timeout", 90) + Dword("Leave Mail On Server", 1) +
        Dword("Remove When Expired", 1) + Dword("Expire Days", 14) +
        Dword("Remove When Deleted", 1) + Str("SMTP Server", "smtp.example.org") +
        Dword("SMTP Port", 587) + Dword("SMTP Use Sicily", 3) + Str("SMTP User Name", "anna-smtp") +
        Reference("SMTP Password2", "account10000002") + Dword("SMTP Secure Connection", 1) +
        Dword("SMTP Timeout", 120) + Dword("Connection Type", 2) + Str("Connectoid", "Einwahl");
    Install(IdentityKeys(MainIdentity, "Main Identity") + TopLevelTree(MainIdentity) +
            Key(AccountKey) + Str("Account Name", "Konto") + values);
    StorePassword("account10000001", "Geheim-1");
    StorePassword("account10000002", "Geheim-2");
    auto store = Load();
    ASSERT_EQ(store->AccountCount(), 1);
    auto& a = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(0));
    EXPECT_EQ(a.AccountName(), "Konto");
    EXPECT_EQ(a.DisplayName(), "Anna Muster");
    EXPECT_EQ(a.EmailAddress(), "anna@example.org");
    EXPECT_EQ(a.ReplyTo(), "antwort@example.org");
    EXPECT_EQ(a.Organization(), "Muster AG");
    EXPECT_EQ(a.UserName(), "anna");
    EXPECT_EQ(a.Password(), "Geheim-1");
    EXPECT_TRUE(a.RememberPassword());
    EXPECT_EQ(a.IncomingServer(), "pop.example.org");
    EXPECT_EQ(a.IncomingPort(), 995);
    EXPECT_TRUE(a.UseSPA());
    EXPECT_TRUE(a.UseSSL());
    EXPECT_EQ(a.IncomingTimeout(), 90);
    EXPECT_TRUE(a.LeaveOnServer());
    EXPECT_TRUE(a.RemoveWhenExpired());
    EXPECT_EQ(a.ExpireDays(), 14);
    EXPECT_TRUE(a.RemoveWhenDeleted());
    EXPECT_EQ(a.SmtpServer(), "smtp.example.org");
    EXPECT_EQ(a.SmtpPort(), 587);
    EXPECT_EQ(a.SmtpAuthMode(), 2);
    EXPECT_FALSE(a.SmtpUseSPA());
    EXPECT_EQ(a.SmtpUserName(), "anna-smtp");
    EXPECT_EQ(a.SmtpPassword(), "Geheim-2");
    EXPECT_TRUE(a.SmtpRememberPassword());
    EXPECT_TRUE(a.SmtpUseSSL());
    EXPECT_EQ(a.SmtpTimeout(), 120);
    EXPECT_EQ(a.ConnectionType(), 3);
    EXPECT_EQ(a.ConnectionName(), "Einwahl");
    EXPECT_EQ(a.StoreLocation(), AccountKey);
}

TEST_F(OutlookExpressRead, AnImapAccountReadsItsOwnValuesAndTheOutgoingTimeOut) {
    const std::string values =
        Str("IMAP User Name", "anna") + Reference("IMAP Password2", "account20000001") +
        Dword("IMAP Prompt for Password", 0) + Str("IMAP Server", "imap.example.org") +
        Dword("IMAP Port", 993) + Dword("IMAP Use Sicily", 1) + Dword("IMAP Secure Connection", 1) +
        Str("IMAP Root Folder", "INBOX") + Dword("POP3 Port", 110) + Dword("SMTP Timeout", 90);
    Install(IdentityKeys(MainIdentity, "Main Identity") + TopLevelTree(MainIdentity) +
            Key(AccountKey) + Str("Account Name", "Konto") + values);
    StorePassword("account20000001", "Geheim-3");
    auto store = Load();
    ASSERT_EQ(store->AccountCount(), 1);
    auto& a = dynamic_cast<TIMAPMailAccount&>(*store->AccountByIndex(0));
    EXPECT_EQ(a.UserName(), "anna");
    EXPECT_EQ(a.Password(), "Geheim-3");
    EXPECT_TRUE(a.RememberPassword());
    EXPECT_EQ(a.IncomingServer(), "imap.example.org");
    EXPECT_EQ(a.IncomingPort(), 993);
    EXPECT_TRUE(a.UseSPA());
    EXPECT_TRUE(a.UseSSL());
    EXPECT_EQ(a.RootFolder(), "INBOX");
    EXPECT_EQ(a.IncomingTimeout(), 90);
    EXPECT_EQ(a.SmtpTimeout(), 90);
}

TEST_F(OutlookExpressRead, WithoutProtectedStoragePasswordsAreEmptyAndTheRestIsRead) {
    TMailAccount& a = LoadAccountWith(
        Str("POP3 Server", "pop.example.org") + Str("POP3 User Name", "anna") +
            Reference("POP3 Password2", "account10000001") + Dword("POP3 Prompt for Password", 0),
        testing_support::TTestMachine().ProtectedStorage(false).Ini());
    EXPECT_FALSE(Store->AccountPasswordsAvailable());
    EXPECT_FALSE(Store->ProfilePasswordsAvailable());
    EXPECT_EQ(a.Password(), "");
    EXPECT_EQ(a.UserName(), "anna");
    EXPECT_TRUE(a.RememberPassword());
}

TEST_F(OutlookExpressRead, AReferenceWithoutItsItemGivesAnEmptyPassword) {
    TMailAccount& a = LoadAccountWith(Str("POP3 Server", "pop.example.org") +
                                      Reference("POP3 Password2", "account10000001"));
    EXPECT_EQ(a.Password(), "");
}

// Values read as string only: an expandable string (or any other type) reads as empty.
struct TStringOnlyCase {
    const char* Value;
    std::function<std::string(const TMailAccount&)> Field;
};

void PrintTo(const TStringOnlyCase& c, std::ostream* out) {
    *out << c.Value;
}

class OutlookExpressStringOnly : public OutlookExpressRead,
                                 public ::testing::WithParamInterface<TStringOnlyCase> {};

TEST_P(OutlookExpressStringOnly, ReadsOnlyAPlainString) {
    const TStringOnlyCase& c = GetParam();
    const std::string others = Str("POP3 Server", "pop.example.org") + Dword("SMTP Use Sicily", 3);
    EXPECT_EQ(c.Field(LoadAccountWith(others + Str(c.Value, "text"))), "text");
    EXPECT_EQ(c.Field(LoadAccountWith(others + ExpandStr(c.Value, "text"))), "");
    EXPECT_EQ(c.Field(LoadAccountWith(others + Hex(c.Value, {0x74, 0x00, 0x00, 0x00}))), "");
}

INSTANTIATE_TEST_SUITE_P(Values, OutlookExpressStringOnly,
                         ::testing::Values(TStringOnlyCase{"SMTP Display Name",
                                                           [](const TMailAccount& a) {
                                                               return a.DisplayName();
                                                           }},
                                           TStringOnlyCase{"SMTP Email Address",
                                                           [](const TMailAccount& a) {
                                                               return a.EmailAddress();
                                                           }},
                                           TStringOnlyCase{"SMTP Reply To Email Address",
                                                           [](const TMailAccount& a) {
                                                               return a.ReplyTo();
                                                           }},
                                           TStringOnlyCase{"SMTP Organization Name",
                                                           [](const TMailAccount& a) {
                                                               return a.Organization();
                                                           }},
                                           TStringOnlyCase{"POP3 User Name",
                                                           [](const TMailAccount& a) {
                                                               return a.UserName();
                                                           }},
                                           TStringOnlyCase{"SMTP Server",
                                                           [](const TMailAccount& a) {
                                                               return a.SmtpServer();
                                                           }},
                                           TStringOnlyCase{"SMTP User Name",
                                                           [](const TMailAccount& a) {
                                                               return a.SmtpUserName();
                                                           }}));

// "SMTP Use Sicily" against SmtpAuthMode and SmtpUseSPA; the own login is read only for 1 and 3.
struct TSicilyCase {
    std::optional<std::uint32_t> Stored;
    int Mode;
    bool UseSPA;
    std::string UserName;
    std::string Password;
};

void PrintTo(const TSicilyCase& c, std::ostream* out) {
    *out << (c.Stored ? std::to_string(*c.Stored) : std::string("absent"));
}

class OutlookExpressSmtpAuth : public OutlookExpressRead,
                               public ::testing::WithParamInterface<TSicilyCase> {};

TEST_P(OutlookExpressSmtpAuth, FollowsTheOutgoingAuthenticationTable) {
    const TSicilyCase& c = GetParam();
    Install(IdentityKeys(MainIdentity, "Main Identity") + TopLevelTree(MainIdentity) +
            Key(AccountKey) + Str("Account Name", "Konto") + Str("POP3 Server", "p") +
            (c.Stored ? Dword("SMTP Use Sicily", *c.Stored) : std::string()) +
            Str("SMTP User Name", "smtp-user") + Reference("SMTP Password2", "account10000002"));
    StorePassword("account10000002", "Geheim-2");
    auto store = Load();
    TMailAccount& a = *store->AccountByIndex(0);
    EXPECT_EQ(a.SmtpAuthMode(), c.Mode);
    EXPECT_EQ(a.SmtpUseSPA(), c.UseSPA);
    EXPECT_EQ(a.SmtpUserName(), c.UserName);
    EXPECT_EQ(a.SmtpPassword(), c.Password);
    EXPECT_EQ(a.SmtpRememberPassword(), !c.Password.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, OutlookExpressSmtpAuth,
                         ::testing::Values(TSicilyCase{std::nullopt, 0, false, "", ""},
                                           TSicilyCase{0, 0, false, "", ""},
                                           TSicilyCase{1, 2, true, "smtp-user", "Geheim-2"},
                                           TSicilyCase{2, 1, false, "", ""},
                                           TSicilyCase{3, 2, false, "smtp-user", "Geheim-2"},
                                           TSicilyCase{7, 0, false, "", ""}));

// "Connection Type" against ConnectionType, read again into an account that holds 4 before.
struct TConnectionCase {
    std::optional<std::uint32_t> Stored;
    int Expected;
};

void PrintTo(const TConnectionCase& c, std::ostream* out) {
    *out << (c.Stored ? std::to_string(*c.Stored) : std::string("absent"));
}

class OutlookExpressConnection : public OutlookExpressRead,
                                 public ::testing::WithParamInterface<TConnectionCase> {};

TEST_P(OutlookExpressConnection, FollowsTheConnectionTable) {
    const TConnectionCase& c = GetParam();
    TMailAccount& a = LoadAccountWith(
        Str("POP3 Server", "p") + (c.Stored ? Dword("Connection Type", *c.Stored) : std::string()));
    a.SetConnectionType(4);
    a.Reload();
    EXPECT_EQ(a.ConnectionType(), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, OutlookExpressConnection,
                         ::testing::Values(TConnectionCase{std::nullopt, 0}, TConnectionCase{0, 1},
                                           TConnectionCase{1, 4}, TConnectionCase{2, 3},
                                           TConnectionCase{3, 0}, TConnectionCase{9, 4}));

// "POP3 Prompt for Password": the password is remembered only for an integer 0; a missing value
// leaves the field as it was.
TEST_F(OutlookExpressRead, ThePromptFlagRemembersThePasswordOnlyForAnIntegerZero) {
    const std::pair<std::string, bool> rows[] = {
        {Dword("POP3 Prompt for Password", 0), true},
        {Dword("POP3 Prompt for Password", 1), false},
        {Str("POP3 Prompt for Password", "0"), false},
        {"", true},
    };
    for (const auto& [stored, remembered] : rows) {
        TMailAccount& a = LoadAccountWith(Str("POP3 Server", "p") + stored);
        a.SetRememberPassword(true);
        a.Reload();
        EXPECT_EQ(a.RememberPassword(), remembered) << stored;
    }
}
