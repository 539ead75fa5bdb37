#include <clients/mozilla/MozillaPasswords.h>

#include <support/TestSystem.h>

#include <gtest/gtest.h>

namespace {

const std::string kPath = "C:\\Profile\\signons.txt";

std::string Entry(const std::string& site, const std::string& passwordLine) {
    return site + "\r\n\\=username=\\\r\n~\r\n*\\=password=\\\r\n" + passwordLine + "\r\n.\r\n";
}

class MozillaPasswordsTest : public ::testing::Test {
protected:
    testing_support::TTestSystem System;
};

TEST_F(MozillaPasswordsTest, ReadsEntriesAndFindsThemIgnoringCase) {
    System.WriteFile(kPath, "#2c\r\n.\r\n" +
                                Entry("mailbox://anna%40example.com@pop.example.com", "~c2VjcmV0") +
                                Entry("smtp://anna%40example.com@smtp.example.com", "~cHc="));
    TMozillaPasswordsFile file(kPath);
    ASSERT_EQ(file.Count(), 2u);
    EXPECT_EQ(file.Entry(0).Scheme, "mailbox");
    EXPECT_EQ(file.Entry(0).User, "anna@example.com");
    EXPECT_EQ(file.Entry(0).Host, "pop.example.com");
    EXPECT_EQ(file.GetPassword("mailbox", "anna@example.com", "pop.example.com"), "secret");
    EXPECT_EQ(file.GetPassword("SMTP", "Anna@Example.com", "SMTP.example.com"), "pw");
    EXPECT_EQ(file.GetPassword("imap", "anna@example.com", "pop.example.com"), "");
}

TEST_F(MozillaPasswordsTest, SetPasswordCreatesTheFileWithHeader) {
    System.WriteFile("C:\\Profile\\prefs.js", "");
    TMozillaPasswordsFile file(kPath);
    EXPECT_EQ(file.Count(), 0u);
    file.SetPassword("mailbox", "a b@example.com", "secret", "pop.example.com");
    EXPECT_EQ(System.ReadFile(kPath),
              "#2c\r\n.\r\n" + Entry("mailbox://a b%40example.com@pop.example.com", "~c2VjcmV0"));
    TMozillaPasswordsFile again(kPath);
    EXPECT_EQ(again.GetPassword("mailbox", "a b@example.com", "pop.example.com"), "secret");
}

TEST_F(MozillaPasswordsTest, ChangingAPasswordKeepsItsPlaceAndNewEntriesGoLast) {
    System.WriteFile(kPath, "#2c\r\n.\r\n" + Entry("mailbox://u1@h1", "~b2xk") +
                                Entry("smtp://u2@h2", "~eA=="));
    TMozillaPasswordsFile file(kPath);
    file.SetPassword("MAILBOX", "U1", "new", "H1");
    file.SetPassword("imap", "u3", "p3", "h3");
    EXPECT_EQ(System.ReadFile(kPath), "#2c\r\n.\r\n" + Entry("mailbox://u1@h1", "~bmV3") +
                                          Entry("smtp://u2@h2", "~eA==") +
                                          Entry("imap://u3@h3", "~cDM="));
}

TEST_F(MozillaPasswordsTest, BrokenAndForeignEntriesNeitherStopLoadingNorGetLost) {
    const std::string encrypted = Entry("mailbox://enc@h", "MDIEEPgAAAAAAAAAAAAAAAAAAAEwFAYIKoZI");
    const std::string badBase64 = Entry("imap://bad@h", "~abc");
    const std::string noScheme = Entry("just-a-host", "~eA==");
    const std::string extraField =
        "smtp://x@h\r\n\\=username=\\\r\n~\r\n*\\=password=\\\r\n~eA==\r\nextra\r\n.\r\n";
    System.WriteFile(
        kPath, "#2c\r\nrejected.example.com\r\n.\r\n" + encrypted +
                   Entry("mailbox://good@h", "~Z29vZA==") + badBase64 + noScheme + extraField +
                   "smtp://last@h\r\n\\=username=\\\r\n~\r\n*\\=password=\\\r\n~bGFzdA==");
    TMozillaPasswordsFile file(kPath);
    EXPECT_EQ(file.Count(), 2u);
    EXPECT_EQ(file.KeptBlockCount(), 4u);
    EXPECT_EQ(file.GetPassword("mailbox", "good", "h"), "good");
    EXPECT_EQ(file.GetPassword("smtp", "last", "h"), "last"); // closing "." was missing
    EXPECT_EQ(file.GetPassword("mailbox", "enc", "h"), "");

    file.SetPassword("mailbox", "good", "better", "h");
    EXPECT_EQ(System.ReadFile(kPath), "#2c\r\nrejected.example.com\r\n.\r\n" + encrypted +
                                          Entry("mailbox://good@h", "~YmV0dGVy") + badBase64 +
                                          noScheme + extraField +
                                          Entry("smtp://last@h", "~bGFzdA=="));
}

TEST_F(MozillaPasswordsTest, ShortOrEmptyFilesGiveNoEntries) {
    for (const std::string text : {"", "#2c", "#2c\r\n", "#2c\r\n.\r\nmailbox://u@h\r\n"}) {
        System.WriteFile(kPath, text);
        TMozillaPasswordsFile file(kPath);
        EXPECT_EQ(file.Count(), 0u) << text;
    }
}

TEST_F(MozillaPasswordsTest, UserNameValueLineOfReadEntriesIsWrittenBack) {
    const std::string entry =
        "mailbox://u@h\r\n\\=username=\\\r\n~dQ==\r\n*\\=password=\\\r\n~cA==\r\n.\r\n";
    System.WriteFile(kPath, "#2c\r\n.\r\n" + entry);
    TMozillaPasswordsFile file(kPath);
    file.WritePasswords();
    EXPECT_EQ(System.ReadFile(kPath), "#2c\r\n.\r\n" + entry);
}

// Later layouts add lines to each entry: #2d the form's address, #2e also a filler line. A file
// is rewritten in the layout it was read in, or its kept entries could not be read again.
struct TLayoutCase {
    const char* Header;
    std::string ExtraLines; // after the password value
};

void PrintTo(const TLayoutCase& c, std::ostream* os) {
    *os << c.Header;
}

class MozillaPasswordsLayoutTest : public MozillaPasswordsTest,
                                   public ::testing::WithParamInterface<TLayoutCase> {};

TEST_P(MozillaPasswordsLayoutTest, HeaderAndEntryLayoutOfTheFileReadAreKept) {
    const std::string header = std::string(GetParam().Header) + "\r\n";
    const std::string& extra = GetParam().ExtraLines;
    const auto entry = [&extra](const std::string& site, const std::string& password) {
        return site + "\r\n\\=username=\\\r\n~\r\n*\\=password=\\\r\n" + password + "\r\n" + extra +
               ".\r\n";
    };
    const std::string encrypted = entry("mailbox://enc@h", "MDIEEPgAAAAAAAAAAAAAAAAAAAEwFAYIKoZI");
    System.WriteFile(kPath, header + ".\r\n" + entry("mailbox://u1@h1", "~b2xk") + encrypted);
    TMozillaPasswordsFile file(kPath);
    EXPECT_EQ(file.GetPassword("mailbox", "u1", "h1"), "old");
    file.SetPassword("mailbox", "u1", "new", "h1");
    file.SetPassword("smtp", "u2", "p2", "h2");
    EXPECT_EQ(System.ReadFile(kPath), header + ".\r\n" + entry("mailbox://u1@h1", "~bmV3") +
                                          encrypted + entry("smtp://u2@h2", "~cDI="));
}

INSTANTIATE_TEST_SUITE_P(Layouts, MozillaPasswordsLayoutTest,
                         ::testing::Values(TLayoutCase{"#2c", ""}, TLayoutCase{"#2d", "\r\n"},
                                           TLayoutCase{"#2e", "\r\n---\r\n"}),
                         [](const ::testing::TestParamInfo<TLayoutCase>& info) {
                             return std::string("Format") + (info.param.Header + 1);
                         });

TEST(MozillaPasswordsTextTest, TextReadWithoutAFileWritesBackTheSame) {
    const std::string text =
        "#2d\r\nrejected.example\r\n.\r\nmailbox://u@h\r\n\\=username=\\\r\n~\r\n"
        "*\\=password=\\\r\n~cA==\r\n\r\n.\r\nbroken\r\n.\r\n";
    const TMozillaPasswordsFile file("", text);
    EXPECT_EQ(file.GetPassword("mailbox", "u", "h"), "p");
    EXPECT_EQ(file.ToText(), text);
}

// The file has no escapes: a line break in a login or host would forge lines of its own (and a
// scheme holding "://" would move the login into it). Such a login is refused and nothing of the
// file changes.
struct TForgedLogin {
    const char* Scheme;
    const char* User;
    const char* Host;
};

class MozillaPasswordsForgeryTest : public ::testing::TestWithParam<TForgedLogin> {};

TEST_P(MozillaPasswordsForgeryTest, LoginThatWouldBreakTheLinesIsRefused) {
    const std::string text = "#2c\r\n.\r\nmailbox://u@h\r\n\\=username=\\\r\n~\r\n"
                             "*\\=password=\\\r\n~cA==\r\n.\r\n";
    TMozillaPasswordsFile file("signons.txt", text);
    const TForgedLogin& login = GetParam();
    EXPECT_THROW(file.ChangePassword(login.Scheme, login.User, "pw", login.Host),
                 EMozillaPasswordsError);
    EXPECT_EQ(file.ToText(), text);
    EXPECT_EQ(file.Count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Logins, MozillaPasswordsForgeryTest,
                         ::testing::Values(TForgedLogin{"mailbox", "anna\r\nsmtp://x@evil",
                                                        "pop.example.com"},
                                           TForgedLogin{"mailbox", "anna\n", "pop.example.com"},
                                           TForgedLogin{"smtp", "anna", "smtp.example.com\r"},
                                           TForgedLogin{"smtp", "anna", "smtp\n.\n"},
                                           TForgedLogin{"mail\nbox", "anna", "pop.example.com"},
                                           TForgedLogin{"mailbox://u", "anna", "pop.example.com"}));

} // namespace
