#include <clients/mozilla/Base64.h>
#include <clients/mozilla/MozillaLogins.h>

#include <gtest/gtest.h>

namespace {

// Stands in for the key database: "K1:" + Base64, so the tests can read what was encrypted and
// tell logins of another key ("K2:") apart.
class TFakeCrypto : public TLoginCrypto {
public:
    explicit TFakeCrypto(std::string key = "K1:") : Key_(std::move(key)) {}
    std::string Encrypt(const std::string& plain) override {
        ++Encrypted;
        return Key_ + Base64Encode(plain);
    }
    std::optional<std::string> Decrypt(const std::string& text) override {
        if (text.rfind(Key_, 0) != 0) {
            return std::nullopt;
        }
        return Base64Decode(text.substr(Key_.size()));
    }
    int Encrypted = 0;

private:
    std::string Key_;
};

const TLoginStamp kStamp{1700000000123, "{0a1b2c3d-0000-4000-8000-00000000abcd}"};

std::string Enc(const std::string& plain) {
    return "K1:" + Base64Encode(plain);
}

// A login as the application writes it.
std::string Login(int id, const std::string& origin, const std::string& user,
                  const std::string& password, const std::string& times = "1600000000000") {
    return "{\"id\":" + std::to_string(id) + ",\"hostname\":\"" + origin + "\",\"httpRealm\":\"" +
           origin + "\",\"formSubmitURL\":null,\"usernameField\":\"\",\"passwordField\":\"\"," +
           "\"encryptedUsername\":\"" + Enc(user) + "\",\"encryptedPassword\":\"" + Enc(password) +
           "\",\"guid\":\"{guid-" + std::to_string(id) +
           "}\",\"encType\":1,\"timeCreated\":" + times + ",\"timeLastUsed\":" + times +
           ",\"timePasswordChanged\":" + times +
           ",\"timesUsed\":1,\"syncCounter\":1,\"everSynced\":false,"
           "\"encryptedUnknownFields\":null}";
}

std::string NewLogin(int id, const std::string& origin, const std::string& user,
                     const std::string& password) {
    std::string login = Login(id, origin, user, password, "1700000000123");
    const std::string guid = "{guid-" + std::to_string(id) + "}";
    login.replace(login.find(guid), guid.size(), kStamp.Guid);
    return login;
}

TEST(MozillaLoginsTest, FirstLoginOfANewStoreIsWrittenAsTheApplicationWritesIt) {
    TFakeCrypto crypto;
    TMozillaLoginsFile file;
    file.SetLogin({"mailbox://pop.quenlix.example", "anna@quenlix.example", "Geheim-42"}, crypto,
                  kStamp);
    EXPECT_EQ(file.ToText(), "{\"nextId\":2,\"logins\":[" +
                                 NewLogin(1, "mailbox://pop.quenlix.example",
                                          "anna@quenlix.example", "Geheim-42") +
                                 "],\"potentiallyVulnerablePasswords\":[],"
                                 "\"dismissedBreachAlertsByLoginGUID\":{},\"version\":3}");
    EXPECT_EQ(file.FindPassword("mailbox://pop.quenlix.example", "anna@quenlix.example", crypto),
              "Geheim-42");
}

// A store written by the application, with a web login, a tombstone of a deleted login, a
// login of another key, fields and members this system does not know, and big numbers.
const std::string kExisting =
    "{\"nextId\":5,\"logins\":[" + Login(1, "https://example.com", "web", "w") +
    ",{\"id\":2,\"guid\":\"{dead}\",\"timePasswordChanged\":1600000000000,\"syncCounter\":3,"
    "\"everSynced\":true,\"deleted\":true}," +
    Login(3, "mailbox://pop.quenlix.example", "anna@quenlix.example", "old")
        .replace(0, 1, "{\"x\":1,") +
    ",{\"id\":4,\"hostname\":\"smtp://smtp.quenlix.example\",\"httpRealm\":"
    "\"smtp://smtp.quenlix.example\",\"encryptedUsername\":\"K2:YQ==\",\"encryptedPassword\":"
    "\"K2:YQ==\",\"timesUsed\":12345678901234567890}],"
    "\"potentiallyVulnerablePasswords\":[],\"dismissedBreachAlertsByLoginGUID\":{\"{x}\":"
    "{\"timeBreachAlertDismissed\":1.5e12}},\"version\":3,\"future\":[1,2]}";

TEST(MozillaLoginsTest, NewLoginsAreAddedAfterTheOthersWhichStayByteForByte) {
    TFakeCrypto crypto;
    TMozillaLoginsFile file = TMozillaLoginsFile::FromText(kExisting);
    file.SetLogin({"smtp://smtp.quenlix.example", "anna@quenlix.example", "pw"}, crypto, kStamp);
    file.SetLogin({"mailbox://pop.quenlix.example", "other@quenlix.example", "pw2"}, crypto,
                  kStamp);
    std::string expected = kExisting;
    expected.replace(expected.find("\"nextId\":5"), 10, "\"nextId\":7");
    const std::string end = "],\"potentiallyVulnerablePasswords\"";
    expected.insert(
        expected.find(end),
        "," + NewLogin(5, "smtp://smtp.quenlix.example", "anna@quenlix.example", "pw") + "," +
            NewLogin(6, "mailbox://pop.quenlix.example", "other@quenlix.example", "pw2"));
    EXPECT_EQ(file.ToText(), expected);
    EXPECT_EQ(file.Count(), 6u);
}

TEST(MozillaLoginsTest, PasswordOfAnExistingLoginChangesInItsPlace) {
    TFakeCrypto crypto;
    TMozillaLoginsFile file = TMozillaLoginsFile::FromText(kExisting);
    file.SetLogin({"mailbox://pop.quenlix.example", "anna@quenlix.example", "new"}, crypto, kStamp);
    std::string expected = kExisting;
    const std::size_t login = expected.find("{\"x\":1,");
    const auto replaceAfter = [&expected, login](const std::string& from, const std::string& to) {
        expected.replace(expected.find(from, login), from.size(), to);
    };
    replaceAfter("\"encryptedPassword\":\"" + Enc("old") + "\"",
                 "\"encryptedPassword\":\"" + Enc("new") + "\"");
    replaceAfter("\"timePasswordChanged\":1600000000000", "\"timePasswordChanged\":1700000000123");
    replaceAfter("\"syncCounter\":1", "\"syncCounter\":2");
    EXPECT_EQ(file.ToText(), expected);
    EXPECT_EQ(file.Count(), 4u);
    EXPECT_EQ(crypto.Encrypted, 1);

    // The same password again changes nothing.
    const std::string before = file.ToText();
    file.SetLogin({"mailbox://pop.quenlix.example", "anna@quenlix.example", "new"}, crypto, kStamp);
    EXPECT_EQ(file.ToText(), before);
}

TEST(MozillaLoginsTest, NextIdNeverHandsOutAnIdALoginHas) {
    TFakeCrypto crypto;
    TMozillaLoginsFile file = TMozillaLoginsFile::FromText("{\"nextId\":2,\"logins\":[" +
                                                           Login(7, "https://a", "u", "p") + "]}");
    file.SetLogin({"imap://imap.example", "u", "p"}, crypto, kStamp);
    EXPECT_NE(file.ToText().find("\"nextId\":9"), std::string::npos);
    EXPECT_NE(file.ToText().find("{\"id\":8,"), std::string::npos);
    // Members the application adds when it loads the file are its business.
    EXPECT_EQ(file.ToText().find("potentiallyVulnerablePasswords"), std::string::npos);
}

// At the end of the 64-bit range nextId cannot grow: a new login still gets an id of its own.
TEST(MozillaLoginsTest, IdsAtTheEndOfTheRangeAreNeverHandedOutTwice) {
    TFakeCrypto crypto;
    TMozillaLoginsFile file = TMozillaLoginsFile::FromText(
        "{\"nextId\":9223372036854775807,\"logins\":[{\"id\":9223372036854775807},{\"id\":1}]}");
    file.SetLogin({"imap://imap.example", "u", "p"}, crypto, kStamp);
    file.SetLogin({"smtp://smtp.example", "u", "p"}, crypto, kStamp);
    const std::string text = file.ToText();
    EXPECT_NE(text.find("{\"id\":2,\"hostname\":\"imap://imap.example\""), std::string::npos);
    EXPECT_NE(text.find("{\"id\":3,\"hostname\":\"smtp://smtp.example\""), std::string::npos);
    EXPECT_EQ(text.rfind("{\"nextId\":9223372036854775807,", 0), 0u);
}

TEST(MozillaLoginsTest, StoreWithoutLoginsGetsItsList) {
    TFakeCrypto crypto;
    TMozillaLoginsFile file = TMozillaLoginsFile::FromText("{\"version\":3}");
    file.SetLogin({"imap://imap.example", "u", "p"}, crypto, kStamp);
    EXPECT_EQ(file.ToText(), "{\"version\":3,\"logins\":[" +
                                 NewLogin(1, "imap://imap.example", "u", "p") + "],\"nextId\":2}");
}

TEST(MozillaLoginsTest, LoginsOfOtherKeysAndTombstonesAreNeverTakenForOurs) {
    TFakeCrypto otherKey("K2:");
    TMozillaLoginsFile file = TMozillaLoginsFile::FromText(kExisting);
    EXPECT_EQ(file.FindPassword("smtp://smtp.quenlix.example", "a", otherKey), "a");
    TFakeCrypto crypto;
    EXPECT_EQ(file.FindPassword("smtp://smtp.quenlix.example", "a", crypto), std::nullopt);
    EXPECT_EQ(file.FindPassword("https://example.com", "web", crypto), "w");
}

// Text that is no login store is refused; where the log tells the user, the refusal names the
// line of the offending value.
TEST(MozillaLoginsTest, TextThatIsNoLoginStoreIsRefused) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"[]", ""},
        {"\"x\"", ""},
        {"{\"logins\":{}}", ""},
        {"{\"logins\":[],", ""},
        {"\n\n  [1]", "a JSON object expected at line 3 (byte 4)"},
        {"{\"nextId\":1,\n\"logins\":\n{}}", "\"logins\" is no list at line 3 (byte 23)"}};
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        try {
            TMozillaLoginsFile::FromText(text);
            ADD_FAILURE() << "accepted";
        } catch (const EJsonError& error) {
            if (!message.empty()) {
                EXPECT_EQ(error.what(), message);
            }
        }
    }
}

// Thunderbird reads logins.json with JSON.parse, which keeps the last member of a name given
// twice: the login goes into that list and nextId is taken from that member, so Thunderbird sees
// the login and will not hand its id out again.
TEST(MozillaLoginsTest, OfAMemberGivenTwiceTheLastOneIsReadAndChanged) {
    TFakeCrypto crypto;
    const std::string text = "{\"nextId\":1,\"logins\":[],\"nextId\":8,\"logins\":[" +
                             Login(7, "imap://imap.example", "u", "p") + "],\"version\":3}";
    TMozillaLoginsFile file = TMozillaLoginsFile::FromText(text);
    EXPECT_EQ(file.Count(), 1u);
    file.SetLogin({"mailbox://pop.quenlix.example", "anna", "pw"}, crypto, kStamp);
    EXPECT_EQ(file.ToText(), "{\"nextId\":1,\"logins\":[],\"nextId\":9,\"logins\":[" +
                                 Login(7, "imap://imap.example", "u", "p") + "," +
                                 NewLogin(8, "mailbox://pop.quenlix.example", "anna", "pw") +
                                 "],\"version\":3}");
    EXPECT_EQ(file.FindPassword("imap://imap.example", "u", crypto), "p");
}

} // namespace
