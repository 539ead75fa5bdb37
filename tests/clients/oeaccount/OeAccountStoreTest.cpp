// What the Windows Mail and the Windows Live Mail store do alike: detection, salt, loading the
// client's own files, the value tables, saving, deleting, reloading and the client settings.

#include "OeAccountTestSupport.h"

#include "accounts/RegistryHelpers.h"
#include "platform/Files.h"
#include "platform/RegHive.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/WriteTransaction.h"
#include "support/ScriptedRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

using namespace oeaccount_test;

namespace {

std::string ClientName(TClient client) {
    return client == TClient::WindowsMail ? "Windows Mail" : "Windows Live Mail";
}

std::string ClientKey(TClient client) {
    return "\\Software\\Microsoft\\" + ClientName(client);
}

TPOPMailAccount& Pop(TMailAccount* account) {
    auto* pop = dynamic_cast<TPOPMailAccount*>(account);
    EXPECT_NE(pop, nullptr);
    return *pop;
}

// The account with that AccountName in the store's profile.
TMailAccount* Named(TOeAccountStore& store, const std::string& name) {
    for (int i = 0; i < store.AccountCount(); ++i) {
        if (store.AccountByIndex(i)->AccountName() == name) {
            return store.AccountByIndex(i);
        }
    }
    ADD_FAILURE() << "no account " << name;
    return nullptr;
}

class OeAccountStoreTest : public OeAccountFixture, public ::testing::WithParamInterface<TClient> {
protected:
    TClient Client() const { return GetParam(); }
    void Install(const TInstall& install = {}) { OeAccountFixture::Install(Client(), install); }
    std::unique_ptr<TOeAccountStore> Store(bool autoSave = false) {
        return MakeStore(Client(), autoSave);
    }
};

// ---- Detection ----

// Windows Mail expands its App Paths entry; Windows Live Mail takes its entry as written.
TEST_P(OeAccountStoreTest, AnInstalledClientHasOneDefaultProfileOverItsStoreFolder) {
    Install();
    const auto store = Store();
    const bool mail = Client() == TClient::WindowsMail;
    EXPECT_TRUE(store->Installed());
    EXPECT_EQ(store->ClientName(), ClientName(Client()));
    EXPECT_EQ(store->ClientVersion(), mail ? "6.0.6002.18005" : "15.4.3555.308");
    EXPECT_EQ(store->ClientMajorVersion(), mail ? 6 : 15);
    EXPECT_EQ(store->StoreDirectory(),
              "C:\\Users\\User\\AppData\\Local\\Microsoft\\" + ClientName(Client()) + "\\");
    EXPECT_TRUE(store->AccountPasswordsAvailable());
    EXPECT_TRUE(store->HangUpAfterSpool()); // no "Hangup After Spool" value
    EXPECT_FALSE(store->AutoSave());
    EXPECT_EQ(store->SaltHex(), FixtureSaltHex);
    EXPECT_EQ(store->StoreDirectory(), StoreDir);
    ASSERT_EQ(store->ProfileCount(), 1);
    const TMailProfile* profile = store->DefaultProfile();
    EXPECT_EQ(profile->Name(), "Mainprofile");
    EXPECT_TRUE(profile->IsDefaultProfile());
    EXPECT_EQ(profile->Location(), StoreDir);
    EXPECT_EQ(profile->AccountsLocation(), StoreDir.substr(0, StoreDir.size() - 1));
    EXPECT_EQ(profile->AccountFilePattern(), "*.oeaccount");
    EXPECT_EQ(store->AccountCount(), 0);
}

TEST_P(OeAccountStoreTest, AMissingProgramOrClientKeyLeavesTheStoreEmpty) {
    const struct {
        const char* What;
        TInstall Install;
    } rows[] = {
        {"no App Paths entry", InstallWith(&TInstall::Program, false)},
        {"no client key", InstallWith(&TInstall::ClientKey, false)},
    };
    for (const auto& row : rows) {
        Install(row.Install);
        const auto store = Store();
        EXPECT_FALSE(store->Installed()) << row.What;
        EXPECT_EQ(store->ProfileCount(), 0) << row.What;
        EXPECT_EQ(store->AccountByIndex(0), nullptr) << row.What;
        EXPECT_EQ(store->AddAccount(AccountKindPOP, "a@b", "a@b", "pw"), nullptr) << row.What;
    }
    // The App Paths entry naming a program that is not there.
    Install();
    ASSERT_TRUE(platform::DeleteFile(Exe));
    EXPECT_FALSE(Store()->Installed());
}

// Windows Mail counts as its first release; Windows Live Mail has no version.
TEST_P(OeAccountStoreTest, AProgramWithoutVersionResourceIsInstalledWithTheClientsFallback) {
    Install(InstallWith(&TInstall::VersionResource, false));
    const auto store = Store();
    const bool mail = Client() == TClient::WindowsMail;
    EXPECT_TRUE(store->Installed());
    EXPECT_EQ(store->ClientVersion(), mail ? "6.0.6000.16386" : "");
    EXPECT_EQ(store->ClientMajorVersion(), mail ? 6 : 0);
}

TEST_P(OeAccountStoreTest, EitherWindowsClientRegisteredAsDefaultMakesBothTheDefault) {
    const struct {
        const char* Registered;
        bool Default;
    } rows[] = {{"Windows Mail", true},
                {"Windows Live Mail", true},
                {"Mozilla Thunderbird", false},
                {"windows mail", false},
                {"", false}};
    for (const auto& row : rows) {
        Install(InstallWith(&TInstall::DefaultMailClient, row.Registered));
        EXPECT_EQ(Store()->IsDefaultClient(), row.Default) << row.Registered;
    }
}

TEST_P(OeAccountStoreTest, HangUpAfterSpoolIsOnUnlessTheClientSaysOtherwise) {
    for (const auto& [value, expected] : std::vector<std::pair<std::string, bool>>{
             {"dword:00000000", false}, {"dword:00000001", true}, {"dword:00000002", false}}) {
        Install(InstallWith(&TInstall::ExtraHkcu, "[HKEY_CURRENT_USER" + ClientKey(Client()) +
                                                      "]\n\"Hangup After Spool\"=" + value +
                                                      "\n\n"));
        EXPECT_EQ(Store()->HangUpAfterSpool(), expected) << value;
    }
}

// ---- The salt ----

TEST_P(OeAccountStoreTest, AMissingSaltIsMadeBeforeAnyAccountIsRead) {
    Install(InstallWith(&TInstall::SaltValue, ""));
    // The scripted numbers make the salt of the fixture, so a password sealed with it can only
    // be read when the salt exists before the account files are.
    std::deque<std::uint32_t> numbers;
    for (std::size_t i = 0; i < 16; i += 4) {
        numbers.push_back(FixtureSalt[i] | FixtureSalt[i + 1] << 8 | FixtureSalt[i + 2] << 16 |
                          static_cast<std::uint32_t>(FixtureSalt[i + 3]) << 24);
    }
    testing_support::TScriptedRandom random(numbers);
    WriteAccount("Quenlix\\account{1}.oeaccount", ClientPopAccount(Sealed("Geheim-42")));

    const auto store = MakeStore(Client(), false, random);
    EXPECT_EQ(store->SaltHex(), FixtureSaltHex);
    ASSERT_EQ(store->AccountCount(), 1);
    EXPECT_EQ(store->AccountByIndex(0)->Password(), "Geheim-42");
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly(ClientKey(Client())));
    EXPECT_EQ(registry.GetDataType("Salt"), platform::TRegDataType::rdBinary);
    EXPECT_EQ(registry.ReadBinaryData("Salt"), FixtureSalt);
}

// A salt that cannot be stored would seal passwords the client can never read: passwords are
// left alone instead, and the program starts.
TEST_P(OeAccountStoreTest, ASaltThatCannotBeStoredLeavesPasswordsAlone) {
    Install(InstallWith(&TInstall::SaltValue, ""));
    WriteAccount("Quenlix\\account{1}.oeaccount", ClientPopAccount(Sealed("x")));
    platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::Write);
    const auto store = Store();
    platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::None);
    EXPECT_TRUE(store->Installed());
    EXPECT_FALSE(store->AccountPasswordsAvailable());
    EXPECT_EQ(store->SaltHex(), "");
    ASSERT_EQ(store->AccountCount(), 1);
    EXPECT_EQ(store->AccountByIndex(0)->Password(), "");
}

TEST_P(OeAccountStoreTest, ASaltOfAnotherLengthIsUsedAsTheClientKeepsIt) {
    const std::vector<std::uint8_t> shortSalt = {1, 2, 3, 4, 5, 6, 7, 8};
    Install(InstallWith(&TInstall::SaltValue, RegBinary(shortSalt)));
    WriteAccount("Quenlix\\account{1}.oeaccount",
                 ClientPopAccount(ProtectPassword("Geheim-42", BytesToHex(shortSalt))));
    const auto store = Store();
    EXPECT_EQ(store->SaltHex(), "0102030405060708");
    ASSERT_EQ(store->AccountCount(), 1);
    EXPECT_EQ(store->AccountByIndex(0)->Password(), "Geheim-42");
}

TEST_P(OeAccountStoreTest, ASaltThatIsNoBinaryDataLeavesPasswordsAloneAndTheValueAsItIs) {
    for (const std::string salt : {"\"5A0C913E\"", "dword:00000001", "hex:"}) {
        Install(InstallWith(&TInstall::SaltValue, salt));
        WriteAccount("Quenlix\\account{1}.oeaccount", ClientPopAccount(Sealed("Geheim-42")));
        const auto store = Store();
        ASSERT_TRUE(store->Installed()) << salt;
        EXPECT_FALSE(store->AccountPasswordsAvailable()) << salt;
        ASSERT_EQ(store->AccountCount(), 1) << salt;
        TMailAccount& account = *store->AccountByIndex(0);
        EXPECT_EQ(account.Password(), "") << salt;
        EXPECT_EQ(account.EmailAddress(), "anna.muster@quenlix.example") << salt;

        // A save keeps what it cannot seal out of the file instead of sealing it wrongly.
        account.SetPassword("new");
        account.Save();
        const auto saved = TOeAccountDocument::Parse(ReadAccount(account.AccountKey()));
        ASSERT_TRUE(saved.has_value());
        EXPECT_FALSE(saved->HasValue("POP3_Password2")) << salt;
        EXPECT_FALSE(saved->HasValue("SMTP_Password2")) << salt;
        EXPECT_EQ(ReadDwordValue(*saved, "SMTP_Use_Sicily", 0), 2u) << salt;
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKeyReadOnly(ClientKey(Client())));
        EXPECT_NE(registry.GetDataType("Salt"), platform::TRegDataType::rdUnknown) << salt;
    }
}

// ---- Loading ----

TEST_P(OeAccountStoreTest, ReadsTheClientsOwnPopAccount) {
    Install();
    const std::string path = WriteAccount("Local Folders\\account{6A1C}.oeaccount",
                                          ClientPopAccount(Sealed("Geheim-42")));
    const auto store = Store();
    ASSERT_EQ(store->AccountCount(), 1);
    TPOPMailAccount& account = Pop(store->AccountByIndex(0));
    EXPECT_EQ(account.AccountKey(), path);
    EXPECT_EQ(account.StoreLocation(), path);
    EXPECT_FALSE(account.IsNew());
    EXPECT_EQ(account.AccountName(), "Quenlix");
    EXPECT_EQ(account.DisplayName(), "Anna Müller");
    EXPECT_EQ(account.EmailAddress(), "anna.muster@quenlix.example");
    EXPECT_EQ(account.UserName(), "anna.muster@quenlix.example");
    EXPECT_EQ(account.Password(), "Geheim-42");
    EXPECT_TRUE(account.RememberPassword());
    EXPECT_EQ(account.IncomingServer(), "pop.quenlix.example");
    EXPECT_EQ(account.IncomingPort(), 995);
    EXPECT_TRUE(account.UseSSL());
    EXPECT_FALSE(account.UseSPA());
    EXPECT_EQ(account.IncomingTimeout(), 60);
    EXPECT_TRUE(account.LeaveOnServer());
    EXPECT_TRUE(account.RemoveWhenExpired());
    EXPECT_EQ(account.ExpireDays(), 14);
    EXPECT_TRUE(account.RemoveWhenDeleted());
    EXPECT_EQ(account.SmtpServer(), "smtp.quenlix.example");
    EXPECT_EQ(account.SmtpPort(), 465);
    EXPECT_TRUE(account.SmtpUseSSL());
    EXPECT_EQ(account.SmtpAuthMode(), 1);
    EXPECT_EQ(account.SmtpPassword(), "Geheim-42");
    EXPECT_EQ(account.SmtpTimeout(), 60);
    EXPECT_EQ(account.ConnectionType(), 0);
    EXPECT_FALSE(account.IsDefault());
}

TEST_P(OeAccountStoreTest, ReadsTheClientsOwnImapAccountOnADialUpConnection) {
    Install();
    WriteAccount("Work Mail\\account{77}.oeaccount",
                 ClientImapAccount(Sealed("imap-secret"), Sealed("smtp-secret")));
    const auto store = Store();
    ASSERT_EQ(store->AccountCount(), 1);
    auto* account = dynamic_cast<TIMAPMailAccount*>(store->AccountByIndex(0));
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(account->AccountName(), "Work: Mail");
    EXPECT_EQ(account->Organization(), "Example & Co");
    EXPECT_EQ(account->ReplyTo(), "desk@example.org");
    EXPECT_EQ(account->UserName(), "bob");
    EXPECT_EQ(account->Password(), "imap-secret");
    EXPECT_EQ(account->IncomingServer(), "imap.example.org");
    EXPECT_EQ(account->IncomingPort(), 143);
    EXPECT_TRUE(account->UseSPA());
    EXPECT_FALSE(account->UseSSL());
    EXPECT_EQ(account->SmtpAuthMode(), 2);
    EXPECT_EQ(account->SmtpUserName(), "bob-out");
    EXPECT_EQ(account->SmtpPassword(), "smtp-secret");
    EXPECT_FALSE(account->SmtpUseSPA());
    EXPECT_EQ(account->SmtpTimeout(), 90);
    EXPECT_EQ(account->ConnectionType(), 3);
    EXPECT_EQ(account->ConnectionName(), "Office Dial-up");
    EXPECT_EQ(account->RootFolder(), ""); // neither read nor written by these stores
}

TEST_P(OeAccountStoreTest, OnlyMailAccountFilesOneFolderDownLoadAndBadFilesAreLeftOut) {
    Install();
    WriteAccount("Local Folders\\account{1}.oeaccount", ClientPopAccount(Sealed("one")));
    WriteAccount("news.example.org\\account{2}.oeaccount", ClientNewsAccount);
    WriteAccount("account{3}.oeaccount", ClientPopAccount(Sealed("top level")));
    WriteAccount("Deep\\Deeper\\account{4}.oeaccount", ClientPopAccount(Sealed("too deep")));
    WriteAccount("Local Folders\\account{5}.xml", ClientPopAccount(Sealed("other pattern")));
    System->WriteFile(StoreDir + "Broken\\account{6}.oeaccount",
                      ClientFile("<MessageAccount><POP3_Server type=\"SZ\">x</POP3"));
    System->WriteFile(StoreDir + "Broken\\account{7}.oeaccount", "");
    System->WriteFile(StoreDir + "Broken\\account{8}.oeaccount", std::string("\0\xFF\x01", 3));
    WriteAccount("Work Mail\\account{9}.oeaccount",
                 ClientImapAccount(Sealed("imap"), Sealed("smtp")));

    const auto store = Store();
    ASSERT_EQ(store->AccountCount(), 2);
    EXPECT_EQ(store->AccountByIndex(0)->Password(), "one");
    EXPECT_EQ(store->AccountByIndex(0)->Kind(), AccountKindPOP);
    EXPECT_EQ(store->AccountByIndex(1)->Password(), "imap");
    EXPECT_EQ(store->AccountByIndex(1)->Kind(), AccountKindIMAP);
}

TEST_P(OeAccountStoreTest, DefaultMailAccountMarksTheFileOfExactlyThatName) {
    Install(InstallWith(&TInstall::ExtraHkcu, DefaultMailAccountReg("account{B}.oeaccount")));
    const std::string pop = ClientPopAccount(Sealed("x"));
    WriteAccount("A\\account{A}.oeaccount", pop);
    WriteAccount("B\\account{B}.oeaccount", pop);
    WriteAccount("C\\account{b}.oeaccount", pop);
    const auto store = Store();
    ASSERT_EQ(store->AccountCount(), 3);
    EXPECT_FALSE(store->AccountByIndex(0)->IsDefault());
    EXPECT_TRUE(store->AccountByIndex(1)->IsDefault());
    EXPECT_FALSE(store->AccountByIndex(2)->IsDefault()); // the name compares with case

    // Two files of that name in different folders: the last one loaded wins.
    WriteAccount("D\\account{B}.oeaccount", pop);
    const auto again = Store();
    ASSERT_EQ(again->AccountCount(), 4);
    EXPECT_FALSE(again->AccountByIndex(1)->IsDefault());
    EXPECT_TRUE(again->AccountByIndex(3)->IsDefault());
}

// The open points of the format: values that are not what their type says read as defaults,
// and a password text that is no whole hexadecimal bytes reads as no password.
TEST_P(OeAccountStoreTest, ValuesThatAreNotWhatTheirTypeSaysReadAsDefaults) {
    Install();
    WriteAccount("Odd\\account{1}.oeaccount",
                 "<?xml version=\"1.0\" encoding=\"utf-16\" ?>\n<MessageAccount>\n"
                 "\t<Account_Name type=\"SZ\">Odd</Account_Name>\n"
                 "\t<POP3_Server type=\"SZ\">pop.example.org</POP3_Server>\n"
                 "\t<POP3_Port type=\"SZ\">995</POP3_Port>\n"
                 "\t<POP3_Timeout type=\"DWORD\">sixty</POP3_Timeout>\n"
                 "\t<POP3_Secure_Connection type=\"dword\">1</POP3_Secure_Connection>\n"
                 "\t<POP3_Password2 type=\"BINARY\">0A1</POP3_Password2>\n"
                 "\t<SMTP_Port type=\"DWORD\">0x1D1</SMTP_Port>\n"
                 "\t<SMTP_Use_Sicily type=\"DWORD\">2</SMTP_Use_Sicily>\n"
                 "</MessageAccount>\n");
    WriteAccount("Odd\\account{2}.oeaccount",
                 "<MessageAccount><Account_Name type=\"SZ\">Pair</Account_Name>"
                 "<POP3_Server type=\"SZ\">p</POP3_Server>"
                 "<POP3_Password2 type=\"BINARY\">0AXZ</POP3_Password2></MessageAccount>");
    const auto store = Store();
    ASSERT_EQ(store->AccountCount(), 2);
    TPOPMailAccount& odd = Pop(Named(*store, "Odd"));
    EXPECT_EQ(odd.IncomingPort(), 110);
    EXPECT_EQ(odd.IncomingTimeout(), 60);
    EXPECT_TRUE(odd.UseSSL());
    EXPECT_EQ(odd.Password(), "");
    EXPECT_TRUE(odd.RememberPassword());
    EXPECT_EQ(odd.SmtpPort(), 25);
    TPOPMailAccount& pair = Pop(Named(*store, "Pair"));
    EXPECT_EQ(pair.Password(), "");
    EXPECT_TRUE(pair.RememberPassword());
}

TEST_P(OeAccountStoreTest, OutgoingAuthenticationAsTheClientKeepsIt) {
    const struct {
        const char* Sicily; // "" for no element
        int Mode;
        const char* User;
        const char* Password;
        bool Spa;
    } rows[] = {
        {"", 0, "", "", false},
        {"00000000", 0, "", "", false},
        {"00000001", 2, "out", "smtp-pw", true},
        {"00000002", 1, "", "in-pw", false},
        {"00000003", 2, "out", "smtp-pw", false},
        {"00000007", 0, "", "", false}, // unknown: the fields keep what they had
    };
    Install();
    int n = 0;
    for (const auto& row : rows) {
        std::string text = "<MessageAccount><Account_Name type=\"SZ\">" + std::to_string(n) +
                           "</Account_Name><POP3_Server type=\"SZ\">p</POP3_Server>"
                           "<POP3_Password2 type=\"BINARY\">" +
                           Sealed("in-pw") +
                           "</POP3_Password2><SMTP_User_Name type=\"SZ\">out</SMTP_User_Name>"
                           "<SMTP_Password2 type=\"BINARY\">" +
                           Sealed("smtp-pw") + "</SMTP_Password2>";
        if (*row.Sicily != '\0') {
            text +=
                std::string("<SMTP_Use_Sicily type=\"DWORD\">") + row.Sicily + "</SMTP_Use_Sicily>";
        }
        WriteAccount("A" + std::to_string(n++) + "\\x.oeaccount", text + "</MessageAccount>");
    }
    const auto store = Store();
    ASSERT_EQ(store->AccountCount(), static_cast<int>(std::size(rows)));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const TMailAccount& account = *Named(*store, std::to_string(i));
        EXPECT_EQ(account.SmtpAuthMode(), rows[i].Mode) << rows[i].Sicily;
        EXPECT_EQ(account.SmtpUserName(), rows[i].User) << rows[i].Sicily;
        EXPECT_EQ(account.SmtpPassword(), rows[i].Password) << rows[i].Sicily;
        EXPECT_EQ(account.SmtpUseSPA(), rows[i].Spa) << rows[i].Sicily;
    }
}

// ---- Saving ----

TEST_P(OeAccountStoreTest, NewAccountKeysAreGuidFileNames) {
    Install();
    const auto store = Store();
    const std::string key = store->NewAccountKey(store->DefaultProfile());
    EXPECT_TRUE(std::regex_match(
        key,
        std::regex(
            R"(account\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}\.oeaccount)")))
        << key;
    EXPECT_NE(store->NewAccountKey(store->DefaultProfile()), key);
}

TEST_P(OeAccountStoreTest, AnAdaptedAccountIsRewrittenInPlaceWithTheTableValuesOnly) {
    Install();
    const std::string path =
        WriteAccount("Local Folders\\account{6A1C}.oeaccount", ClientPopAccount(Sealed("old")));
    const auto store = Store();
    TPOPMailAccount& account = Pop(store->AccountByIndex(0));
    account.SetPassword("Geheim-42");
    account.Save();

    EXPECT_EQ(account.AccountKey(), path);
    EXPECT_EQ(store->AccountCount(), 1);
    const std::string bytes = ReadAccount(path);
    const auto document = TOeAccountDocument::Parse(bytes);
    ASSERT_TRUE(document.has_value());
    EXPECT_FALSE(document->HasValue("POP3_Prompt_for_Password"));
    EXPECT_FALSE(document->HasValue("SMTP_Split_Messages"));
    EXPECT_EQ(ReadDwordValue(*document, "Expire_Days", 0), 14u);
    EXPECT_EQ(UnprotectPassword(ReadBinaryValue(*document, "POP3_Password2", ""), FixtureSaltHex),
              "Geheim-42");
    EXPECT_EQ(DefaultMailAccount(), "<no IAM key>"); // not the default: the value is left alone
}

TEST_P(OeAccountStoreTest, DefaultsAreWrittenByLeavingTheValuesOut) {
    Install();
    const auto store = Store();
    TPOPMailAccount& account =
        Pop(store->AddAccount(AccountKindPOP, "plain@example.org", "plain@example.org", ""));
    account.SetIncomingServer("pop.example.org");
    account.Save();

    const std::string bytes = ReadAccount(account.AccountKey());
    EXPECT_EQ(MaskSealed(bytes, {{"POP3_Password2", ""}}),
              Utf16File("<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<MessageAccount>"
                        "<Connection_Type type=\"DWORD\">00000003</Connection_Type>"
                        "<Account_Name type=\"SZ\">plain@example.org</Account_Name>"
                        "<SMTP_Display_Name type=\"SZ\">plain@example.org</SMTP_Display_Name>"
                        "<SMTP_Email_Address type=\"SZ\">plain@example.org</SMTP_Email_Address>"
                        "<POP3_User_Name type=\"SZ\">plain@example.org</POP3_User_Name>"
                        "<POP3_Password2 type=\"BINARY\">@SEALED@</POP3_Password2>"
                        "<POP3_Server type=\"SZ\">pop.example.org</POP3_Server>"
                        "<POP3_Timeout type=\"DWORD\">0000003C</POP3_Timeout>"
                        "<SMTP_Timeout type=\"DWORD\">0000003C</SMTP_Timeout>"
                        "</MessageAccount>\r\n"));

    // Read back: the defaults, and a remembered empty password.
    const auto again = Store();
    ASSERT_EQ(again->AccountCount(), 1);
    TPOPMailAccount& read = Pop(again->AccountByIndex(0));
    EXPECT_EQ(read.IncomingPort(), 110);
    EXPECT_FALSE(read.UseSSL());
    EXPECT_EQ(read.SmtpPort(), 25);
    EXPECT_EQ(read.SmtpAuthMode(), 0);
    EXPECT_EQ(read.ReplyTo(), "");
    EXPECT_EQ(read.Password(), "");
    EXPECT_TRUE(read.RememberPassword());
    EXPECT_TRUE(read.IsDefault()); // the only account of the profile
}

// The server's element is what makes a file an account: a save never drops it.
TEST_P(OeAccountStoreTest, AnAccountWithoutServerStaysAnAccountOfItsKind) {
    Install();
    WriteAccount("Odd\\account{1}.oeaccount",
                 "<MessageAccount><Account_Name type=\"SZ\">Typed</Account_Name>"
                 "<IMAP_Server type=\"DWORD\">1</IMAP_Server></MessageAccount>");
    {
        const auto store = Store();
        store->AddAccount(AccountKindPOP, "a@b", "New", "")->Save();
        ASSERT_EQ(store->AccountCount(), 2);
        store->AccountByIndex(0)->Save();
        const auto document =
            TOeAccountDocument::Parse(ReadAccount(store->AccountByIndex(1)->AccountKey()));
        ASSERT_TRUE(document.has_value());
        EXPECT_TRUE(document->HasValue("POP3_Server"));
        EXPECT_EQ(ReadStringValue(*document, "POP3_Server", "-"), "");
    }
    const auto again = Store();
    ASSERT_EQ(again->AccountCount(), 2);
    EXPECT_EQ(Named(*again, "Typed")->Kind(), AccountKindIMAP);
    EXPECT_EQ(Named(*again, "New")->Kind(), AccountKindPOP);
}

TEST_P(OeAccountStoreTest, TheLeaveOnServerGroupIsWrittenOnlyUnderLeaveOnServer) {
    Install();
    const auto store = Store();
    TPOPMailAccount& account = Pop(store->AddAccount(AccountKindPOP, "a@b", "a@b", "x"));
    account.SetRemoveWhenExpired(true);
    account.SetRemoveWhenDeleted(true);
    account.SetExpireDays(9);
    account.Save();
    auto document = TOeAccountDocument::Parse(ReadAccount(account.AccountKey()));
    ASSERT_TRUE(document.has_value());
    for (const char* name :
         {"Leave_Mail_On_Server", "Remove_When_Expired", "Expire_Days", "Remove_When_Deleted"}) {
        EXPECT_FALSE(document->HasValue(name)) << name;
    }
    account.SetLeaveOnServer(true);
    account.Save();
    document = TOeAccountDocument::Parse(ReadAccount(account.AccountKey()));
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(ReadDwordValue(*document, "Leave_Mail_On_Server", 0), 1u);
    EXPECT_EQ(ReadDwordValue(*document, "Remove_When_Expired", 0), 1u);
    EXPECT_EQ(ReadDwordValue(*document, "Expire_Days", 0), 9u);
    EXPECT_EQ(ReadDwordValue(*document, "Remove_When_Deleted", 0), 1u);
}

// The setup page's account (the worked example of the format), written byte for byte: Windows
// Mail puts it into "Local Folders", Windows Live Mail into a folder named after it. Setting what
// the new account already has writes the same file again.
TEST_P(OeAccountStoreTest, TheProviderAccountIsWrittenInTheClientsOrder) {
    Install();
    WriteAccount("Local Folders\\account{OLD}.oeaccount", ClientPopAccount(Sealed("x")));
    const auto store = Store();
    const std::string address = "anna.muster@quenlix.example";
    TPOPMailAccount& account =
        Pop(store->AddAccount(AccountKindPOP, address, address, "Geheim-42"));
    const std::string key = account.AccountKey();
    ASSERT_EQ(platform::ExtractFilePath(key), "");
    account.SetDisplayName("Anna Müller");
    account.SetIncomingServer("pop.quenlix.example");
    account.SetUseSSL(true);
    account.SetIncomingPort(995);
    account.SetLeaveOnServer(true);
    account.SetSmtpServer("smtp.quenlix.example");
    account.SetSmtpAuthMode(1);
    account.SetSmtpUseSSL(true);
    account.SetSmtpPort(465);
    account.SetIsDefault(true);
    const std::string folder =
        StoreDir + (Client() == TClient::WindowsMail ? "Local Folders" : address) + "\\";
    for (int save = 0; save < 2; ++save) {
        SCOPED_TRACE(save == 0 ? "first save" : "second save");
        account.Save();
        EXPECT_EQ(account.AccountKey(), folder + key);
        EXPECT_EQ(account.StoreLocation(), folder + key); // where a reload reads it
        EXPECT_EQ(MaskSealed(ReadAccount(folder + key),
                             {{"POP3_Password2", "Geheim-42"}, {"SMTP_Password2", "Geheim-42"}}),
                  Golden("worked-example.oeaccount"));
        EXPECT_EQ(DefaultMailAccount(), key);
        account.SetAccountName(address);
        account.SetEmailAddress(address);
        account.SetUserName(address);
        account.SetPassword("Geheim-42");
        account.SetRememberPassword(true);
        account.SetUseSPA(false);
        account.SetSmtpUseSPA(false);
    }
    // A save of a change rewrites the same file.
    account.SetDisplayName("Anna M.");
    account.Save();
    EXPECT_EQ(account.AccountKey(), folder + key);
    EXPECT_EQ(platform::FindFiles(folder + "*.oeaccount").size(),
              Client() == TClient::WindowsMail ? 2u : 1u);
}

TEST_P(OeAccountStoreTest, TheClientsImapAccountSavedAgainKeepsItsValuesInTheClientsOrder) {
    Install();
    const std::string path =
        WriteAccount("Work Mail\\account{77}.oeaccount",
                     ClientImapAccount(Sealed("imap-secret"), Sealed("smtp-secret")));
    const auto store = Store();
    store->AccountByIndex(0)->Save();
    EXPECT_EQ(MaskSealed(ReadAccount(path),
                         {{"IMAP_Password2", "imap-secret"}, {"SMTP_Password2", "smtp-secret"}}),
              Golden("imap-dial-up-own-login.oeaccount"));
}

TEST_P(OeAccountStoreTest, ASavedDefaultIsRecognisedAfterARestart) {
    Install();
    std::string key;
    {
        const auto store = Store();
        WriteAccount("Other\\account{0}.oeaccount", ClientPopAccount(Sealed("x")));
        auto& account = Pop(store->AddAccount(AccountKindPOP, "a@b", "a@b", "pw"));
        account.SetIncomingServer("pop.example.org");
        account.SetIsDefault(true);
        account.Save();
        key = account.AccountKey();
        EXPECT_EQ(DefaultMailAccount(), platform::ExtractFileName(key));
    }
    System->Reinstall();
    const auto store = Store();
    ASSERT_EQ(store->AccountCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const TMailAccount& account = *store->AccountByIndex(i);
        EXPECT_EQ(account.IsDefault(), account.AccountKey() == key) << account.AccountKey();
        EXPECT_EQ(account.Password(), account.AccountKey() == key ? "pw" : "x");
    }
}

TEST_P(OeAccountStoreTest, ANewImapAccountGetsAFolderNamedAfterItWithoutForbiddenCharacters) {
    Install();
    System->WriteFile(StoreDir + "WorkMail (1)\\keep.txt", "taken");
    System->WriteFile(StoreDir + "WorkMail", "a file of that name");
    const auto store = Store();
    EXPECT_EQ(store->UniqueAccountFolder("Work:Mail"), "WorkMail (2)\\");
    EXPECT_EQ(store->UniqueAccountFolder("a\"*/:<>?\\|b\tc"), "abc\\");
    EXPECT_EQ(store->UniqueAccountFolder("fresh"), "fresh\\");

    std::vector<std::string> folders;
    for (int i = 0; i < 2; ++i) {
        TMailAccount* account =
            store->AddAccount(AccountKindIMAP, "bob@example.org", "Work:Mail", "");
        account->Save();
        folders.push_back(platform::ExtractFilePath(account->AccountKey()));
        EXPECT_TRUE(System->Exists(account->AccountKey()));
    }
    EXPECT_EQ(folders,
              (std::vector<std::string>{StoreDir + "WorkMail (2)\\", StoreDir + "WorkMail (3)\\"}));
}

TEST_P(OeAccountStoreTest, ASaveThatCannotWriteTheFileChangesNothingAndSaysWhat) {
    Install(InstallWith(&TInstall::ExtraHkcu, DefaultMailAccountReg("account{0}.oeaccount")));
    const std::string path =
        WriteAccount("Local Folders\\account{1}.oeaccount", ClientPopAccount(Sealed("old")));
    const std::string before = ReadAccount(path);
    ASSERT_TRUE(platform::SetFileAttributes(path, platform::FILE_ATTRIBUTE_READONLY));
    const auto store = Store();
    TMailAccount& account = *store->AccountByIndex(0);
    account.SetPassword("Secret-Password-1");
    account.SetIsDefault(true);

    const std::string message = ErrorOf<std::exception>([&] { account.Save(); });
    EXPECT_NE(message.find("account{1}.oeaccount"), std::string::npos) << message;
    EXPECT_EQ(message.find("Secret-Password-1"), std::string::npos) << message;
    EXPECT_EQ(ReadAccount(path), before);
    EXPECT_EQ(DefaultMailAccount(), "account{0}.oeaccount");
    EXPECT_EQ(account.AccountKey(), path);
}

TEST_P(OeAccountStoreTest, APasswordThatCannotBeSealedStopsTheSaveWithNothingWritten) {
    Install();
    // Data protection keeps the user's master keys below this folder; a file in its place
    // leaves it without a key.
    System->WriteFile(platform::MachineFacts().AppData + "\\Microsoft\\Protect", "in the way");
    const auto store = Store();
    TMailAccount* account = store->AddAccount(AccountKindPOP, "a@b", "a@b", "pw");
    const std::string key = account->AccountKey();
    account->SetIsDefault(true);
    EXPECT_NE(ErrorOf<EOeAccountError>([&] { account->Save(); }).find("POP3_Password2"),
              std::string::npos);
    EXPECT_EQ(account->AccountKey(), key);
    EXPECT_TRUE(platform::FindFiles(StoreDir + "*").empty());
    EXPECT_EQ(DefaultMailAccount(), "<no IAM key>");
}

// A save whose last part cannot be written takes back its first parts: no new file, no new
// folder, the adapted file as it was, the default value as it was, the key still bare.
TEST_P(OeAccountStoreTest, ASaveWhoseRegistryPartFailsTakesBackItsFiles) {
    Install(InstallWith(&TInstall::ExtraHkcu, DefaultMailAccountReg("account{0}.oeaccount")));
    const std::string path =
        WriteAccount("Quenlix\\account{1}.oeaccount", ClientPopAccount(Sealed("old")));
    const std::string before = ReadAccount(path);
    const auto store = Store();
    TMailAccount& adapted = *store->AccountByIndex(0);
    adapted.SetPassword("Secret-Password-1");
    TMailAccount& created = *store->AddAccount(AccountKindPOP, "new@b", "new@b", "pw");
    const std::string key = created.AccountKey();
    const auto folders = platform::FindFiles(StoreDir + "*");

    for (TMailAccount* account : {&adapted, &created}) {
        account->SetIsDefault(true);
        platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::Write);
        const std::string message = ErrorOf<platform::ESystemError>([&] { account->Save(); });
        EXPECT_NE(message.find("HKEY_CURRENT_USER"), std::string::npos) << message;
        EXPECT_EQ(message.find("Secret-Password-1"), std::string::npos) << message;
        platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::None);
        EXPECT_EQ(DefaultMailAccount(), "account{0}.oeaccount");
    }
    EXPECT_EQ(ReadAccount(path), before);
    EXPECT_EQ(adapted.AccountKey(), path);
    EXPECT_EQ(created.AccountKey(), key);
    EXPECT_EQ(platform::FindFiles(StoreDir + "*").size(), folders.size());

    // Nothing is in the way of the next try.
    created.Save();
    EXPECT_EQ(DefaultMailAccount(), key);
    EXPECT_TRUE(System->Exists(created.AccountKey()));
}

// A dry run of a save lists what it would write and writes nothing.
TEST_P(OeAccountStoreTest, ADryRunListsTheFolderTheFileAndTheDefaultValue) {
    Install();
    const auto store = Store();
    TMailAccount& account = *store->AddAccount(AccountKindPOP, "a@b", "a@b", "pw");
    const std::string key = account.AccountKey();
    platform::TPreparedChanges changes;
    {
        platform::TWriteTransaction dryRun(platform::TTransactionMode::DryRun);
        account.Save();
        changes = dryRun.Commit();
    }
    EXPECT_EQ(account.AccountKey(), key);
    EXPECT_TRUE(platform::FindFiles(StoreDir + "*").empty());
    EXPECT_EQ(DefaultMailAccount(), "<no IAM key>");

    const std::string folder =
        StoreDir + (Client() == TClient::WindowsMail ? "Local Folders" : "a@b");
    // (The first seal of this user also makes their master key: one more file.)
    const auto written = std::find_if(changes.Files.begin(), changes.Files.end(), [&](auto& c) {
        return c.Kind == platform::TFileChange::TKind::FileWritten &&
               c.Path.ends_with(".oeaccount");
    });
    ASSERT_NE(written, changes.Files.end());
    EXPECT_EQ(written->Path, folder + "\\" + key);
    EXPECT_FALSE(written->OldBytes.has_value());
    ASSERT_TRUE(written->NewBytes.has_value());
    EXPECT_TRUE(TOeAccountDocument::Parse(*written->NewBytes).has_value());
    EXPECT_TRUE(std::any_of(changes.Files.begin(), changes.Files.end(), [&](auto& c) {
        return c.Kind == platform::TFileChange::TKind::FolderCreated &&
               SameTextIgnoreCase(c.Path, folder);
    }));
    const auto value = std::find_if(changes.Registry.begin(), changes.Registry.end(),
                                    [](auto& c) { return c.ValueName == "Default Mail Account"; });
    ASSERT_NE(value, changes.Registry.end());
    EXPECT_EQ(value->KeyPath, "Software\\Microsoft\\IAM");
    ASSERT_TRUE(value->New.has_value());
    EXPECT_EQ(platform::reg::RegDataToString(value->New->Data), key);
}

// ---- Deleting ----

TEST_P(OeAccountStoreTest, DeletingAPopAccountTakesItsFileAndLeavesTheFolder) {
    Install();
    WriteAccount("Local Folders\\account{1}.oeaccount", ClientPopAccount(Sealed("x")));
    WriteAccount("Local Folders\\account{2}.oeaccount", ClientPopAccount(Sealed("y")));
    System->WriteFile(StoreDir + "Local Folders\\Inbox\\mail.eml", "mail");
    const auto store = Store();
    store->DeleteDefaultProfileAccount(0);
    EXPECT_EQ(store->AccountCount(), 1);
    EXPECT_FALSE(System->Exists(StoreDir + "Local Folders\\account{1}.oeaccount"));
    EXPECT_TRUE(System->Exists(StoreDir + "Local Folders\\account{2}.oeaccount"));
    EXPECT_TRUE(System->Exists(StoreDir + "Local Folders\\Inbox\\mail.eml"));
}

TEST_P(OeAccountStoreTest, DeletingAnImapAccountTakesItsOwnFolderWithItsMail) {
    Install();
    WriteAccount("Work Mail\\account{9}.oeaccount", ClientImapAccount(Sealed("i"), Sealed("s")));
    System->WriteFile(StoreDir + "Work Mail\\INBOX\\1.eml", "mail");
    System->WriteFile(StoreDir + "Work Mail\\INBOX\\2.eml", "read-only mail");
    ASSERT_TRUE(platform::SetFileAttributes(StoreDir + "Work Mail\\INBOX\\2.eml",
                                            platform::FILE_ATTRIBUTE_READONLY));
    const auto store = Store();
    store->DeleteDefaultProfileAccount(0);
    EXPECT_EQ(store->AccountCount(), 0);
    EXPECT_FALSE(platform::DirectoryExists(StoreDir + "Work Mail"));
    EXPECT_TRUE(platform::DirectoryExists(StoreDir));
}

TEST_P(OeAccountStoreTest, DeletingAnImapAccountNeverTakesASharedFolder) {
    Install();
    WriteAccount("Local Folders\\account{1}.oeaccount", ClientPopAccount(Sealed("x")));
    WriteAccount("Local Folders\\account{9}.oeaccount",
                 ClientImapAccount(Sealed("i"), Sealed("s")));
    WriteAccount("Shared\\account{3}.oeaccount", ClientImapAccount(Sealed("i"), Sealed("s")));
    WriteAccount("Shared\\account{4}.oeaccount", ClientImapAccount(Sealed("i"), Sealed("s")));
    System->WriteFile(StoreDir + "Local Folders\\Inbox\\mail.eml", "mail");
    const auto store = Store();
    ASSERT_EQ(store->AccountCount(), 4);
    for (const std::string key :
         {"Local Folders\\account{9}.oeaccount", "Shared\\account{3}.oeaccount"}) {
        TMailAccount* account = store->DefaultProfile()->FindAccount(StoreDir + key);
        ASSERT_NE(account, nullptr) << key;
        store->RemoveAccount(*account);
        EXPECT_FALSE(System->Exists(StoreDir + key));
    }
    EXPECT_TRUE(System->Exists(StoreDir + "Local Folders\\account{1}.oeaccount"));
    EXPECT_TRUE(System->Exists(StoreDir + "Local Folders\\Inbox\\mail.eml"));
    EXPECT_TRUE(System->Exists(StoreDir + "Shared\\account{4}.oeaccount"));
}

TEST_P(OeAccountStoreTest, DeletingAnAccountThatWasNeverSavedTouchesNoFile) {
    Install();
    const auto store = Store();
    const std::string key = store->AddAccount(AccountKindIMAP, "a@b", "a@b", "")->AccountKey();
    System->WriteFile("C:\\" + key, "a file that happens to have that name");
    store->DeleteDefaultProfileAccount(0);
    EXPECT_EQ(store->AccountCount(), 0);
    EXPECT_TRUE(System->Exists("C:\\" + key));
}

// ---- Reloading and client settings ----

TEST_P(OeAccountStoreTest, ReloadReadsTheFileAgainWithoutWritingIt) {
    Install();
    const std::string path =
        WriteAccount("Local Folders\\account{1}.oeaccount", ClientPopAccount(Sealed("x")));
    const auto store = Store(true);
    ASSERT_TRUE(store->AutoSave());
    TMailAccount& account = *store->AccountByIndex(0);
    account.AssignIsDefault(true);

    WriteAccount("Local Folders\\account{1}.oeaccount", ClientPopAccountOnPop2(Sealed("new")));
    const std::string onDisk = ReadAccount(path);
    account.Reload();
    EXPECT_EQ(Pop(&account).IncomingServer(), "pop2.quenlix.example");
    EXPECT_EQ(account.Password(), "new");
    EXPECT_TRUE(account.IsDefault());
    EXPECT_EQ(account.AccountKey(), path);
    EXPECT_EQ(ReadAccount(path), onDisk);
    EXPECT_TRUE(store->AutoSave());

    // A file that now holds another kind of account changes nothing.
    WriteAccount("Local Folders\\account{1}.oeaccount", ClientNewsAccount);
    account.Reload();
    EXPECT_EQ(Pop(&account).IncomingServer(), "pop2.quenlix.example");
}

TEST_P(OeAccountStoreTest, ClientSettingsGoToTheClientKeyAndItsMailSubkey) {
    Install();
    const auto store = Store();
    const struct {
        std::int32_t Poll;
        bool Check;
        bool HangUp;
        std::int32_t Stored;
    } rows[] = {{0, false, false, -1},
                {10, true, true, 600000},
                {-5, false, true, -1},
                {100000, true, false, 0x7FFFFFFF}};
    for (const auto& row : rows) {
        store->SetPollInterval(row.Poll);
        store->SetCheckMailOnStartup(row.Check);
        store->SetHangUpAfterSpool(row.HangUp);
        store->SaveClientSettings();
        platform::TRegistry registry(platform::HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKeyReadOnly(ClientKey(Client())));
        EXPECT_EQ(registry.ReadInteger("Hangup After Spool"), row.HangUp ? 1 : 0);
        ASSERT_TRUE(registry.OpenKeyReadOnly(ClientKey(Client()) + "\\Mail"));
        EXPECT_EQ(registry.ReadInteger("Check Mail on Startup"), row.Check ? 1 : 0);
        EXPECT_EQ(registry.ReadInteger("Poll For Mail"), row.Stored) << row.Poll;
        EXPECT_EQ(registry.GetValueType("Poll For Mail"), platform::TRegValueType::DWord);
    }
}

TEST_P(OeAccountStoreTest, TheClientRunsWhenItsProgramRunsFromAnywhere) {
    Install();
    const auto store = Store();
    EXPECT_FALSE(store->IsClientRunning());
    const std::string name = Client() == TClient::WindowsMail ? "winmail.EXE" : "WLMAIL.exe";
    testing_support::TTestProcess process = System->StartProcess("C:\\Temp\\" + name);
    EXPECT_TRUE(store->IsClientRunning());
    process.End();
    EXPECT_FALSE(store->IsClientRunning());
}

INSTANTIATE_TEST_SUITE_P(Clients, OeAccountStoreTest,
                         ::testing::Values(TClient::WindowsMail, TClient::WindowsLiveMail),
                         ClientTestName);

} // namespace
