// Data protection by the system (CryptProtectData / CryptUnprotectData) and its random source.

#include "WinTestSupport.h"

#include "platform/CryptRandom.h"
#include "platform/DataProtection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace platform;

TDataBlob Bytes(const std::string& text) {
    return TDataBlob(text.begin(), text.end());
}

TEST(DataProtectionTest, ASealUnsealsWithItsEntropyOnly) {
    const TDataBlob secret = Bytes("Geheim-42 \xe2\x98\x83");
    const TDataBlob entropy = Bytes("account 00000002");
    for (const std::uint32_t scope : {0u, CRYPTPROTECT_LOCAL_MACHINE}) {
        SCOPED_TRACE(scope);
        const auto sealed =
            CryptProtectData(secret, "Quenlix \u2603", entropy, CRYPTPROTECT_UI_FORBIDDEN | scope);
        ASSERT_TRUE(sealed);
        EXPECT_EQ(std::search(sealed->begin(), sealed->end(), secret.begin(), secret.end()),
                  sealed->end()); // the secret is not in the blob

        const auto opened = CryptUnprotectData(*sealed, entropy, CRYPTPROTECT_UI_FORBIDDEN);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->Data, secret);
        EXPECT_EQ(opened->Description, "Quenlix \u2603");

        EXPECT_FALSE(CryptUnprotectData(*sealed, Bytes("account 00000003"), 0));
        EXPECT_FALSE(CryptUnprotectData(*sealed, {}, 0));
        TDataBlob changed = *sealed;
        changed[changed.size() - 5] ^= 0x01;
        EXPECT_FALSE(CryptUnprotectData(changed, entropy, 0));
        EXPECT_FALSE(CryptUnprotectData(TDataBlob(sealed->begin(), sealed->end() - 1), entropy, 0));
    }
}

TEST(DataProtectionTest, WithoutEntropyAndWithUnknownFlags) {
    const auto sealed = CryptProtectData(Bytes("x"), "", {}, 0);
    ASSERT_TRUE(sealed);
    const auto opened = CryptUnprotectData(*sealed, {}, CRYPTPROTECT_VERIFY_PROTECTION);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Data, Bytes("x"));
    EXPECT_FALSE(CryptProtectData(Bytes("x"), "", {}, 0x100));
    EXPECT_FALSE(CryptUnprotectData(*sealed, {}, 0x100));
    EXPECT_FALSE(CryptUnprotectData(Bytes("not a blob"), {}, 0));
}

TEST(DataProtectionTest, TheRandomSourceGivesFreshBytes) {
    std::uint8_t first[64] = {};
    std::uint8_t second[64] = {};
    ASSERT_TRUE(CryptGenRandom(first, sizeof first));
    ASSERT_TRUE(CryptGenRandom(second, sizeof second));
    EXPECT_NE(std::memcmp(first, second, sizeof first), 0);
    EXPECT_TRUE(CryptGenRandom(first, 0));
}

} // namespace
