#include "clients/outlook/StoredPasswords.h"

#include "accounts/TestStore.h"
#include "platform/DataProtection.h"
#include "platform/RegText.h"
#include "support/ScriptedRandom.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

using accounts_testing::TTestStore;
using platform::TRegistry;
using testing_support::TScriptedRandom;
using testing_support::TTestSystem;
using S = TOutlookPasswordStore;
using V = TOutlookWindowsVersion;

namespace {

using TBytes = std::vector<std::uint8_t>;

const std::string AccountsKey = "\\Software\\Microsoft\\Internet Account Manager\\Accounts";

// Always the same number: a source that can never give a free name.
class TStuckRandom : public TRandomSource {
public:
    void Fill(std::uint8_t* buffer, std::size_t length) override {
        std::fill(buffer, buffer + length, std::uint8_t{0});
        buffer[0] = 1;
    }
};

// A store with one profile whose accounts have the given keys.
void AddAccounts(TTestStore& store, const std::vector<std::string>& keys) {
    TMailProfile* profile = store.AppendProfile(
        std::make_unique<TMailProfile>(&store, "Main Identity", "Main Identity", ""));
    for (const std::string& key : keys) {
        auto account = std::make_unique<TPOPMailAccount>(profile);
        account->SetAccountKey(key);
        profile->AppendAccount(std::move(account));
    }
}

class TReferenceNames : public ::testing::Test {
protected:
    TReferenceNames() {
        TStoredPasswords writer(S::OutlookExpress, V::WinXP);
        EXPECT_TRUE(writer.ObtainProvider());
        TRegistry reg(platform::HKEY_CURRENT_USER);
        EXPECT_TRUE(reg.OpenKey(AccountsKey + "\\00000001", true));
        writer.WriteReferenceValue(reg, "POP3 Password2", "account00000001");
        EXPECT_TRUE(reg.OpenKey(AccountsKey + "\\00000002", true)); // not loaded by the store
        writer.WriteReferenceValue(reg, "SMTP Password2", "account00000002");
        EXPECT_TRUE(reg.OpenKey(AccountsKey + "\\00000003", true));
        reg.CloseKey();
        writer.WriteStoredPassword("account00000003", "an item of another identity");
        AddAccounts(Store, {"00000001", "00000003"});
    }

    TTestSystem System;
    TTestStore Store{false, true};
};

} // namespace

TEST_F(TReferenceNames, ANameInUseAnywhereIsDrawnAgain) {
    TScriptedRandom random({1, 2, 3, 4, 5});
    TStoredPasswords passwords(S::OutlookExpress, V::WinXP, random);
    ASSERT_TRUE(passwords.ObtainProvider());
    TRegistry reg(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(AccountsKey, false));
    // 1: this value of a loaded account; 2: another password value of a key not loaded;
    // 3: an existing item; 4: the name drawn for the other password of the same save.
    EXPECT_EQ(passwords.NewPasswordReference(Store, reg, "POP3 Password2", {"account00000004"}),
              "account00000005");
    EXPECT_EQ(random.Left(), 0u);
    EXPECT_TRUE(reg.HasCurrentKey()); // opened again where it was
    EXPECT_EQ("\\" + reg.CurrentPath(), AccountsKey);
}

TEST_F(TReferenceNames, NamesHaveTheFormOfTheStore) {
    TScriptedRandom random({99999999u, 0x2Au, 0xFFFFFFFEu});
    TRegistry reg(platform::HKEY_CURRENT_USER);
    TStoredPasswords express(S::OutlookExpress, V::WinXP, random);
    EXPECT_EQ(express.NewPasswordReference(Store, reg, "POP3 Password2"), "account99999999");
    EXPECT_FALSE(reg.HasCurrentKey()); // nothing was open, nothing is opened
    TStoredPasswords outlook2002(S::Outlook2002, V::WinXP, random);
    EXPECT_EQ(outlook2002.NewPasswordReference(Store, reg, "POP3 Password"), "000000000000002A");
    EXPECT_EQ(outlook2002.NewPasswordReference(Store, reg, "POP3 Password"), "00000000FFFFFFFE");
}

TEST_F(TReferenceNames, ASourceThatNeverGivesAFreeNameIsAnErrorNotAHang) {
    TStuckRandom random;
    TStoredPasswords passwords(S::OutlookExpress, V::WinXP, random);
    TRegistry reg(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(AccountsKey, false));
    EXPECT_THROW(passwords.NewPasswordReference(Store, reg, "POP3 Password2"),
                 EStoredPasswordError);
}

TEST(StoredPasswordValues, ReferenceValuesRoundTripThroughTheRegistry) {
    TTestSystem system("", "",
                       "[HKEY_CURRENT_USER\\Software\\Test]\n\"Text\"=\"account00000001\"\n");
    TRegistry reg(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Test", false));
    const TStoredPasswords express(S::OutlookExpress, V::WinXP);
    const TStoredPasswords outlook2002(S::Outlook2002, V::WinXP);
    express.WriteReferenceValue(reg, "POP3 Password2", "account12345678");
    outlook2002.WriteReferenceValue(reg, "POP3 Password", "00000000DEADBEEF");
    EXPECT_EQ(reg.GetDataType("POP3 Password2"), platform::TRegDataType::rdBinary);
    EXPECT_EQ(reg.GetDataSize("POP3 Password2"), 34);
    EXPECT_EQ(reg.GetDataSize("POP3 Password"), 35);
    EXPECT_EQ(express.ReadReferenceValue(reg, "POP3 Password2"), "account12345678");
    EXPECT_EQ(outlook2002.ReadReferenceValue(reg, "POP3 Password"), "00000000DEADBEEF");
    EXPECT_EQ(express.ReadReferenceValue(reg, "Text"), ""); // not binary
    EXPECT_EQ(express.ReadReferenceValue(reg, "Missing"), "");
}

// ---- Sealed values of Outlook 2003 and 2007 ----

class TSealedValues : public ::testing::Test {
protected:
    TSealedValues() { EXPECT_TRUE(Reg.OpenKey("\\Software\\Test", true)); }
    TTestSystem System;
    TRegistry Reg{platform::HKEY_CURRENT_USER};
};

TEST_F(TSealedValues, APasswordIsSealedForTheMachineBehindByteTwo) {
    SealPassword(Reg, "POP3 Password", "Grüße€");
    const TBytes value = Reg.ReadBinaryData("POP3 Password");
    ASSERT_GT(value.size(), 1u);
    EXPECT_EQ(value[0], 0x02);
    const auto opened = platform::CryptUnprotectData(
        std::span<const std::uint8_t>(value).subspan(1), {}, platform::CRYPTPROTECT_UI_FORBIDDEN);
    ASSERT_TRUE(opened);
    TBytes expected;
    platform::reg::AppendUtf16Bytes(expected, u"Grüße€");
    expected.insert(expected.end(), {0, 0});
    EXPECT_EQ(opened->Data, expected); // 2 x length + 2 bytes
    EXPECT_EQ(opened->Description, "POP3 Password");
    EXPECT_EQ(UnsealPassword(Reg, "POP3 Password"), "Grüße€");
    SealPassword(Reg, "SMTP Password", "");
    EXPECT_EQ(UnsealPassword(Reg, "SMTP Password"), "");
    EXPECT_TRUE(Reg.ValueExists("SMTP Password"));

    Reg.CloseKey();
    System.SwitchUser("Bert", "S-1-5-21-1-2-3-1002"); // sealed for the machine, not the user
    TRegistry other(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(other.OpenKey("\\Software\\Test", true));
    other.WriteBinaryData("POP3 Password", value);
    EXPECT_EQ(UnsealPassword(other, "POP3 Password"), "Grüße€");
}

TEST_F(TSealedValues, TheMarkByteIsNeverPartOfTheBlob) {
    const auto blob =
        platform::CryptProtectData(TBytes{'p', 0, 'w', 0, 0, 0}, "POP3 Password", {}, 5);
    ASSERT_TRUE(blob);
    TBytes marked = *blob;
    marked.insert(marked.begin(), 0x02);
    TBytes otherMark = marked;
    otherMark[0] = 0x00;
    Reg.WriteBinaryData("Marked", marked);
    Reg.WriteBinaryData("OtherMark", otherMark);
    Reg.WriteBinaryData("Unmarked", *blob);
    EXPECT_EQ(UnsealPassword(Reg, "Marked"), "pw");
    EXPECT_EQ(UnsealPassword(Reg, "OtherMark"), "pw");
    EXPECT_EQ(UnsealPassword(Reg, "Unmarked"), "");
}

TEST_F(TSealedValues, WhatCannotBeUnsealedReadsEmpty) {
    Reg.WriteString("Text", "plain");
    Reg.WriteBinaryData("Empty", {});
    Reg.WriteBinaryData("Mark", {0x02});
    Reg.WriteBinaryData("Garbage", {0x02, 1, 2, 3, 4, 5, 6, 7, 8});
    for (const char* name : {"Missing", "Text", "Empty", "Mark", "Garbage"}) {
        EXPECT_EQ(UnsealPassword(Reg, name), "") << name;
    }
}

TEST_F(TSealedValues, ASealThatFailsLeavesTheValueAndSaysSo) {
    SealPassword(Reg, "POP3 Password", "old");
    const TBytes before = Reg.ReadBinaryData("POP3 Password");
    // The machine's key folder cannot be made, and this machine has no key yet.
    System.Reinstall();
    std::filesystem::remove_all(System.Host("C:\\WINDOWS\\System32\\Microsoft"));
    System.WriteFile("C:\\WINDOWS\\System32\\Microsoft", "not a folder");
    ASSERT_TRUE(Reg.OpenKey("\\Software\\Test", false));
    EXPECT_THROW(SealPassword(Reg, "POP3 Password", "new"), EStoredPasswordError);
    EXPECT_EQ(Reg.ReadBinaryData("POP3 Password"), before);
}
