#include "platform/DataProtection.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace platform;
using testing_support::TTestMachine;
using testing_support::TTestSystem;
namespace fs = std::filesystem;

namespace {

TDataBlob Bytes(const std::string& text) {
    return TDataBlob(text.begin(), text.end());
}

const TDataBlob NoEntropy;
const TDataBlob Salt = Bytes("0123456789abcdef");
constexpr std::uint32_t UserScope = CRYPTPROTECT_UI_FORBIDDEN;
constexpr std::uint32_t MachineScope = CRYPTPROTECT_UI_FORBIDDEN | CRYPTPROTECT_LOCAL_MACHINE;

bool Contains(const TDataBlob& haystack, const TDataBlob& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

TDataBlob Seal(const TDataBlob& data, std::uint32_t flags, const TDataBlob& entropy = NoEntropy) {
    auto blob = CryptProtectData(data, "POP3 Password", entropy, flags);
    EXPECT_TRUE(blob);
    return blob.value_or(TDataBlob());
}

bool Opens(const TDataBlob& blob, const TDataBlob& entropy = NoEntropy) {
    return CryptUnprotectData(blob, entropy, 0).has_value();
}

struct TSealedPair {
    TDataBlob User, Machine;
};

TSealedPair SealInBothScopes() {
    return {Seal(Bytes("user"), UserScope), Seal(Bytes("machine"), MachineScope)};
}

} // namespace

TEST(DataProtection, RoundTripsInEitherScopeWithAndWithoutEntropy) {
    TTestSystem system;
    const TDataBlob inputs[] = {TDataBlob(), Bytes("geheim"), TDataBlob(64, 0xA5),
                                Bytes(std::string("a\0b\0\0", 5))};
    for (const std::uint32_t flags : {0u, UserScope, MachineScope, CRYPTPROTECT_LOCAL_MACHINE}) {
        for (const TDataBlob& entropy : {NoEntropy, Salt}) {
            for (const TDataBlob& data : inputs) {
                const auto blob = CryptProtectData(data, "Grüße", entropy, flags);
                ASSERT_TRUE(blob) << flags;
                const auto opened = CryptUnprotectData(*blob, entropy, flags);
                ASSERT_TRUE(opened) << flags << " " << data.size() << " " << entropy.size();
                EXPECT_EQ(opened->Data, data);
                EXPECT_EQ(opened->Description, "Grüße");
            }
        }
    }
}

TEST(DataProtection, SealsDifferEachTimeAndHideTheData) {
    TTestSystem system;
    const TDataBlob password = Bytes("correct horse battery");
    const TDataBlob first = Seal(password, UserScope);
    const TDataBlob second = Seal(password, UserScope);
    EXPECT_NE(first, second);
    EXPECT_FALSE(Contains(first, password));
    EXPECT_TRUE(Opens(first));
    EXPECT_TRUE(Opens(second));
}

TEST(DataProtection, EveryChangedOrMissingByteFailsToUnseal) {
    TTestSystem system;
    for (const std::uint32_t flags : {UserScope, MachineScope}) {
        const TDataBlob blob = Seal(Bytes("secret"), flags, Salt);
        ASSERT_TRUE(Opens(blob, Salt));
        for (std::size_t i = 0; i < blob.size(); ++i) {
            TDataBlob changed = blob;
            changed[i] ^= 0x01;
            EXPECT_FALSE(Opens(changed, Salt)) << "byte " << i;
            EXPECT_FALSE(Opens(TDataBlob(blob.begin(), blob.begin() + i), Salt)) << "cut " << i;
        }
        TDataBlob longer = blob;
        longer.push_back(0);
        EXPECT_FALSE(Opens(longer, Salt));
    }
}

TEST(DataProtection, EntropyMustBeGivenAgainExactly) {
    TTestSystem system;
    const TDataBlob withSalt = Seal(Bytes("secret"), 0, Salt);
    const TDataBlob withoutSalt = Seal(Bytes("secret"), 0);
    TDataBlob otherSalt = Salt;
    otherSalt.back() ^= 0x80;
    EXPECT_FALSE(Opens(withSalt));
    EXPECT_FALSE(Opens(withSalt, otherSalt));
    EXPECT_FALSE(Opens(withoutSalt, Salt));
    EXPECT_TRUE(Opens(withSalt, Salt));
    EXPECT_TRUE(Opens(withoutSalt));
}

TEST(DataProtection, UnknownFlagsAreRefused) {
    TTestSystem system;
    EXPECT_FALSE(CryptProtectData(Bytes("x"), "", NoEntropy, 0x2));
    const TDataBlob blob = Seal(Bytes("x"), UserScope);
    EXPECT_FALSE(CryptUnprotectData(blob, NoEntropy, 0x100));
    EXPECT_TRUE(CryptUnprotectData(blob, NoEntropy, MachineScope)); // the blob names its scope
}

TEST(DataProtection, UserSealsOpenOnlyForThatUserMachineSealsForEveryUser) {
    TTestSystem system(TTestMachine().User("Anna", "S-1-5-21-7-8-9-1001").Ini());
    const TDataBlob userBlob = Seal(Bytes("anna's"), UserScope);
    const TDataBlob machineBlob = Seal(Bytes("shared"), MachineScope);

    system.SwitchUser("Bert", "S-1-5-21-7-8-9-1002");
    EXPECT_FALSE(Opens(userBlob));
    EXPECT_TRUE(Opens(machineBlob));
    EXPECT_TRUE(Opens(Seal(Bytes("bert's"), UserScope))); // Bert gets a key of his own

    system.SwitchUser("Anna", "S-1-5-21-7-8-9-1001");
    EXPECT_TRUE(Opens(userBlob));
}

TEST(DataProtection, KeysLiveOnTheDriveAndOutlastTheProgram) {
    TSealedPair sealed;
    fs::path copy;
    {
        TTestSystem system;
        sealed = SealInBothScopes();
        EXPECT_TRUE(system.Exists("C:\\Documents and Settings\\User\\Application Data\\Microsoft\\"
                                  "Protect\\" +
                                  std::string(DefaultUserSid) + "\\Preferred"));
        EXPECT_TRUE(system.Exists("C:\\WINDOWS\\System32\\Microsoft\\Protect\\S-1-5-18\\User\\"
                                  "Preferred"));
        UninstallSystem();
        copy = system.Root().string() + "-copy";
        fs::copy(system.Root(), copy, fs::copy_options::recursive);
    }
    // The same machine, started again from its files alone.
    InstallSystem(copy);
    EXPECT_TRUE(Opens(sealed.User));
    EXPECT_TRUE(Opens(sealed.Machine));
    UninstallSystem();
    fs::remove_all(copy);
}

// The keys read to open a blob are kept while their system is installed, and no longer: a blob
// of another machine fails whether or not its keys were used there.
TEST(DataProtection, ABlobOfAnotherMachineFailsToUnseal) {
    for (const bool openedFirst : {false, true}) {
        SCOPED_TRACE(openedFirst ? "opened on its own machine first" : "only sealed");
        TSealedPair sealed;
        {
            TTestSystem first;
            sealed = SealInBothScopes();
            if (openedFirst) {
                ASSERT_TRUE(Opens(sealed.User));
                ASSERT_TRUE(Opens(sealed.Machine));
            }
        }
        TTestSystem second; // same user name and SID, other keys
        EXPECT_FALSE(Opens(sealed.User));
        EXPECT_FALSE(Opens(sealed.Machine));
    }
}

TEST(DataProtection, NoKeyFolderMeansNoSealNotACrash) {
    TTestSystem system;
    const std::string protect = "C:\\Documents and Settings\\User\\Application Data\\Microsoft";
    system.WriteFile(protect + "\\Protect", "a file where the key folder belongs");
    EXPECT_FALSE(CryptProtectData(Bytes("x"), "", NoEntropy, UserScope));
    EXPECT_TRUE(CryptProtectData(Bytes("x"), "", NoEntropy, MachineScope));
    UninstallSystem();
    EXPECT_FALSE(CryptProtectData(Bytes("x"), "", NoEntropy, MachineScope)); // no system at all
}
