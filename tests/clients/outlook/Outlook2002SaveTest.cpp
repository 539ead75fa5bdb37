// Outlook 2002/2003/2007: saving accounts with their place in the profile's list, passwords by
// version, profiles and options, and deleting accounts, all or nothing.

#include "OutlookTestSupport.h"

#include "accounts/HexText.h"
#include "clients/outlook/Outlook2002.h"
#include "clients/outlook/StoredPasswords.h"
#include "platform/FileAttributes.h"
#include "platform/Files.h"
#include "platform/RegHive.h"
#include "platform/RegText.h"
#include "support/ScriptedRandom.h"

#include <sstream>

using namespace outlook_test;
using testing_support::TScriptedRandom;

namespace {

const std::string Profile = ProfilesNT + "\\Outlook";
const std::string Manager = Profile + "\\9375CFF0413111d3B88A00104B2A6676";
const std::string OutlookData =
    "C:\\Documents and Settings\\User\\Application Data\\Microsoft\\Outlook\\";

std::string Fixture(int major = 11) {
    return Replaced(TestFile("fixtures/outlook2003_profile.reg"), "Office\\11.0",
                    "Office\\" + std::to_string(major) + ".0");
}

// A profile Outlook has set up, without any mail account yet.
std::string EmptyProfile(int major) {
    return Key("Software\\Microsoft\\Office\\" + std::to_string(major) + ".0") + Key(ProfilesNT) +
           Str("DefaultProfile", "Outlook") + Key(Profile) +
           Key(Profile + "\\0a0d020000000000c000000000000046") + HexDigits("000b0340", "0000") +
           Key(Manager);
}

std::vector<std::uint32_t> AccountList() {
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly("\\" + Manager) ||
        !registry.ValueExists("{ED475418-B0D6-11D2-8C3B-00104B2A6676}")) {
        return {};
    }
    const auto bytes = registry.ReadBinaryData("{ED475418-B0D6-11D2-8C3B-00104B2A6676}");
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        numbers.push_back(bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 |
                          std::uint32_t(bytes[i + 3]) << 24);
    }
    return numbers;
}

// A key's section with the sealed values (random at every seal) shown as <sealed>.
std::string MaskSealed(const std::string& section) {
    std::istringstream in(section);
    std::string line;
    std::string out;
    bool continued = false; // the lines that continue a masked value are left out
    while (std::getline(in, line)) {
        if (continued) {
            continued = !line.empty() && line.back() == '\\';
            continue;
        }
        bool masked = false;
        for (const std::string name : {"\"POP3 Password\"", "\"SMTP Password\""}) {
            if (line.rfind(name + "=hex:02,", 0) == 0) {
                out += name + "=<sealed>\n";
                continued = line.back() == '\\';
                masked = true;
            }
        }
        if (!masked) {
            out += line + "\n";
        }
    }
    return out;
}

class Outlook2002Save : public OutlookFixture {
protected:
    std::unique_ptr<TOutlookMailAccounts> Load2002(TRandomSource& random = SystemRandom()) {
        return std::make_unique<TOutlookMailAccounts>(false, random);
    }
    std::string PasswordOf(int index) {
        System().Reinstall();
        return Load2002()->AccountByIndex(index)->Password();
    }
};

} // namespace

TEST_F(Outlook2002Save, TheWizardsFirstAccountInOutlook2002) {
    InstallOutlook(EmptyProfile(10), 10);
    TScriptedRandom random({0x1A2B3C4D, 0x5E6F7081});
    auto store = Load2002(random);
    TPOPMailAccount& account = AddWizardAccount(*store);
    EXPECT_EQ(account.AccountKey(), "00000001");
    EXPECT_TRUE(account.IsDefault());
    EXPECT_TRUE(AccountList().empty()) << "the list grows when the account is saved";
    account.Save();
    EXPECT_EQ(random.Left(), 0u);
    const std::string hive = HiveText();
    EXPECT_EQ(KeySection(hive, Manager) + "\n" + KeySection(hive, Manager + "\\00000001"),
              TestFile("golden/outlook2002_new_account.reg"));
    EXPECT_EQ(hive.find("Geheim-42"), std::string::npos);
    TStoredPasswords items(TOutlookPasswordStore::Outlook2002);
    ASSERT_TRUE(items.ObtainProvider());
    EXPECT_EQ(items.ReadStoredPassword("000000001A2B3C4D"), "Geheim-42");
    EXPECT_EQ(PasswordOf(0), "Geheim-42");
}

TEST_F(Outlook2002Save, TheWizardsAccountInOutlook2007) {
    InstallOutlook(EmptyProfile(12), 12);
    auto store = Load2002();
    TPOPMailAccount& account = AddWizardAccount(*store);
    account.Save();
    const std::string hive = HiveText();
    EXPECT_EQ(KeySection(hive, Manager) + "\n" +
                  MaskSealed(KeySection(hive, Manager + "\\00000001")),
              TestFile("golden/outlook2007_new_account.reg"));
    EXPECT_EQ(BinaryAt(Manager + "\\00000001", "POP3 Password").value().front(), 0x02);
    System().Reinstall();
    auto reloaded = Load2002();
    ASSERT_EQ(reloaded->AccountCount(), 1);
    const TMailAccount& read = *reloaded->AccountByIndex(0);
    // The outgoing "remember" mark is kept only for an own outgoing login; without the value
    // Outlook remembers.
    EXPECT_EQ(TMailAccount::DescribeChanges(TMailAccount::Differences(read, account)),
              (std::vector<std::string>{"13 new: \"false\", old : \"true\"",
                                        "22 new: \"true\", old : \"false\""}));
}

TEST_F(Outlook2002Save, TheWizardsAccountInOutlook2003KeepsTheOtherAccountsFirst) {
    InstallOutlook(Fixture(), 11);
    auto store = Load2002();
    TPOPMailAccount& account = AddWizardAccount(*store);
    EXPECT_EQ(account.AccountKey(), "00000004");
    EXPECT_FALSE(account.IsDefault());
    account.Save();
    const std::string key = Manager + "\\00000004";
    EXPECT_EQ(AccountList(), (std::vector<std::uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(IntegerAt(Manager, "NextAccountID"), 5);
    EXPECT_EQ(IntegerAt(key, "POP3 Port"), 995);
    EXPECT_EQ(IntegerAt(key, "POP3 Use SSL"), 1);
    EXPECT_EQ(IntegerAt(key, "SMTP Port"), 465);
    EXPECT_EQ(IntegerAt(key, "SMTP Use SSL"), 1);
    EXPECT_EQ(IntegerAt(key, "SMTP Use Auth"), 1);
    EXPECT_EQ(IntegerAt(key, "Leave on Server"), 0x00050001);
    EXPECT_FALSE(IntegerAt(key, "SMTP Secure Connection")) << "Outlook 2007 only";
    for (const char* gone : {"Organization", "Reply Email", "POP3 Remember Passwd", "POP3 Use SPA",
                             "Connection Type", "Connection OID", "SMTP Auth Method"}) {
        EXPECT_FALSE(BinaryAt(key, gone) || IntegerAt(key, gone)) << gone;
    }
    EXPECT_EQ(PasswordOf(3), "Geheim-42");
}

TEST_F(Outlook2002Save, MarkingTheThirdAccountDefaultPutsItFirst) {
    InstallOutlook(Fixture(), 11);
    auto store = Load2002();
    TMailAccount& third = *store->AccountByIndex(2);
    third.SetIsDefault(true);
    third.Save();
    EXPECT_EQ(AccountList(), (std::vector<std::uint32_t>{3, 1, 2}));
    EXPECT_EQ(IntegerAt(Manager, "NextAccountID"), 4) << "an old number moves no counter";
    System().Reinstall();
    auto reloaded = Load2002();
    EXPECT_TRUE(reloaded->AccountByIndex(2)->IsDefault());
    EXPECT_FALSE(reloaded->AccountByIndex(0)->IsDefault());
}

TEST_F(Outlook2002Save, AnUnchangedConnectionIsKeptAndAnEditedOneWritten) {
    InstallOutlook(Fixture(), 11);
    auto store = Load2002();
    auto& account = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(0));
    const std::string key = Manager + "\\00000001";
    ApplyWizardSettings(account, "Geheim-42"); // the setup page leaves the connection alone
    account.Save();
    EXPECT_EQ(IntegerAt(key, "Connection Type"), 2);
    EXPECT_EQ(BinaryAt(key, "Connection OID"),
              platform::reg::StringToRegData("T-Online")); // UTF-16 with its zero

    struct TRow {
        std::uint8_t Type;
        std::string Name;
        std::optional<std::int32_t> Stored;
        bool Oid;
    };
    for (const TRow& row : {TRow{4, "", 1, false}, TRow{3, "Arcor", 2, true}, TRow{2, "", 3, false},
                            TRow{0, "", std::nullopt, false}}) {
        account.SetConnectionType(row.Type);
        account.SetConnectionName(row.Name);
        account.Save();
        EXPECT_EQ(IntegerAt(key, "Connection Type"), row.Stored) << int(row.Type);
        EXPECT_EQ(BinaryAt(key, "Connection OID").has_value(), row.Oid) << int(row.Type);
        System().Reinstall();
        auto reloaded = Load2002();
        EXPECT_EQ(reloaded->AccountByIndex(0)->ConnectionType(), row.Type);
        EXPECT_EQ(reloaded->AccountByIndex(0)->ConnectionName(), row.Name);
    }
}

TEST_F(Outlook2002Save, DefaultPortsAreDeletedAndTheLeaveOnServerBitsWritten) {
    InstallOutlook(Fixture(), 11);
    auto store = Load2002();
    auto& account = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(2));
    account.SetIncomingPort(110);
    account.SetSmtpPort(25);
    account.SetLeaveOnServer(true);
    account.SetRemoveWhenExpired(true);
    account.SetExpireDays(5);
    account.SetRemoveWhenDeleted(true);
    account.Save();
    const std::string key = Manager + "\\00000003";
    EXPECT_FALSE(IntegerAt(key, "POP3 Port"));
    EXPECT_FALSE(IntegerAt(key, "SMTP Port"));
    EXPECT_EQ(IntegerAt(key, "Leave on Server"), 327687);
    EXPECT_EQ(IntegerAt(key, "Mini UID"), 0x1f2e3d4c) << "Outlook's own values stay";
}

TEST_F(Outlook2002Save, OutgoingLoginsByMode) {
    for (const int major : {11, 12}) {
        InstallOutlook(Fixture(major), major);
        auto store = Load2002();
        TMailAccount& pop = *store->AccountByIndex(0);
        TMailAccount& imap = *store->AccountByIndex(1);
        const std::string popKey = Manager + "\\00000001";
        const std::string imapKey = Manager + "\\00000002";
        pop.SetSmtpAuthMode(2);
        pop.SetSmtpUserName("smtp-anna");
        pop.SetSmtpPassword("Senden-7");
        pop.SetSmtpRememberPassword(false);
        pop.SetSmtpUseSPA(true);
        pop.Save();
        EXPECT_EQ(IntegerAt(popKey, "SMTP Use Auth"), 1);
        EXPECT_EQ(IntegerAt(popKey, "SMTP Auth Method"), 1);
        EXPECT_EQ(IntegerAt(popKey, "SMTP Use SPA"), 1);
        EXPECT_EQ(BinaryAt(popKey, "SMTP User"), platform::reg::StringToRegData("smtp-anna"));
        EXPECT_EQ(IntegerAt(popKey, "SMTP Remember Password"), 1);
        EXPECT_FALSE(BinaryAt(popKey, "SMTP Password")) << "a password not to be remembered";
        pop.SetSmtpRememberPassword(true);
        for (const char* blank : {"  ", " \t\v\f\x1b "}) {
            pop.SetSmtpPassword(blank);
            pop.Save();
            EXPECT_FALSE(BinaryAt(popKey, "SMTP Password")) << "blanks are no password";
        }
        pop.SetSmtpPassword("Senden-7");
        pop.Save();
        EXPECT_FALSE(IntegerAt(popKey, "SMTP Remember Password"));
        System().Reinstall();
        EXPECT_EQ(Load2002()->AccountByIndex(0)->SmtpPassword(), "Senden-7");

        pop.SetSmtpAuthMode(3);
        pop.Save();
        EXPECT_EQ(IntegerAt(popKey, "SMTP Auth Method"), 2);
        for (const char* gone : {"SMTP User", "SMTP Password", "SMTP Use SPA"}) {
            EXPECT_FALSE(BinaryAt(popKey, gone) || IntegerAt(popKey, gone)) << gone;
        }
        imap.SetSmtpAuthMode(3);
        imap.Save();
        EXPECT_FALSE(IntegerAt(imapKey, "SMTP Use Auth")) << "IMAP accounts have no mode 3";
        EXPECT_FALSE(IntegerAt(imapKey, "SMTP Auth Method"));
    }
}

TEST_F(Outlook2002Save, Outlook2007SmtpSecurityIsOneValue) {
    InstallOutlook(Fixture(12), 12);
    auto store = Load2002();
    TMailAccount& account = *store->AccountByIndex(0);
    const std::string key = Manager + "\\00000001";
    account.SetSmtpUseTLS(true);
    account.Save();
    EXPECT_EQ(IntegerAt(key, "SMTP Secure Connection"), 2);
    EXPECT_FALSE(IntegerAt(key, "SMTP Use SSL"));
    System().Reinstall();
    EXPECT_TRUE(Load2002()->AccountByIndex(0)->SmtpUseTLS());
    account.SetSmtpUseTLS(false);
    account.Save();
    EXPECT_FALSE(IntegerAt(key, "SMTP Secure Connection"));
}

TEST_F(Outlook2002Save, ANewOutlook2007AccountDeletesTheSendReceiveSettings) {
    struct TRow {
        int Major;
        bool NewAccount;
        bool Deleted;
    };
    for (const TRow row : {TRow{12, true, true}, TRow{12, false, false}, TRow{11, true, false}}) {
        InstallOutlook(Fixture(row.Major), row.Major);
        System().WriteFile(OutlookData + "Outlook.srs", "settings");
        System().WriteFile(OutlookData + "Privat.srs", "settings");
        System().WriteFile(OutlookData + "Outlook.pst", "mail");
        ASSERT_TRUE(platform::SetFileAttributes(OutlookData + "Privat.srs",
                                                platform::FILE_ATTRIBUTE_HIDDEN |
                                                    platform::FILE_ATTRIBUTE_READONLY));
        auto store = Load2002();
        if (row.NewAccount) {
            AddWizardAccount(*store).Save();
        } else {
            ApplyWizardSettings(dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(2)), "x");
            store->AccountByIndex(2)->Save();
        }
        EXPECT_EQ(System().Exists(OutlookData + "Outlook.srs"), !row.Deleted) << row.Major;
        EXPECT_EQ(System().Exists(OutlookData + "Privat.srs"), !row.Deleted) << row.Major;
        EXPECT_TRUE(System().Exists(OutlookData + "Outlook.pst"));
    }
}

TEST_F(Outlook2002Save, DeletingAnAccountTakesItsNumberOutOfTheList) {
    InstallOutlook(Fixture(10), 10);
    auto store = Load2002();
    TMailAccount& account = *store->AccountByIndex(1);
    account.SetPassword("Alt-1");
    account.Save();
    const auto reference =
        BinaryAt(Manager + "\\00000002", "IMAP Password").value_or(std::vector<std::uint8_t>());
    ASSERT_EQ(reference.size(), 35u);
    store->DeleteDefaultProfileAccount(1);
    EXPECT_EQ(AccountList(), (std::vector<std::uint32_t>{1, 3}));
    EXPECT_FALSE(KeyExists(Manager + "\\00000002"));
    EXPECT_EQ(store->AccountCount(), 2);
    TStoredPasswords items(TOutlookPasswordStore::Outlook2002);
    ASSERT_TRUE(items.ObtainProvider());
    EXPECT_EQ(items.ReadStoredPassword(
                  ReferenceFromValueBytes(TOutlookPasswordStore::Outlook2002, reference)),
              "")
        << "the password item goes with the account";
}

TEST_F(Outlook2002Save, NewNumbersPassThoseTheListOrAKeyAlreadyHas) {
    InstallOutlook(Replaced(Fixture(), "\"NextAccountID\"=dword:00000004",
                            "\"NextAccountID\"=dword:00000002") +
                       Key(Manager + "\\00000005"),
                   11);
    auto store = Load2002();
    TPOPMailAccount& first = AddWizardAccount(*store);
    TPOPMailAccount& second = AddWizardAccount(*store);
    EXPECT_EQ(first.AccountKey(), "00000004");
    EXPECT_EQ(second.AccountKey(), "00000006");
    second.Save();
    EXPECT_EQ(IntegerAt(Manager, "NextAccountID"), 7);
    EXPECT_EQ(AccountList(), (std::vector<std::uint32_t>{1, 2, 3, 6}));
}

TEST_F(Outlook2002Save, AHiveThatCannotBeWrittenLeavesListCounterAndKeyAsTheyWere) {
    InstallOutlook(Fixture(), 11);
    auto store = Load2002();
    const std::string before = HiveText();
    TPOPMailAccount& account = AddWizardAccount(*store);
    account.SetIsDefault(true);
    ExpectFailedSave(account, platform::reg::TSaveFault::Write);
    EXPECT_EQ(HiveText(), before);
    EXPECT_EQ(AccountList(), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(account.StoreLocation(), "");
    account.Save();
    EXPECT_EQ(AccountList(), (std::vector<std::uint32_t>{4, 1, 2, 3}));
}

TEST_F(Outlook2002Save, ProfilesAndClientSettings) {
    InstallOutlook(Key("Software\\Microsoft\\Office\\11.0") + Key(ProfilesNT), 11);
    auto store = Load2002();
    ASSERT_TRUE(store->Installed());
    EXPECT_EQ(store->ProfileCount(), 0);
    EXPECT_EQ(store->AddAccount(AccountKindPOP, WizardAddress, WizardAddress, "x"), nullptr);
    TMailProfile* profile = store->AddProfile("Privat", "");
    store->SaveProfile(*profile);
    EXPECT_EQ(profile->Location(), "Privat");
    EXPECT_TRUE(profile->IsDefaultProfile());
    EXPECT_TRUE(KeyExists(ProfilesNT + "\\Privat"));
    EXPECT_EQ(StringAt(ProfilesNT, "DefaultProfile"), "Privat");
    TPOPMailAccount& account = AddWizardAccount(*store);
    account.Save();
    EXPECT_TRUE(KeyExists(ProfilesNT + "\\Privat\\9375CFF0413111d3B88A00104B2A6676\\00000001"));

    store->SetHangUpAfterSpool(true);
    store->SaveClientSettings();
    const std::string mail = "Software\\Microsoft\\Office\\11.0\\Outlook\\Options\\Mail";
    EXPECT_EQ(IntegerAt(mail, "Hangup After Spool"), 1);
    store->SetHangUpAfterSpool(false);
    store->SaveClientSettings();
    EXPECT_EQ(IntegerAt(mail, "Hangup After Spool"), 0);
}

TEST_F(Outlook2002Save, APasswordNotRememberedIsNotKept) {
    InstallOutlook(Fixture(), 11);
    auto store = Load2002();
    TMailAccount& account = *store->AccountByIndex(0);
    account.SetPassword("Geheim-42");
    account.Save();
    ASSERT_TRUE(BinaryAt(Manager + "\\00000001", "POP3 Password"));
    account.SetRememberPassword(false);
    account.Save();
    EXPECT_FALSE(BinaryAt(Manager + "\\00000001", "POP3 Password"));
    EXPECT_EQ(IntegerAt(Manager + "\\00000001", "POP3 Remember Passwd"), 0);
}

TEST_F(Outlook2002Save, AnAccountOutsideTheListDoesNotJoinItWhenSaved) {
    const std::string list = "\"{ED475418-B0D6-11D2-8C3B-00104B2A6676}\"=hex:01,00,00,00,02,00,00,"
                             "00,03,00,00,\\\r\n  00\r\n";
    ASSERT_NE(Fixture().find(list), std::string::npos);
    struct TRow {
        const char* Case;
        std::string ListValue; // replaces the fixture's list of 1, 2, 3
        int Index;
        bool Default;
        std::optional<std::vector<std::uint32_t>> After; // nullopt: no list value
    };
    const std::string oneTwo = "\"{ED475418-B0D6-11D2-8C3B-00104B2A6676}\"=hex:01,00,00,00,02,00,"
                               "00,00\r\n";
    const TRow rows[] = {
        {"not listed", oneTwo, 2, false, std::vector<std::uint32_t>{1, 2}},
        {"not listed, default", oneTwo, 2, true, std::vector<std::uint32_t>{1, 2}},
        {"listed, default", oneTwo, 1, true, std::vector<std::uint32_t>{2, 1}},
        {"no list", "", 0, true, std::nullopt},
    };
    for (const TRow& row : rows) {
        InstallOutlook(Replaced(Fixture(), list, row.ListValue), 11);
        auto store = Load2002();
        ASSERT_EQ(store->AccountCount(), 3) << row.Case;
        TMailAccount& account = *store->AccountByIndex(row.Index);
        account.SetIsDefault(row.Default);
        account.Save();
        EXPECT_EQ(BinaryAt(Manager, "{ED475418-B0D6-11D2-8C3B-00104B2A6676}").has_value(),
                  row.After.has_value())
            << row.Case;
        EXPECT_EQ(AccountList(), row.After.value_or(std::vector<std::uint32_t>{})) << row.Case;
    }
}

TEST_F(Outlook2002Save, ANewImapAccountGetsTheImapValuesInTheirOrder) {
    InstallOutlook(Fixture(10), 10);
    // The two references of each save.
    TScriptedRandom random({0x1A2B3C4D, 0x5E6F7081, 0x11111111, 0x22222222});
    auto store = Load2002(random);
    auto* account = dynamic_cast<TIMAPMailAccount*>(
        store->AddAccount(AccountKindIMAP, WizardAddress, WizardAddress, "Imap-9"));
    ASSERT_NE(account, nullptr);
    account->SetDisplayName("Anna Muster");
    account->SetIncomingServer("imap.quenlix.example");
    account->SetIncomingPort(993);
    account->SetUseSSL(true);
    account->SetRootFolder("INBOX");
    account->SetSmtpServer("smtp.quenlix.example");
    account->SetSmtpAuthMode(2);
    account->SetSmtpUseSPA(true);
    account->SetSmtpUserName("smtp-anna");
    account->SetSmtpPassword("Senden-7");
    account->SetSmtpRememberPassword(true);
    account->Save();
    const std::string key = Manager + "\\" + account->AccountKey();
    EXPECT_EQ(KeySection(HiveText(), key), TestFile("golden/outlook2002_new_imap_account.reg"));
    TStoredPasswords items(TOutlookPasswordStore::Outlook2002);
    ASSERT_TRUE(items.ObtainProvider());
    EXPECT_EQ(items.ReadStoredPassword("000000001A2B3C4D"), "Imap-9");
    EXPECT_EQ(items.ReadStoredPassword("000000005E6F7081"), "Senden-7");

    account->SetIncomingPort(143);
    account->SetRootFolder("");
    account->Save();
    EXPECT_FALSE(IntegerAt(key, "IMAP Port"));
    EXPECT_FALSE(BinaryAt(key, "IMAP Folder Path"));
}
