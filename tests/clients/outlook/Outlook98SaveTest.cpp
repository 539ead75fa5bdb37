// Outlook 98/2000: saving accounts with their MAPI service keys, and deleting them, all or
// nothing.

#include "OutlookTestSupport.h"

#include "clients/outlook/Outlook98.h"
#include "clients/outlook/StoredPasswords.h"
#include "platform/RegHive.h"
#include "support/ScriptedRandom.h"

using namespace outlook_test;
using testing_support::TScriptedRandom;

namespace {

const std::string Omi = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
const std::string Accounts = Omi + "\\Accounts";
const std::string Profile = ProfilesNT + "\\Outlook";
const std::string Setup90 = "Software\\Microsoft\\Office\\9.0\\Outlook\\Setup";

// The two password references, then the three service keys' GUIDs, of a new account.
std::deque<std::uint32_t> NewAccountDraws() {
    return {12345678,   87654321,   0x5E4F3A2B, 0x11D2C3B4, 0x8A6F7E9D, 0x46665544, 0x0C1D2E3F,
            0x4A5B6C7D, 0x8E9FA0B1, 0xC2D3E4F5, 0x13243546, 0x57687980, 0x91A2B3C4, 0xD5E6F708};
}
const std::string NewService = "5e4f3a2bc3b441d29d7e6f8a44556646";
const std::string NewTransport = "0c1d2e3f6c7d4a5bb1a09f8ef5e4d3c2";
const std::string NewAddressBook = "132435467980476884b3a29108f7e6d5";

std::string StoredPassword98(const std::string& reference) {
    TStoredPasswords passwords(TOutlookPasswordStore::Outlook98);
    return passwords.ObtainProvider() ? passwords.ReadStoredPassword(reference) : std::string();
}

class Outlook98Save : public OutlookFixture {
protected:
    void InstallFixture(const std::string& hkcu = Outlook2000Profiles()) {
        InstallOutlook(hkcu, 9);
    }
    std::unique_ptr<TOutlook98MailAccounts> Load98(TRandomSource& random = SystemRandom()) {
        return std::make_unique<TOutlook98MailAccounts>(false, random);
    }
    std::string Sections(const std::vector<std::string>& keys) const {
        std::string out;
        const std::string hive = HiveText();
        for (const std::string& key : keys) {
            out += (out.empty() ? "" : "\n") + KeySection(hive, key);
        }
        return out;
    }
};

} // namespace

TEST_F(Outlook98Save, TheWizardsNewAccountGetsItsValuesAndItsServiceInTheProfile) {
    InstallFixture();
    TScriptedRandom random(NewAccountDraws());
    auto store = Load98(random);
    TPOPMailAccount& account = AddWizardAccount(*store);
    account.SetIsDefault(true); // the user asked for it
    EXPECT_EQ(account.AccountKey(), "00000004");
    account.Save();
    EXPECT_EQ(random.Left(), 0u);

    EXPECT_EQ(Sections({Omi, Accounts + "\\00000004", Profile + "\\" + NewService,
                        Profile + "\\" + NewTransport, Profile + "\\" + NewAddressBook}),
              TestFile("golden/outlook98_new_account.reg"));
    EXPECT_EQ(IntegerAt(Setup90, "PIMOnly"), 0);
    EXPECT_FALSE(KeyExists("Software\\Microsoft\\Office\\8.0")) << "only where Outlook has it";
    EXPECT_EQ(StoredPassword98("account12345678"), "Geheim-42");
    EXPECT_EQ(HiveText().find("Geheim-42"), std::string::npos) << "no password in clear";
    EXPECT_EQ(account.StoreData().Lines(),
              (std::vector<std::string>{"01023d0e=" + NewService, "01023d02=" + NewTransport,
                                        "01023d01=" + NewAddressBook}));
    EXPECT_EQ(account.StoreLocation(), Accounts + "\\00000004");

    System().Reinstall();
    auto reloaded = Load98();
    ASSERT_EQ(reloaded->AccountCount(), 3);
    const TMailAccount& read = *reloaded->AccountByIndex(2);
    EXPECT_EQ(TMailAccount::DescribeChanges(TMailAccount::Differences(read, account)),
              std::vector<std::string>{"13 new: \"false\", old : \"true\""})
        << "only IsNew differs";
    EXPECT_EQ(read.StoreData().Value("01023d02"), "0C1D2E3F6C7D4A5BB1A09F8EF5E4D3C2");
    EXPECT_FALSE(reloaded->AccountByIndex(0)->IsDefault());
}

TEST_F(Outlook98Save, WithoutMapiProfilesNoServiceIsWritten) {
    InstallFixture(Outlook2000WithoutQualifyingProfile());
    TScriptedRandom random({12345678, 87654321});
    auto store = Load98(random);
    const std::string profileBefore = KeySection(HiveText(), Profile);
    TPOPMailAccount& account = AddWizardAccount(*store);
    account.Save();
    EXPECT_EQ(StringAt(Accounts + "\\00000004", "Account Name"), WizardAddress);
    EXPECT_EQ(account.StoreData().Count(), 0);
    System().Reinstall();
    EXPECT_EQ(KeySection(HiveText(), Profile), profileBefore);
    EXPECT_EQ(Load98()->AccountCount(), 4);
}

TEST_F(Outlook98Save, ValuesAtTheirDefaultsAreDeleted) {
    InstallFixture();
    auto store = Load98();
    auto& account = dynamic_cast<TPOPMailAccount&>(*store->AccountByIndex(1));
    account.SetIncomingPort(110);
    account.SetSmtpPort(25);
    account.SetSmtpTimeout(60);
    account.SetOrganization("");
    account.SetUseSSL(false);
    account.Save();
    const std::string key = Accounts + "\\00000002";
    for (const char* gone : {"POP3 Port", "SMTP Port", "Timeout", "SMTP Organization Name",
                             "POP3 Secure Connection", "POP3 Use Sicily"}) {
        EXPECT_FALSE(IntegerAt(key, gone) || StringAt(key, gone)) << gone;
    }
    EXPECT_EQ(IntegerAt(key, "Connection Type"), 3);
    EXPECT_EQ(IntegerAt(key, "SMTP Use Sicily"), 2);
    EXPECT_EQ(IntegerAt(key, "POP3 Prompt for Password"), 1);
    account.SetSmtpTimeout(120);
    account.SetIncomingPort(1110);
    account.Save();
    EXPECT_EQ(IntegerAt(key, "Timeout"), 120);
    EXPECT_EQ(IntegerAt(key, "POP3 Port"), 1110);
}

TEST_F(Outlook98Save, OnlyTheValuesOfTheCurrentOutgoingModeRemain) {
    InstallFixture();
    TScriptedRandom random(
        {11111111, 22222222, 33333333, 44444444, 55555555, 66666666, 77777777, 88888888});
    auto store = Load98(random);
    TMailAccount& account = *store->AccountByIndex(1);
    const std::string key = Accounts + "\\00000002";
    account.SetSmtpAuthMode(2);
    account.SetSmtpUserName("smtp-anna");
    account.SetSmtpPassword("Senden-7");
    account.SetSmtpRememberPassword(true);
    account.Save();
    EXPECT_EQ(IntegerAt(key, "SMTP Use Sicily"), 3);
    EXPECT_EQ(StringAt(key, "SMTP User Name"), "smtp-anna");
    EXPECT_EQ(BinaryAt(key, "SMTP Password2"),
              ReferenceValueBytes(TOutlookPasswordStore::Outlook98, "account22222222"));
    EXPECT_EQ(IntegerAt(key, "SMTP Prompt for Password"), 0);
    EXPECT_EQ(StoredPassword98("account22222222"), "Senden-7");
    EXPECT_FALSE(BinaryAt(key, "POP3 Password2")) << "an empty password writes no reference";

    account.SetSmtpUseSPA(true);
    account.Save();
    EXPECT_EQ(IntegerAt(key, "SMTP Use Sicily"), 1);
    EXPECT_EQ(BinaryAt(key, "SMTP Password2"),
              ReferenceValueBytes(TOutlookPasswordStore::Outlook98, "account44444444"))
        << "a fresh reference at every save";

    account.SetSmtpAuthMode(1);
    account.Save();
    EXPECT_EQ(IntegerAt(key, "SMTP Use Sicily"), 2);
    for (const char* gone : {"SMTP User Name", "SMTP Password2", "SMTP Prompt for Password"}) {
        EXPECT_FALSE(StringAt(key, gone) || BinaryAt(key, gone) || IntegerAt(key, gone)) << gone;
    }
    account.SetSmtpAuthMode(0);
    account.Save();
    EXPECT_FALSE(IntegerAt(key, "SMTP Use Sicily"));
    EXPECT_EQ(random.Left(), 0u);
}

TEST_F(Outlook98Save, ARenamedAccountRenamesItsServiceTexts) {
    InstallFixture();
    auto store = Load98();
    TMailAccount& account = *store->AccountByIndex(0);
    account.SetAccountName("Privat");
    account.Save();
    const std::string service = Profile + "\\2a3d5e8c1b4f4d7a9e6c0b1a2f3e4d5c";
    const std::string transport = Profile + "\\4b5c6d7e8f9041a2b3c4d5e6f7081920";
    EXPECT_EQ(StringAt(service, "001e3001"), "Internet-E-Mail - Privat");
    EXPECT_EQ(StringAt(service, "001e661f"), "Privat");
    EXPECT_EQ(StringAt(transport, "001e3001"), "Internet-E-Mail - Privat");
    EXPECT_FALSE(KeyExists(Profile + "\\ffffffffffffffffffffffffffffffff"));
    System().Reinstall();
    auto reloaded = Load98();
    ASSERT_EQ(reloaded->AccountCount(), 2) << "still in its profile under the new name";
    EXPECT_EQ(reloaded->AccountByIndex(0)->AccountName(), "Privat");
}

TEST_F(Outlook98Save, TheFirstKeyOfATreeWithoutCounterIsOne) {
    InstallFixture(Key(Omi) + Key(Accounts));
    auto store = Load98();
    ASSERT_EQ(store->ProfileCount(), 1);
    TPOPMailAccount& first = AddWizardAccount(*store);
    TPOPMailAccount& second = AddWizardAccount(*store, "Anders-3");
    EXPECT_EQ(first.AccountKey(), "00000001");
    EXPECT_EQ(second.AccountKey(), "00000002") << "an unsaved key is not handed out twice";
    EXPECT_FALSE(IntegerAt(Omi, "Account Name")) << "the counter moves at the save";
    first.Save();
    EXPECT_EQ(IntegerAt(Omi, "Account Name"), 2);
    EXPECT_EQ(StringAt(Omi, "Default Mail Account"), "00000001");
}

TEST_F(Outlook98Save, DeletingAnAccountTakesItsServiceKeysAndPasswordItems) {
    InstallFixture();
    {
        TStoredPasswords passwords(TOutlookPasswordStore::Outlook98);
        ASSERT_TRUE(passwords.ObtainProvider());
        passwords.WriteStoredPassword("account20000001", "Alt-1");
    }
    auto store = Load98();
    store->DeleteDefaultProfileAccount(0);
    EXPECT_EQ(store->AccountCount(), 1);
    EXPECT_FALSE(KeyExists(Accounts + "\\00000001"));
    for (const char* key : {"2a3d5e8c1b4f4d7a9e6c0b1a2f3e4d5c", "4b5c6d7e8f9041a2b3c4d5e6f7081920",
                            "6d7e8f90a1b24c3d8e9f0a1b2c3d4e5f"}) {
        EXPECT_FALSE(KeyExists(Profile + "\\" + key)) << key;
    }
    EXPECT_TRUE(KeyExists(Profile + "\\a1b2c3d4e5f647188a9b0c1d2e3f4051"));
    EXPECT_TRUE(KeyExists(Profile + "\\0a0d020000000000c000000000000046"));
    EXPECT_EQ(StoredPassword98("account20000001"), "");
}

TEST_F(Outlook98Save, AHiveThatCannotBeWrittenLeavesNoHalfWrittenAccount) {
    InstallFixture();
    auto store = Load98();
    const std::string before = HiveText();
    TPOPMailAccount& account = AddWizardAccount(*store);
    ExpectFailedSave(account, platform::reg::TSaveFault::Rename);
    EXPECT_EQ(HiveText(), before);
    EXPECT_FALSE(KeyExists(Accounts + "\\00000004"));
    EXPECT_EQ(account.StoreData().Count(), 0) << "no service until the save went through";
    account.Save();
    System().Reinstall();
    auto reloaded = Load98();
    ASSERT_EQ(reloaded->AccountCount(), 3);
    EXPECT_EQ(reloaded->AccountByIndex(2)->AccountKey(), "00000004");
    EXPECT_EQ(reloaded->AccountByIndex(2)->Password(), "Geheim-42");
}

TEST_F(Outlook98Save, ANewImapAccountGetsTheImapValuesInTheirOrder) {
    InstallFixture();
    std::deque<std::uint32_t> draws = NewAccountDraws();
    draws.insert(draws.end(), {11111111, 22222222}); // the references of the second save
    TScriptedRandom random(draws);
    auto store = Load98(random);
    auto* account = dynamic_cast<TIMAPMailAccount*>(
        store->AddAccount(AccountKindIMAP, WizardAddress, WizardAddress, "Imap-9"));
    ASSERT_NE(account, nullptr);
    account->SetDisplayName("Anna Muster");
    account->SetIncomingServer("imap.quenlix.example");
    account->SetIncomingPort(993);
    account->SetUseSSL(true);
    account->SetRootFolder("INBOX");
    account->SetSmtpServer("smtp.quenlix.example");
    account->SetSmtpPort(25);
    account->SetSmtpTimeout(90); // no "Timeout" for IMAP accounts
    account->SetSmtpAuthMode(2);
    account->SetSmtpUseSPA(false);
    account->SetSmtpUserName("smtp-anna");
    account->SetSmtpPassword("Senden-7");
    account->SetSmtpRememberPassword(false);
    account->Save();
    const std::string key = Accounts + "\\" + account->AccountKey();
    EXPECT_EQ(KeySection(HiveText(), key), TestFile("golden/outlook98_new_imap_account.reg"));
    EXPECT_EQ(StoredPassword98("account12345678"), "Imap-9");
    EXPECT_EQ(StoredPassword98("account87654321"), "") << "not to be remembered";

    account->SetIncomingPort(143);
    account->SetRootFolder("");
    account->Save();
    EXPECT_FALSE(IntegerAt(key, "IMAP Port"));
    EXPECT_FALSE(StringAt(key, "IMAP Root Folder"));
}
