#include <clients/mozilla/NssKeyDatabase.h>

#include <support/KeyDatabase.h>
#include <support/TestSystem.h>

#include <gtest/gtest.h>

namespace {

using TOpen = TNssKeyDatabase::TOpenResult;

const std::string kNss = "C:\\Program Files\\Mozilla Thunderbird\\nss3.dll";

class NssKeyDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = testing_support::KeyDatabaseUnavailableReason(); !why.empty()) {
            GTEST_SKIP() << why;
        }
        System.WriteFile(kNss, "stands in for Thunderbird's NSS library");
    }
    // A profile folder with a key database made by certutil.
    std::string Profile(const std::string& name, const std::string& primaryPassword = "") {
        const std::string dir = "C:\\Profiles\\" + name;
        System.WriteFile(dir + "\\prefs.js", "");
        testing_support::CreateKeyDatabase(System.Host(dir), primaryPassword);
        return dir;
    }
    std::unique_ptr<TNssKeyDatabase> Open(const std::string& dir, TOpen expected = TOpen::Opened) {
        TOpen result = TOpen::Opened;
        auto keys = TNssKeyDatabase::Open(kNss, dir, result);
        EXPECT_EQ(result, expected) << TNssKeyDatabase::Describe(result);
        EXPECT_EQ(keys != nullptr, expected == TOpen::Opened);
        return keys;
    }

    testing_support::TTestSystem System;
};

TEST_F(NssKeyDatabaseTest, EncryptedTextDecryptsWithTheSameDatabaseOnly) {
    const std::string first = Profile("first");
    const std::string second = Profile("second");
    std::string encrypted;
    {
        const auto keys = Open(first);
        ASSERT_NE(keys, nullptr);
        encrypted = keys->Encrypt("Geheim-42 \xC3\xBC");
        EXPECT_EQ(encrypted.rfind("MD", 0), 0u) << encrypted; // base64 of an ASN.1 sequence
        EXPECT_EQ(keys->Decrypt(encrypted), "Geheim-42 \xC3\xBC");
    }
    {
        const auto keys = Open(second);
        ASSERT_NE(keys, nullptr);
        EXPECT_EQ(keys->Decrypt(encrypted), std::nullopt);
        EXPECT_EQ(keys->Decrypt("not base64!"), std::nullopt);
        EXPECT_EQ(keys->Decrypt(""), std::nullopt);
    }
    // The key was stored in the first profile's database: a new session finds it.
    const auto again = Open(first);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Decrypt(encrypted), "Geheim-42 \xC3\xBC");
}

TEST_F(NssKeyDatabaseTest, PrimaryPasswordLeavesTheDatabaseUntouched) {
    const std::string dir = Profile("protected", "primary-secret");
    const std::string before = System.ReadFile(dir + "\\key4.db");
    EXPECT_EQ(Open(dir, TOpen::PrimaryPassword), nullptr);
    EXPECT_EQ(System.ReadFile(dir + "\\key4.db"), before);
    // The next profile opens normally afterwards.
    EXPECT_NE(Open(Profile("open")), nullptr);
}

TEST_F(NssKeyDatabaseTest, MissingDatabaseOrLibraryIsReportedNotRaised) {
    System.WriteFile("C:\\Profiles\\old\\prefs.js", "");
    Open("C:\\Profiles\\old", TOpen::NoKeyDatabase);
    EXPECT_FALSE(System.Exists("C:\\Profiles\\old\\key4.db"));
    const std::string dir = Profile("current");
    TOpen result = TOpen::Opened;
    EXPECT_EQ(TNssKeyDatabase::Open("C:\\Elsewhere\\nss3.dll", dir, result), nullptr);
    EXPECT_EQ(result, TOpen::NoLibrary);
}

} // namespace
