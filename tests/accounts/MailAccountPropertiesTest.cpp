// Property lists, clones and the comparison of two states of an account.

#include "TestStore.h"

#include <gtest/gtest.h>

using accounts_testing::PropertyOf;
using accounts_testing::Text;
using accounts_testing::TRecordingMonitor;
using accounts_testing::TTestStore;

namespace {

std::vector<int> IdsOf(const TAccountProperties& properties) {
    std::vector<int> ids;
    for (const auto& property : properties) {
        ids.push_back(property.Id);
    }
    return ids;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> ids;
    for (int id = first; id <= last; ++id) {
        if (id != 9) {
            ids.push_back(id);
        }
    }
    return ids;
}

// A POP account with a distinct value in every field.
void FillPop(TPOPMailAccount& account) {
    account.SetAccountName("Anna");
    account.SetDisplayName("anna@example.org");
    account.SetEmailAddress("anna@example.org");
    account.SetUserName("anna");
    account.SetPassword("secret");
    account.SetRememberPassword(true);
    account.SetAccountKey("00000002");
    account.SetReplyTo("reply@example.org");
    account.SetOrganization("Example");
    account.SetConnectionType(3);
    account.SetConnectionName("Dial-up");
    account.SetSmtpServer("smtp.example.org");
    account.SetSmtpUseTLS(true);
    account.SetSmtpUseSPA(true);
    account.SetSmtpPort(587);
    account.SetSmtpUserName("smtpuser");
    account.SetSmtpPassword("smtppw");
    account.SetSmtpAuthMode(2);
    account.SetSmtpRememberPassword(true);
    account.SetSmtpTimeout(90);
    account.SetRemoveWhenExpired(true);
    account.SetExpireDays(14);
    account.SetIncomingServer("pop.example.org");
    account.SetIncomingPort(995);
    account.SetUseSPA(true);
    account.SetUseSSL(true);
    account.SetIncomingTimeout(120);
    account.SetLeaveOnServer(true);
    account.SetRemoveWhenDeleted(true);
    account.SetStoreLocation("Software\\Accounts\\00000002");
    account.StoreData().SetValue("server", "server3");
}

TEST(MailAccountProperties, IdsFollowTheFixedOrderForEachKind) {
    TPOPMailAccount pop(nullptr);
    auto popIds = Range(0, 25);
    auto popOwn = Range(26, 32);
    popIds.insert(popIds.end(), popOwn.begin(), popOwn.end());
    EXPECT_EQ(IdsOf(pop.GetProperties()), popIds);

    TIMAPMailAccount imap(nullptr);
    auto imapIds = Range(0, 25);
    auto imapOwn = Range(33, 41);
    imapIds.insert(imapIds.end(), imapOwn.begin(), imapOwn.end());
    EXPECT_EQ(IdsOf(imap.GetProperties()), imapIds);
}

TEST(MailAccountProperties, ValuesCarryTheirFieldsAndTypes) {
    TPOPMailAccount pop(nullptr);
    FillPop(pop);
    const auto properties = pop.GetProperties();
    EXPECT_EQ(PropertyOf(properties, 0), Text("Anna"));
    EXPECT_EQ(PropertyOf(properties, 6), Text("00000002"));
    EXPECT_EQ(PropertyOf(properties, 11), TPropertyValue(std::int64_t{3}));
    EXPECT_EQ(PropertyOf(properties, 14), Text("smtp.example.org"));
    EXPECT_EQ(PropertyOf(properties, 15), TPropertyValue(false));
    EXPECT_EQ(PropertyOf(properties, 16), TPropertyValue(true));
    EXPECT_EQ(PropertyOf(properties, 21), TPropertyValue(std::int64_t{2}));
    EXPECT_EQ(PropertyOf(properties, 25), TPropertyValue(std::int64_t{14}));
    EXPECT_EQ(PropertyOf(properties, 26), Text("pop.example.org"));
    EXPECT_EQ(PropertyOf(properties, 27), TPropertyValue(std::int64_t{995}));
    EXPECT_EQ(PropertyOf(properties, 32), TPropertyValue(true));

    TIMAPMailAccount imap(nullptr);
    imap.SetIncomingServer("imap.example.org");
    imap.SetRootFolder("INBOX.");
    imap.SetKeepUnreadOnly(true);
    const auto imapProperties = imap.GetProperties();
    EXPECT_EQ(PropertyOf(imapProperties, 33), TPropertyValue(true));
    EXPECT_EQ(PropertyOf(imapProperties, 34), Text("imap.example.org"));
    EXPECT_EQ(PropertyOf(imapProperties, 35), TPropertyValue(std::int64_t{143}));
    EXPECT_EQ(PropertyOf(imapProperties, 38), Text("INBOX."));
    EXPECT_EQ(PropertyOf(imapProperties, 41), TPropertyValue(std::int64_t{30}));
}

TEST(MailAccountProperties, CloneCopiesEverythingButMonitorsAndStaysOutOfTheList) {
    TTestStore store;
    TMailProfile* profile = store.AddProfile("Main", "");
    auto* account = dynamic_cast<TPOPMailAccount*>(
        profile->AppendAccount(std::make_unique<TPOPMailAccount>(profile)));
    FillPop(*account);
    account->SetMonitoring(true);
    ASSERT_EQ(account->MonitorCount(), 1);

    auto clone = account->Clone();
    ASSERT_NE(dynamic_cast<TPOPMailAccount*>(clone.get()), nullptr);
    EXPECT_TRUE(TMailAccount::SameProperties(*clone, *account));
    EXPECT_EQ(IdsOf(clone->GetProperties()).back(), 32);
    EXPECT_EQ(clone->Profile(), profile);
    EXPECT_EQ(profile->AccountCount(), 1);
    EXPECT_EQ(profile->IndexOfAccount(clone.get()), -1);
    EXPECT_EQ(clone->StoreLocation(), account->StoreLocation());
    EXPECT_EQ(clone->StoreData().Value("server"), "server3");
    EXPECT_TRUE(clone->Monitoring());
    EXPECT_EQ(clone->MonitorCount(), 0);

    // The copy's StoreData is its own.
    clone->StoreData().SetValue("server", "server4");
    EXPECT_EQ(account->StoreData().Value("server"), "server3");

    // Destroying the clone leaves the original's monitors running.
    clone.reset();
    EXPECT_EQ(dynamic_cast<TRecordingMonitor&>(account->MonitorByIndex(0)).Terminations, 0);
}

TEST(MailAccountProperties, CloneOfImapKeepsItsKindAndFields) {
    TIMAPMailAccount imap(nullptr);
    imap.SetRetainByCount(true);
    imap.SetRetainCount(7);
    auto clone = imap.Clone();
    ASSERT_EQ(clone->Kind(), AccountKindIMAP);
    EXPECT_EQ(dynamic_cast<TIMAPMailAccount&>(*clone).RetainCount(), 7);
    EXPECT_TRUE(TMailAccount::Differences(*clone, imap).empty());
}

TEST(MailAccountProperties, SamePropertiesComparesPositionIdAndValue) {
    TPOPMailAccount a(nullptr);
    TPOPMailAccount b(nullptr);
    EXPECT_TRUE(TMailAccount::SameProperties(a, b));
    b.SetSmtpTimeout(61);
    EXPECT_FALSE(TMailAccount::SameProperties(a, b));

    // Different kinds differ even with equal common fields.
    TIMAPMailAccount imap(nullptr);
    EXPECT_FALSE(TMailAccount::SameProperties(a, imap));

    // A flag and a number are different values even when both read as "1".
    TAccountProperties flag{{5, true}};
    TAccountProperties number{{5, std::int64_t{1}}};
    EXPECT_FALSE(SameProperties(flag, number));
    TAccountProperties swapped{{1, std::string("x")}, {0, std::string("y")}};
    TAccountProperties ordered{{0, std::string("y")}, {1, std::string("x")}};
    EXPECT_FALSE(SameProperties(swapped, ordered));
}

TEST(MailAccountProperties, ChangedOutgoingHostGivesOneLineNewBeforeOld) {
    TPOPMailAccount previous(nullptr);
    FillPop(previous);
    auto current = previous.Clone();
    EXPECT_TRUE(TMailAccount::Differences(*current, previous).empty());

    current->SetSmtpServer("mail.example.net");
    const auto records = TMailAccount::Differences(*current, previous);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Id, PropertyId::SmtpServer);
    const auto lines = TMailAccount::DescribeChanges(records);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "14 new: \"mail.example.net\", old : \"smtp.example.org\"");
}

TEST(MailAccountProperties, PropertiesMissingOnOneSideReadEmpty) {
    // A POP state compared with an IMAP state: the kinds' own ids exist on one side only.
    TIMAPMailAccount current(nullptr);
    TPOPMailAccount previous(nullptr);
    const auto records = TMailAccount::Differences(current, previous);
    // Current's own ids first (33..41), then previous's leftovers (26..32); the common ids
    // 0..25 are equal apart from ExpireDays.
    ASSERT_EQ(records.size(), 1u + 9u + 7u);
    EXPECT_EQ(records[0].Id, PropertyId::ExpireDays);
    EXPECT_EQ(records[1].Id, 33);
    EXPECT_FALSE(records[1].OldValue.has_value());
    EXPECT_EQ(records.back().Id, 32);
    EXPECT_FALSE(records.back().NewValue.has_value());

    const auto lines = TMailAccount::DescribeChanges(records);
    EXPECT_EQ(lines[0], "25 new: \"30\", old : \"5\"");
    EXPECT_EQ(lines[2], "34 new: \"\", old : \"<empty>\"");
    EXPECT_EQ(lines[10], "26 new: \"<empty>\", old : \"\"");
    EXPECT_EQ(lines.back(), "32 new: \"<empty>\", old : \"false\"");
}

TEST(MailAccountProperties, DifferencesMatchByIdNotPosition) {
    TAccountProperties current{{2, std::string("b")}, {0, std::string("a")}};
    TAccountProperties previous{{0, std::string("a")}, {2, std::string("old")}, {7, true}};
    const auto records = Differences(current, previous);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Id, 2);
    EXPECT_EQ(*records[0].NewValue, Text("b"));
    EXPECT_EQ(*records[0].OldValue, Text("old"));
    EXPECT_EQ(records[1].Id, 7);
    EXPECT_EQ(DescribeChanges(records)[1], "7 new: \"<empty>\", old : \"true\"");
}

TEST(MailAccountProperties, DescriptionsSayThatPasswordsChangedButNeverWhatTheyAre) {
    TPOPMailAccount current(nullptr);
    TPOPMailAccount previous(nullptr);
    current.SetPassword("New-Secret");
    previous.SetPassword("Old-Secret");
    current.SetSmtpPassword("Smtp-Secret");
    current.SetUserName("erika");
    const auto lines = TMailAccount::DescribeChanges(TMailAccount::Differences(current, previous));
    EXPECT_EQ(lines, (std::vector<std::string>{"3 new: \"erika\", old : \"\"",
                                               "4 new: \"<hidden>\", old : \"<hidden>\"",
                                               "20 new: \"<hidden>\", old : \"<hidden>\""}));
    // A password only one side has: the other side still reads <empty>.
    const TAccountChangeRecords added{{PropertyId::SmtpPassword, std::string("x"), std::nullopt}};
    EXPECT_EQ(DescribeChanges(added)[0], "20 new: \"<hidden>\", old : \"<empty>\"");
}

TEST(MailStoreData, NameValueLines) {
    TMailStoreData data;
    EXPECT_EQ(data.Value("identity"), "");
    data.Add("identity=id1");
    data.Add("server=server2=x"); // only the first "=" separates
    data.SetValue("smtpserver", "smtp1");
    EXPECT_EQ(data.Value("IDENTITY"), "id1");
    EXPECT_EQ(data.Value("server"), "server2=x");
    data.SetValue("Identity", "id5");
    EXPECT_EQ(data.Lines(),
              (std::vector<std::string>{"Identity=id5", "server=server2=x", "smtpserver=smtp1"}));
    data.Clear();
    EXPECT_EQ(data.Count(), 0);
}

} // namespace
