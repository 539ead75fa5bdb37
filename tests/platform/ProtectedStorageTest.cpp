#include "platform/ProtectedStorage.h"
#include "platform/CodePage.h"
#include "platform/PStoreTesting.h"
#include "platform/RegText.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace platform;
using testing_support::TTestMachine;
using testing_support::TTestSystem;

namespace {

using TBytes = std::vector<std::uint8_t>;

const TGUID Type = *StringToGuid("{220D5CC1-853A-11D0-84BC-00C04FD43F8F}");
const TGUID Subtype = *StringToGuid("{417E2D75-84BD-11D0-84BB-00C04FD43F8F}");
const TGUID OtherSubtype = *StringToGuid("{220D5CD1-853A-11D0-84BC-00C04FD43F8F}");
constexpr std::uint32_t User = PST_KEY_CURRENT_USER;
// Anna's key of the type above in her hive; its subkeys are the subtypes.
const std::string TypeKey = "\\Software\\Microsoft\\Protected Storage System Provider\\"
                            "S-1-5-21-5-6-7-1001\\Data\\{220d5cc1-853a-11d0-84bc-00c04fd43f8f}\\";

TBytes Bytes(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

class TProtectedStorage : public ::testing::Test {
protected:
    TProtectedStorage() : System(TTestMachine().User("Anna", "S-1-5-21-5-6-7-1001").Ini()) {
        EXPECT_EQ(PStoreCreateInstance(Store), PST_E_OK);
    }

    void CreateFamily() {
        ASSERT_EQ(Store->CreateType(User, Type, "Identification", 0), PST_E_OK);
        ASSERT_EQ(Store->CreateSubtype(User, Type, Subtype, "INETCOMM Server Passwords", 0),
                  PST_E_OK);
    }

    TPStoreResult Write(const std::u16string& name, const TBytes& data, std::uint32_t flags = 0) {
        return Store->WriteItem(User, Type, Subtype, name, data, PST_CF_NONE, flags);
    }

    TPStoreResult Delete(const std::u16string& name, std::uint32_t flags = 0) {
        return Store->DeleteItem(User, Type, Subtype, name, flags);
    }
    // The result of the read, and the data in `Read_`.
    TPStoreResult Read(const std::u16string& name, std::uint32_t flags = 0) {
        Read_.clear();
        return Store->ReadItem(User, Type, Subtype, name, Read_, flags);
    }

    TTestSystem System;
    std::unique_ptr<IPStore> Store;
    TBytes Read_;
};

// The text of a saved hive file as written: UTF-16LE with the hex lists joined up.
std::string SavedHiveText(const TTestSystem& system, const char* hive) {
    UninstallSystem();
    std::ifstream in(system.Root() / "registry" / hive, std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text = Utf16ToUtf8(
        reg::BytesToUtf16(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()));
    std::string joined;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\\\r\n") == 0) {
            i += 2;
            while (i + 1 < text.size() && text[i + 1] == ' ') {
                ++i;
            }
        } else {
            joined += text[i];
        }
    }
    return joined;
}

std::string HexList(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02x,", static_cast<unsigned char>(c));
        out += pair;
    }
    out.pop_back();
    return out;
}

} // namespace

TEST(ProtectedStorageProvider, MissingWhereTheSystemHasNone) {
    TTestSystem system(TTestMachine().ProtectedStorage(false).Ini());
    std::unique_ptr<IPStore> store;
    EXPECT_EQ(PStoreCreateInstance(store), PST_E_PROV_DLL_NOT_FOUND);
    EXPECT_EQ(store, nullptr);
}

TEST_F(TProtectedStorage, TypesAndSubtypesAreMadeOnceWithTheirNames) {
    std::vector<TGUID> types;
    ASSERT_EQ(Store->EnumTypes(User, 0, types), PST_E_OK);
    EXPECT_TRUE(types.empty());
    EXPECT_EQ(Store->CreateSubtype(User, Type, Subtype, "x", 0), PST_E_TYPE_NO_EXISTS);
    CreateFamily();
    EXPECT_EQ(Store->CreateType(User, Type, "Other", 0), PST_E_TYPE_EXISTS);
    EXPECT_EQ(Store->CreateSubtype(User, Type, Subtype, "Other", 0), PST_E_TYPE_EXISTS);

    ASSERT_EQ(Store->EnumTypes(User, 0, types), PST_E_OK);
    ASSERT_EQ(types.size(), 1u);
    EXPECT_TRUE(SameGuid(types[0], Type));
    std::vector<TGUID> subtypes;
    ASSERT_EQ(Store->EnumSubtypes(User, Type, 0, subtypes), PST_E_OK);
    ASSERT_EQ(subtypes.size(), 1u);
    EXPECT_TRUE(SameGuid(subtypes[0], Subtype));
    EXPECT_EQ(Store->EnumSubtypes(User, Subtype, 0, subtypes), PST_E_TYPE_NO_EXISTS);

    std::string name;
    EXPECT_EQ(Store->GetTypeInfo(User, Type, name, 0), PST_E_OK);
    EXPECT_EQ(name, "Identification");
    EXPECT_EQ(Store->GetSubtypeInfo(User, Type, Subtype, name, 0), PST_E_OK);
    EXPECT_EQ(name, "INETCOMM Server Passwords");
    EXPECT_EQ(Store->GetSubtypeInfo(User, Type, OtherSubtype, name, 0), PST_E_TYPE_NO_EXISTS);
}

TEST_F(TProtectedStorage, ItemsNeedTheirTypeAndSubtype) {
    EXPECT_EQ(Write(u"account00000001", Bytes("pw")), PST_E_TYPE_NO_EXISTS);
    ASSERT_EQ(Store->CreateType(User, Type, "Identification", 0), PST_E_OK);
    EXPECT_EQ(Write(u"account00000001", Bytes("pw")), PST_E_TYPE_NO_EXISTS);
    EXPECT_EQ(Read(u"account00000001"), PST_E_TYPE_NO_EXISTS);
    EXPECT_EQ(Delete(u"account00000001"), PST_E_TYPE_NO_EXISTS);
}

TEST_F(TProtectedStorage, ItemsAreWrittenOverwrittenReadAndDeleted) {
    CreateFamily();
    EXPECT_EQ(Read(u"account00000001"), PST_E_ITEM_NO_EXISTS);
    ASSERT_EQ(Write(u"account00000001", Bytes(std::string("first\0", 6))), PST_E_OK);
    ASSERT_EQ(Write(u"account00000002", TBytes()), PST_E_OK);
    ASSERT_EQ(Read(u"account00000001"), PST_E_OK);
    EXPECT_EQ(Read_, Bytes(std::string("first\0", 6)));
    ASSERT_EQ(Write(u"account00000001", Bytes("second")), PST_E_OK);
    EXPECT_EQ(Write(u"account00000001", Bytes("third"), PST_NO_OVERWRITE), PST_E_ITEM_EXISTS);
    ASSERT_EQ(Read(u"account00000001"), PST_E_OK);
    EXPECT_EQ(Read_, Bytes("second"));
    ASSERT_EQ(Read(u"account00000002"), PST_E_OK);
    EXPECT_TRUE(Read_.empty());

    std::vector<std::u16string> names;
    ASSERT_EQ(Store->EnumItems(User, Type, Subtype, 0, names), PST_E_OK);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"account00000001", u"account00000002"}));
    EXPECT_EQ(Delete(u"account00000001"), PST_E_OK);
    EXPECT_EQ(Delete(u"account00000001"), PST_E_ITEM_NO_EXISTS);
    EXPECT_EQ(Read(u"account00000001"), PST_E_ITEM_NO_EXISTS);
}

TEST_F(TProtectedStorage, NamesTheRegistryCannotHoldAndOtherKeysAreRefused) {
    CreateFamily();
    for (const std::u16string& bad :
         {std::u16string(), std::u16string(u"a\nb"), std::u16string(1, char16_t(0xD800))}) {
        EXPECT_EQ(Write(bad, Bytes("x")), PST_E_INVALID_STRING);
        EXPECT_EQ(Read(bad), PST_E_INVALID_STRING);
    }
    TBytes data;
    EXPECT_EQ(Store->WriteItem(PST_KEY_LOCAL_MACHINE, Type, Subtype, u"a", data, 1, 0), PST_E_FAIL);
    EXPECT_EQ(Write(u"Ünïcødé \\ name", Bytes("x")), PST_E_OK);
    EXPECT_EQ(Read(u"Ünïcødé \\ name"), PST_E_OK);
}

TEST_F(TProtectedStorage, ItemsLiveSealedUnderTheUsersKeyAndSurviveARestart) {
    CreateFamily();
    ASSERT_EQ(Write(u"IdentitiesPass", Bytes("pw")), PST_E_OK);
    System.Reinstall();
    ASSERT_EQ(Read(u"IdentitiesPass"), PST_E_OK);
    EXPECT_EQ(Read_, Bytes("pw"));

    TRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly(TypeKey + "{417e2d75-84bd-11d0-84bb-00c04fd43f8f}"));
    EXPECT_EQ(reg.ReadString(""), "INETCOMM Server Passwords");
    EXPECT_EQ(reg.GetDataType("IdentitiesPass"), TRegDataType::rdBinary);
    EXPECT_GT(reg.GetDataSize("IdentitiesPass"), 2);
}

TEST_F(TProtectedStorage, NoPasswordIsReadableInTheHiveFile) {
    CreateFamily();
    const std::string password = "Grüße-Geheim!";
    const std::string ansi = Utf8ToAnsi(password);
    const std::u16string wide = Utf8ToUtf16(password);
    const std::string wideBytes(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    ASSERT_EQ(Write(u"account00000001", Bytes(ansi + '\0')), PST_E_OK);
    ASSERT_EQ(Write(u"account00000002", Bytes(wideBytes + std::string(2, '\0'))), PST_E_OK);

    const std::string hive = SavedHiveText(System, "HKEY_CURRENT_USER.reg");
    ASSERT_NE(hive.find("account00000002"), std::string::npos);
    for (const std::string& form : {password, ansi, wideBytes}) {
        EXPECT_EQ(hive.find(form), std::string::npos);
        EXPECT_EQ(hive.find(HexList(form)), std::string::npos) << HexList(form);
    }
}

TEST_F(TProtectedStorage, ASealedValueOpensOnlyAsTheItemItWasWrittenFor) {
    CreateFamily();
    ASSERT_EQ(Store->CreateSubtype(User, Type, OtherSubtype, "Other", 0), PST_E_OK);
    ASSERT_EQ(Write(u"account00000001", Bytes("pw")), PST_E_OK);
    TRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(TypeKey + "{417e2d75-84bd-11d0-84bb-00c04fd43f8f}", false));
    const TBytes sealed = reg.ReadBinaryData("account00000001");
    reg.WriteBinaryData("account00000002", sealed);
    ASSERT_TRUE(reg.OpenKey(TypeKey + "{220d5cd1-853a-11d0-84bc-00c04fd43f8f}", false));
    reg.WriteBinaryData("account00000001", sealed);
    reg.CloseKey();

    EXPECT_EQ(Read(u"account00000002"), PST_E_STORAGE_ERROR);
    EXPECT_TRUE(Read_.empty());
    TBytes data;
    EXPECT_EQ(Store->ReadItem(User, Type, OtherSubtype, u"account00000001", data, 0),
              PST_E_STORAGE_ERROR);
    EXPECT_EQ(Read(u"account00000001"), PST_E_OK);
}

TEST_F(TProtectedStorage, EachUserHasTheirOwnItems) {
    CreateFamily();
    ASSERT_EQ(Write(u"account00000001", Bytes("anna")), PST_E_OK);
    System.SwitchUser("Bert", "S-1-5-21-5-6-7-1002");
    EXPECT_EQ(Read(u"account00000001"), PST_E_TYPE_NO_EXISTS);
    CreateFamily();
    ASSERT_EQ(Write(u"account00000001", Bytes("bert")), PST_E_OK);
    System.SwitchUser("Anna", "S-1-5-21-5-6-7-1001");
    ASSERT_EQ(Read(u"account00000001"), PST_E_OK);
    EXPECT_EQ(Read_, Bytes("anna"));
}

TEST_F(TProtectedStorage, FlagsAndConfirmationStyleAreRecorded) {
    CreateFamily();
    detail::ClearPStoreCallsForTesting();
    Write(u"a", Bytes("x"));
    Read(u"a", 0x10);
    Delete(u"a", 0x10);
    const auto calls = detail::PStoreCallsForTesting();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Operation, "WriteItem");
    EXPECT_EQ(calls[0].ConfirmationStyle, PST_CF_NONE);
    EXPECT_EQ(calls[0].Flags, 0u);
    EXPECT_EQ(calls[1].Operation, "ReadItem");
    EXPECT_EQ(calls[1].Flags, 0x10u);
    EXPECT_EQ(calls[2].Operation, "DeleteItem");
    EXPECT_EQ(calls[2].ItemName, u"a");
    EXPECT_EQ(calls[2].Flags, 0x10u);
}
