// Protected Storage of the system: present up to Windows XP, missing after it and under Wine.

#include "WinTestSupport.h"

#include "platform/ProtectedStorage.h"
#include "platform/System.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(ProtectedStorageTest, TheProviderIsThereOrReportedMissing) {
    std::unique_ptr<IPStore> store;
    const TPStoreResult result = PStoreCreateInstance(store);
    if (result == PST_E_OK) {
        EXPECT_TRUE(store);
        EXPECT_TRUE(MachineFacts().ProtectedStorageAvailable);
    } else {
        EXPECT_EQ(result, PST_E_PROV_DLL_NOT_FOUND);
        EXPECT_FALSE(store);
        EXPECT_FALSE(MachineFacts().ProtectedStorageAvailable);
    }
}

// Only a Windows with Protected Storage can show the round trip; Wine has none.
TEST(ProtectedStorageTest, AnItemRoundTripsWhereTheSystemHasTheStore) {
    std::unique_ptr<IPStore> store;
    if (PStoreCreateInstance(store) != PST_E_OK) {
        GTEST_SKIP() << "this system has no Protected Storage";
    }
    const TGUID type = *StringToGuid("{5E7E8100-9138-11D1-945A-00C04FC308FF}");
    TGUID subtype{};
    ASSERT_EQ(CoCreateGuid(reinterpret_cast<GUID*>(&subtype)), S_OK);
    const TPStoreResult created = store->CreateType(PST_KEY_CURRENT_USER, type, "Quenlix Test", 0);
    ASSERT_TRUE(created == PST_E_OK || created == PST_E_TYPE_EXISTS);
    ASSERT_EQ(store->CreateSubtype(PST_KEY_CURRENT_USER, type, subtype, "Quenlix Test Item", 0),
              PST_E_OK);
    const std::vector<std::uint8_t> data = {'g', 'e', 'h', 'e', 'i', 'm', 0};
    ASSERT_EQ(
        store->WriteItem(PST_KEY_CURRENT_USER, type, subtype, u"Quenlix", data, PST_CF_NONE, 0),
        PST_E_OK);
    std::vector<std::uint8_t> read;
    EXPECT_EQ(store->ReadItem(PST_KEY_CURRENT_USER, type, subtype, u"Quenlix", read, 0), PST_E_OK);
    EXPECT_EQ(read, data);
    EXPECT_EQ(store->DeleteItem(PST_KEY_CURRENT_USER, type, subtype, u"Quenlix", 0), PST_E_OK);
}

} // namespace
