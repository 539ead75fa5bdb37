// The Outlook family's shared account values: one save's decision per password, and the values
// of one key read at once with the registry's own rules.

#include "OutlookExpressTestSupport.h"

#include "clients/outlook/OutlookAccountValues.h"

using namespace outlook_values;
using namespace oe_test;

namespace {

struct TPlanCase {
    const char* Name;
    std::string Stored;
    std::string Password;
    bool Remember;
    bool Available;
    std::string Reference;
    bool WriteReference, WriteItem, DeleteItem;
};

void PrintTo(const TPlanCase& c, std::ostream* out) {
    *out << c.Name;
}

class PasswordPlan : public ::testing::TestWithParam<TPlanCase> {};

} // namespace

TEST_P(PasswordPlan, DecidesReferenceAndItem) {
    const TPlanCase& c = GetParam();
    const TPasswordSave plan =
        PlanPassword("POP3 Password2", c.Stored, "fresh", c.Password, c.Remember, c.Available);
    EXPECT_EQ(plan.Reference, c.Reference);
    EXPECT_EQ(plan.WriteReference, c.WriteReference);
    EXPECT_EQ(plan.WriteItem, c.WriteItem);
    EXPECT_EQ(plan.DeleteItem, c.DeleteItem);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PasswordPlan,
    ::testing::Values(
        TPlanCase{"NewPassword", "", "pw", true, true, "fresh", true, true, false},
        TPlanCase{"StoredReferenceKept", "old", "pw", true, true, "old", false, true, false},
        TPlanCase{"EmptyPasswordTouchesNothing", "old", "", true, true, "old", false, false, false},
        TPlanCase{"NotRememberedLosesItsItem", "old", "pw", false, true, "old", false, false, true},
        TPlanCase{"NotRememberedNewGetsOnlyTheReference", "", "pw", false, true, "fresh", true,
                  false, false},
        TPlanCase{"NoProtectedStorage", "", "pw", true, false, "fresh", true, false, false}),
    [](const auto& info) { return std::string(info.param.Name); });

class KeyValues : public OutlookExpressFixture {};

TEST_F(KeyValues, ReadLikeTheRegistryWithNamesInAnyCase) {
    Install(Key("Software\\Test") + Str("Text", "abc") + ExpandStr("Path", "%TEMP%") +
            Dword("Number", 42) + Hex("Bytes", {1, 2}) + Hex("Short", {1}));
    platform::TRegistry registry(platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software\\Test"));
    const TKeyValues values(registry);
    EXPECT_EQ(values.Path(), "Software\\Test");
    EXPECT_EQ(values.String("TEXT"), "abc");
    EXPECT_EQ(values.String("path"), "%TEMP%");
    EXPECT_EQ(values.Integer("number"), 42);
    EXPECT_EQ(values.Binary("Bytes"), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_FALSE(values.Binary("Text"));
    EXPECT_THROW(values.Integer("Text"), platform::ERegistryException);
    EXPECT_THROW(values.Integer("Short"), platform::ERegistryException);
    EXPECT_THROW(values.String("Number"), platform::ERegistryException);
    EXPECT_THROW(values.String("Missing"), platform::ERegistryException);
    EXPECT_EQ(ReadString(values, "Path", TStringRead::StringOnly), "");
    EXPECT_EQ(ReadString(values, "Missing", TStringRead::Plain), "");
    EXPECT_FALSE(ReadString(values, "Missing", TStringRead::WhenPresent));
    EXPECT_FALSE(ReadInteger(values, "Missing"));
    EXPECT_EQ(ReadFlag(values, "Number"), false);
}
