#include "clients/outlook/StoredPasswords.h"

#include "accounts/TestStore.h"
#include "platform/DataProtection.h"
#include "platform/PStoreTesting.h"
#include "platform/RegHive.h"
#include "platform/RegText.h"
#include "support/ScriptedRandom.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

using platform::TRegistry;
using testing_support::TScriptedRandom;
using testing_support::TTestMachine;
using testing_support::TTestSystem;
using testing_support::TTestWindows;
using S = TOutlookPasswordStore;
using V = TOutlookWindowsVersion;

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Bytes(std::initializer_list<unsigned> values) {
    TBytes out;
    for (const unsigned v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

TBytes Utf16Bytes(const std::string& text) {
    TBytes out;
    platform::reg::AppendUtf16Bytes(out, platform::Utf8ToUtf16(text));
    return out;
}

TBytes Concat(std::initializer_list<TBytes> parts) {
    TBytes out;
    for (const TBytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// The raw data of an item as the provider keeps it.
TBytes RawItem(const platform::TGUID& type, const platform::TGUID& subtype,
               const std::u16string& name) {
    std::unique_ptr<platform::IPStore> store;
    EXPECT_EQ(platform::PStoreCreateInstance(store), platform::PST_E_OK);
    TBytes data;
    EXPECT_EQ(store->ReadItem(platform::PST_KEY_CURRENT_USER, type, subtype, name, data, 0),
              platform::PST_E_OK);
    return data;
}

std::vector<std::string> CallNames() {
    std::vector<std::string> names;
    for (const auto& call : platform::detail::PStoreCallsForTesting()) {
        names.push_back(call.Operation);
    }
    return names;
}

const std::string AccountsKey = "\\Software\\Microsoft\\Internet Account Manager\\Accounts";
const std::string Identity = "{5F6E2C1A-3B4D-4E5F-8A9B-0C1D2E3F4A5B}";

} // namespace

// ---- The stored bytes ----

TEST(StoredPasswordBytes, ReferenceValuesHaveTheirHeaderTheNameAndAZeroCharacter) {
    const TBytes express = ReferenceValueBytes(S::OutlookExpress, "account12345678");
    EXPECT_EQ(express.size(), 34u);
    EXPECT_EQ(express,
              Concat({Bytes({0x01, 0x02}), Utf16Bytes("account12345678"), Bytes({0x00, 0x00})}));
    EXPECT_EQ(ReferenceValueBytes(S::Outlook98, "account12345678"), express);
    const TBytes outlook2002 = ReferenceValueBytes(S::Outlook2002, "000000001A2B3C4D");
    EXPECT_EQ(outlook2002.size(), 35u);
    EXPECT_EQ(outlook2002[0], 0x01);
    EXPECT_EQ(outlook2002[1], '0');

    EXPECT_EQ(ReferenceFromValueBytes(S::OutlookExpress, express), "account12345678");
    EXPECT_EQ(ReferenceFromValueBytes(S::Outlook2002, outlook2002), "000000001A2B3C4D");
    // Lenient reading: no terminator, text after it, an odd last byte, too short to hold one.
    EXPECT_EQ(ReferenceFromValueBytes(S::Outlook2002, Bytes({1, 'a', 0, 'b', 0})), "ab");
    EXPECT_EQ(ReferenceFromValueBytes(S::Outlook2002, Bytes({1, 'a', 0, 0, 0, 'b', 0})), "a");
    EXPECT_EQ(ReferenceFromValueBytes(S::Outlook98, Bytes({1, 2, 'a', 0, 'b'})), "a");
    EXPECT_EQ(ReferenceFromValueBytes(S::Outlook98, Bytes({1, 2})), "");
    EXPECT_EQ(ReferenceFromValueBytes(S::Outlook98, TBytes()), "");
}

TEST(StoredPasswordBytes, IdentityRecordIsTwentyBytesWithAtMostFifteenCharacters) {
    TTestSystem system; // ANSI code page 1252
    const auto on = IdentityPasswordRecord("Grüße", true);
    EXPECT_EQ(TBytes(on.begin(), on.end()),
              Bytes({1, 0, 0, 0, 'G', 'r', 0xFC, 0xDF, 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    const auto off = IdentityPasswordRecord("kept", false);
    EXPECT_EQ(off[0], 0);
    EXPECT_EQ(off[4], 'k');
    const auto cut = IdentityPasswordRecord("ääääääääääääääääääää", true); // 20 characters
    EXPECT_EQ(cut[18], 0xE4);
    EXPECT_EQ(cut[19], 0); // always zero-terminated
    std::string fifteen;
    for (int i = 0; i < 15; ++i) {
        fifteen += "ä";
    }
    EXPECT_EQ(IdentityPasswordFromRecord(TBytes(cut.begin(), cut.end())).Password, fifteen);
}

TEST(StoredPasswordBytes, IdentityRecordsReadLeniently) {
    const TIdentityPassword full =
        IdentityPasswordFromRecord(Bytes({1, 0, 0, 0, 'p', 'w', 0, 'x'}));
    EXPECT_TRUE(full.SwitchedOn);
    EXPECT_EQ(full.Password, "pw");
    EXPECT_FALSE(IdentityPasswordFromRecord(Bytes({2, 0, 0, 0, 'p'})).SwitchedOn);
    EXPECT_EQ(IdentityPasswordFromRecord(Bytes({1, 0, 0, 0, 'a', 'b'})).Password, "ab");
    const TIdentityPassword shortRecord = IdentityPasswordFromRecord(Bytes({1, 0}));
    EXPECT_TRUE(shortRecord.SwitchedOn);
    EXPECT_EQ(shortRecord.Password, "");
    EXPECT_FALSE(IdentityPasswordFromRecord(TBytes()).SwitchedOn);
}

// ---- Protected Storage ----

TEST(StoredPasswords, ReadAndDeleteFlagsFollowTheWindowsVersionAndTheStore) {
    struct TRow {
        V Windows;
        std::uint32_t Express, Outlook98, Outlook2002;
    };
    const TRow rows[] = {{V::Win95, 0, 0, 0},
                         {V::Win98, 0, 0, 0},
                         {V::WinMe, 0, 0, 0},
                         {V::WinNT4, 0x10, 0x10, 0x10},
                         {V::Win2000, 0, 0, 0},
                         {V::WinXP, 0x10, 0x10, 0x10},
                         {V::WinServer2003, 0x10, 0x10, 0x10},
                         {V::WinVista, 0, 0x10, 0x10},
                         {V::Win7, 0, 0x10, 0x10},
                         {V::Other, 0, 0, 0}};
    for (const TRow& row : rows) {
        const int w = static_cast<int>(row.Windows);
        EXPECT_EQ(TStoredPasswords(S::OutlookExpress, row.Windows).ReadFlags(), row.Express) << w;
        EXPECT_EQ(TStoredPasswords(S::Outlook98, row.Windows).ReadFlags(), row.Outlook98) << w;
        EXPECT_EQ(TStoredPasswords(S::Outlook2002, row.Windows).ReadFlags(), row.Outlook2002) << w;
    }
    TTestSystem system(TTestMachine().Windows(TTestWindows::Vista).Ini());
    InitOutlookWindowsVersion(); // as at program start
    EXPECT_EQ(TStoredPasswords(S::OutlookExpress).ReadFlags(), 0u);
    EXPECT_EQ(TStoredPasswords(S::Outlook98).ReadFlags(), 0x10u);
}

TEST(StoredPasswords, WithoutProtectedStorageNothingIsReadWrittenOrDeleted) {
    TTestSystem system(TTestMachine().ProtectedStorage(false).Ini());
    TStoredPasswords passwords(S::OutlookExpress, V::WinXP);
    EXPECT_FALSE(passwords.ObtainProvider());
    platform::detail::ClearPStoreCallsForTesting();
    passwords.WriteStoredPassword("account00000001", "pw");
    passwords.WriteIdentityPassword(Identity, "pw", true);
    passwords.DeleteStoredPassword("account00000001");
    EXPECT_EQ(passwords.ReadStoredPassword("account00000001"), "");
    const TIdentityPassword identity = passwords.ReadIdentityPassword(Identity);
    EXPECT_EQ(identity.Password, "");
    EXPECT_FALSE(identity.SwitchedOn);
    EXPECT_FALSE(passwords.EnsureItemType(AnsiPasswordType, "x", AnsiPasswordSubtype, "y"));
    EXPECT_TRUE(CallNames().empty());
    EXPECT_FALSE(TRegistry(platform::HKEY_CURRENT_USER)
                     .KeyExists("\\Software\\Microsoft\\Protected Storage System Provider"));
}

TEST(StoredPasswords, ItemTypesAreMadeOnce) {
    TTestSystem system;
    TStoredPasswords passwords(S::OutlookExpress, V::WinXP);
    ASSERT_TRUE(passwords.ObtainProvider());
    platform::detail::ClearPStoreCallsForTesting();
    ASSERT_TRUE(passwords.EnsureItemType(AnsiPasswordType, "Identification", AnsiPasswordSubtype,
                                         "INETCOMM Server Passwords"));
    EXPECT_EQ(CallNames(), (std::vector<std::string>{"EnumTypes", "CreateType", "EnumSubtypes",
                                                     "CreateSubtype"}));
    platform::detail::ClearPStoreCallsForTesting();
    ASSERT_TRUE(passwords.EnsureItemType(AnsiPasswordType, "Identification", AnsiPasswordSubtype,
                                         "INETCOMM Server Passwords"));
    EXPECT_EQ(CallNames(), (std::vector<std::string>{"EnumTypes", "EnumSubtypes"}));
}

TEST(StoredPasswords, EachFamilyKeepsItsOwnItemLayout) {
    TTestSystem system;
    TStoredPasswords ansi(S::Outlook98, V::WinXP);
    TStoredPasswords wide(S::Outlook2002, V::WinXP);
    ASSERT_TRUE(ansi.ObtainProvider());
    ASSERT_TRUE(wide.ObtainProvider());
    ansi.WriteStoredPassword("account00000001", "Grüße");
    wide.WriteStoredPassword("000000000000002A", "Grüße€");

    EXPECT_EQ(RawItem(AnsiPasswordType, AnsiPasswordSubtype, u"account00000001"),
              Bytes({'G', 'r', 0xFC, 0xDF, 'e', 0}));
    EXPECT_EQ(RawItem(WidePasswordType, WidePasswordSubtype, u"000000000000002A"),
              Concat({Utf16Bytes("Grüße€"), Bytes({0, 0})}));
    EXPECT_EQ(ansi.ReadStoredPassword("account00000001"), "Grüße");
    EXPECT_EQ(wide.ReadStoredPassword("000000000000002A"), "Grüße€");
    EXPECT_EQ(ansi.ReadStoredPassword("000000000000002A"), ""); // another family
    std::string name;
    std::unique_ptr<platform::IPStore> store;
    platform::PStoreCreateInstance(store);
    store->GetSubtypeInfo(platform::PST_KEY_CURRENT_USER, WidePasswordType, WidePasswordSubtype,
                          name, 0);
    EXPECT_EQ(name, "INETCOMM Server Passwords");
}

TEST(StoredPasswords, ItemsAreOverwrittenAndMissingOnesReadEmptyAndDeleteQuietly) {
    TTestSystem system;
    TStoredPasswords passwords(S::OutlookExpress, V::WinXP);
    ASSERT_TRUE(passwords.ObtainProvider());
    EXPECT_EQ(passwords.ReadStoredPassword("account00000001"), ""); // not even the type exists
    passwords.WriteStoredPassword("account00000001", "old");
    passwords.WriteStoredPassword("account00000001", "new");
    EXPECT_EQ(passwords.ReadStoredPassword("account00000001"), "new");
    passwords.DeleteStoredPassword("account00000001");
    passwords.DeleteStoredPassword("account00000001");
    EXPECT_EQ(passwords.ReadStoredPassword("account00000001"), "");
    system.Reinstall();
    TStoredPasswords again(S::OutlookExpress, V::WinXP);
    ASSERT_TRUE(again.ObtainProvider());
    again.WriteStoredPassword("account00000002", "kept");
    system.Reinstall();
    EXPECT_EQ(again.ReadStoredPassword("account00000002"), "kept");
}

TEST(StoredPasswords, CallsCarryTheFlagsOfTheirKind) {
    TTestSystem system;
    TStoredPasswords passwords(S::Outlook98, V::WinVista);
    ASSERT_TRUE(passwords.ObtainProvider());
    passwords.WriteStoredPassword("account00000001", "pw");
    platform::detail::ClearPStoreCallsForTesting();
    passwords.WriteStoredPassword("account00000001", "pw");
    passwords.ReadStoredPassword("account00000001");
    passwords.ReadIdentityPassword(Identity);
    passwords.DeleteStoredPassword("account00000001");
    for (const auto& call : platform::detail::PStoreCallsForTesting()) {
        if (call.Operation == "WriteItem") {
            EXPECT_EQ(call.Flags, 0u);
            EXPECT_EQ(call.ConfirmationStyle, 1u);
        } else if (call.Operation == "ReadItem" || call.Operation == "DeleteItem") {
            EXPECT_EQ(call.Flags, 0x10u) << call.Operation;
        } else {
            EXPECT_EQ(call.Flags, 0u) << call.Operation;
        }
    }
    EXPECT_EQ(CallNames(), (std::vector<std::string>{"EnumTypes", "EnumSubtypes", "WriteItem",
                                                     "ReadItem", "ReadItem", "DeleteItem"}));
}

TEST(StoredPasswords, IdentityPasswordsKeepTextAndSwitch) {
    TTestSystem system;
    TStoredPasswords passwords(S::OutlookExpress, V::WinXP);
    ASSERT_TRUE(passwords.ObtainProvider());
    EXPECT_FALSE(passwords.ReadIdentityPassword(Identity).SwitchedOn);
    passwords.WriteIdentityPassword(Identity, "sixteen-letters!", false);
    const auto identity = platform::StringToGuid(Identity);
    const TBytes record = RawItem(IdentityPasswordType, *identity, u"IdentitiesPass");
    ASSERT_EQ(record.size(), 20u);
    EXPECT_EQ(record[0], 0);
    const TIdentityPassword off = passwords.ReadIdentityPassword(Identity);
    EXPECT_FALSE(off.SwitchedOn);
    EXPECT_EQ(off.Password, "sixteen-letters"); // cut to fifteen
    passwords.WriteIdentityPassword(Identity, "pw", true);
    const TIdentityPassword on = passwords.ReadIdentityPassword(Identity);
    EXPECT_TRUE(on.SwitchedOn);
    EXPECT_EQ(on.Password, "pw");

    std::string name;
    std::unique_ptr<platform::IPStore> store;
    platform::PStoreCreateInstance(store);
    store->GetTypeInfo(platform::PST_KEY_CURRENT_USER, IdentityPasswordType, name, 0);
    EXPECT_EQ(name, "IdentityMgr");
    store->GetSubtypeInfo(platform::PST_KEY_CURRENT_USER, IdentityPasswordType, *identity, name, 0);
    EXPECT_EQ(name, "Identities");
    EXPECT_EQ(passwords.ReadIdentityPassword("not a guid").Password, "");
    EXPECT_THROW(passwords.WriteIdentityPassword("not a guid", "pw", true), EStoredPasswordError);
}

TEST(StoredPasswords, AWriteThatFailsIsReportedNotSwallowed) {
    TTestSystem system;
    TStoredPasswords passwords(S::OutlookExpress, V::WinXP);
    ASSERT_TRUE(passwords.ObtainProvider());
    passwords.WriteStoredPassword("account00000001", "first"); // keys and types exist now
    platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::Write); // a full disk
    try {
        passwords.WriteStoredPassword("account00000001", "s3cret-word");
        ADD_FAILURE() << "no error";
    } catch (const EStoredPasswordError& error) {
        EXPECT_EQ(std::string(error.what()).find("s3cret-word"), std::string::npos);
    }
    platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::None);
    EXPECT_THROW(passwords.WriteStoredPassword("", "pw"), EStoredPasswordError);
}
