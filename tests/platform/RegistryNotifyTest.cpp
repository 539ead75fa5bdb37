// Registry change notification. The watch thread checks the armed keys in the order they were
// armed, so once a later notification has fired, an earlier one that did not fire was checked
// and found unchanged: that is how these tests tell "not signalled" without sleeping.

#include "RegTestText.h"

#include "platform/LastError.h"
#include "platform/RegistryNotify.h"
#include "platform/System.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

using namespace platform;
using testing_support::TTestSystem;

namespace {

constexpr std::uint32_t Patience = 10000;

const std::string UserHive = R"([HKEY_CURRENT_USER\Software\Client\Accounts]

[HKEY_CURRENT_USER\Software\Client\Accounts\00000001]
"Account Name"="Erika"
"POP3 Server"="pop.example.com"

[HKEY_CURRENT_USER\Software\Client\Accounts\00000001\Extra]
"Flag"=dword:00000001

[HKEY_CURRENT_USER\Software\Other]
"Value"="x"

[HKEY_CURRENT_USER\Software\Barrier]
)";

const std::string AccountsKey = "Software\\Client\\Accounts";
const std::string AccountKey = "Software\\Client\\Accounts\\00000001";

// A key opened for watching with its notification armed.
struct TArmed {
    TArmed(const std::string& path, bool subtree, std::uint32_t filter) {
        EXPECT_TRUE(Key.OpenKeyReadOnly(path));
        EXPECT_EQ(RegNotifyChangeKeyValue(Key, subtree, filter, Event), ERROR_SUCCESS);
    }
    bool Fired(std::uint32_t wait = Patience) const {
        return WaitForSingleObject(Event, wait) == WAIT_OBJECT_0;
    }
    TRegistry Key{HKEY_CURRENT_USER};
    THandle Event = CreateEvent(true, false);
};

void Write(const std::string& path, const std::string& name, const std::string& value) {
    TRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(path, true));
    reg.WriteString(name, value);
}

// Another process rewrites the user hive file: a new file renamed over the old one.
void RewriteHiveOnDisk(const TTestSystem& system, const std::string& body) {
    const std::filesystem::path file = system.Root() / "registry" / "HKEY_CURRENT_USER.reg";
    const std::filesystem::path temp = file.string() + ".other";
    std::ofstream(temp, std::ios::binary | std::ios::trunc)
        << reg_test::Utf16File("Windows Registry Editor Version 5.00\n\n" + body);
    std::filesystem::rename(temp, file);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

class RegistryNotify : public ::testing::Test {
protected:
    TTestSystem System{"", "", UserHive};
};

struct TRegChangeCase {
    const char* Name;
    std::string Watched;
    bool Subtree;
    std::uint32_t Filter;
    void (*Change)();
    bool Fires;
};

class RegistryChanges : public RegistryNotify,
                        public ::testing::WithParamInterface<TRegChangeCase> {};

// Armed after the watch under test and changed after the change under test: once it has fired,
// the watch under test has been checked since that change.
struct TBarrier : TArmed {
    TBarrier() : TArmed("Software\\Barrier", false, REG_NOTIFY_CHANGE_LAST_SET) {}
    bool Passed() {
        Write("Software\\Barrier", "Pass", std::to_string(++Passes));
        return Fired();
    }
    int Passes = 0;
};

TEST_P(RegistryChanges, FireOnlyForWhatTheFilterNames) {
    const TRegChangeCase& c = GetParam();
    TArmed watched(c.Watched, c.Subtree, c.Filter);
    TBarrier barrier;
    c.Change();
    ASSERT_TRUE(barrier.Passed());
    EXPECT_EQ(watched.Fired(0), c.Fires);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, RegistryChanges,
    ::testing::Values(
        TRegChangeCase{"ValueWriteWithValueFilter", AccountKey, false, REG_NOTIFY_CHANGE_LAST_SET,
                       [] { Write(AccountKey, "POP3 Server", "pop.example.net"); }, true},
        TRegChangeCase{"ValueWriteWithNameFilter", AccountsKey, true, REG_NOTIFY_CHANGE_NAME,
                       [] { Write(AccountKey, "POP3 Server", "pop.example.net"); }, false},
        TRegChangeCase{"NewSubkeyWithNameFilter", AccountsKey, true, REG_NOTIFY_CHANGE_NAME,
                       [] { Write(AccountsKey + "\\00000002", "Account Name", "Max"); }, true},
        TRegChangeCase{"DeepValueWithSubtree", AccountKey, true, 15,
                       [] { Write(AccountKey + "\\Extra", "Flag", "2"); }, true},
        TRegChangeCase{"DeepValueWithoutSubtree", AccountKey, false, 15,
                       [] { Write(AccountKey + "\\Extra", "Flag", "2"); }, false},
        TRegChangeCase{"SameValueWrittenAgain", AccountKey, false, REG_NOTIFY_CHANGE_LAST_SET,
                       [] { Write(AccountKey, "POP3 Server", "pop.example.com"); }, false},
        TRegChangeCase{"OtherKey", AccountKey, true, 15, [] { Write("Software\\Other", "V", "y"); },
                       false},
        TRegChangeCase{"AttributesAloneNeverFire", AccountKey, true, REG_NOTIFY_CHANGE_ATTRIBUTES,
                       [] { Write(AccountKey, "POP3 Server", "pop.example.net"); }, false},
        TRegChangeCase{"KeyDeletedFiresForAnyFilter", AccountKey, false, REG_NOTIFY_CHANGE_SECURITY,
                       [] {
                           TRegistry reg(HKEY_CURRENT_USER);
                           reg.DeleteKey(AccountKey);
                       },
                       true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(RegistryNotify, FiresForAWriteFromAnotherThread) {
    TArmed watched(AccountKey, true, 15);
    std::thread([] { Write(AccountKey, "Account Name", "Erika M."); }).join();
    EXPECT_TRUE(watched.Fired());
}

TEST_F(RegistryNotify, FiresOnceAndIsArmedAgainForTheNext) {
    TArmed watched(AccountKey, false, REG_NOTIFY_CHANGE_LAST_SET);
    Write(AccountKey, "Account Name", "first");
    ASSERT_TRUE(watched.Fired());
    ResetEvent(watched.Event);
    TBarrier barrier;
    Write(AccountKey, "Account Name", "second");
    ASSERT_TRUE(barrier.Passed());
    EXPECT_FALSE(watched.Fired(0)); // not armed again
    ASSERT_EQ(
        RegNotifyChangeKeyValue(watched.Key, false, REG_NOTIFY_CHANGE_LAST_SET, watched.Event),
        ERROR_SUCCESS);
    Write(AccountKey, "Account Name", "third");
    EXPECT_TRUE(watched.Fired());
}

TEST_F(RegistryNotify, AHiveFileChangedOnDiskIsReadAgainAndCompared) {
    TArmed names(AccountsKey, true, REG_NOTIFY_CHANGE_NAME);
    TArmed value(AccountKey, true, 15);
    RewriteHiveOnDisk(System, UserHive); // same content, new file
    // The same again with one change outside both watched keys, which another watch sees.
    TArmed other("Software\\Other", false, REG_NOTIFY_CHANGE_LAST_SET);
    RewriteHiveOnDisk(System, Replaced(UserHive, "\"Value\"=\"x\"", "\"Value\"=\"y\""));
    ASSERT_TRUE(other.Fired());
    EXPECT_FALSE(value.Fired(0));
    EXPECT_FALSE(names.Fired(0));

    RewriteHiveOnDisk(System, Replaced(UserHive, "pop.example.com", "pop.example.net"));
    EXPECT_TRUE(value.Fired());
    EXPECT_FALSE(names.Fired(0)); // values changed, names did not (checked in arming order)
}

TEST_F(RegistryNotify, RefusesWhatItCannotWatch) {
    TRegistry closed(HKEY_CURRENT_USER);
    THandle event = CreateEvent(true, false);
    EXPECT_EQ(RegNotifyChangeKeyValue(closed, false, 1, event), ERROR_INVALID_HANDLE);
    TRegistry key(HKEY_CURRENT_USER);
    ASSERT_TRUE(key.OpenKeyReadOnly(AccountKey));
    EXPECT_EQ(RegNotifyChangeKeyValue(key, false, 1, THandle()), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegNotifyChangeKeyValue(key, false, 0, event), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegNotifyChangeKeyValue(key, false, 0x10, event), ERROR_INVALID_PARAMETER);
    TRegistry deleter(HKEY_CURRENT_USER);
    ASSERT_TRUE(deleter.DeleteKey(AccountKey));
    EXPECT_EQ(RegNotifyChangeKeyValue(key, false, 1, event), ERROR_KEY_DELETED);
}

TEST_F(RegistryNotify, ANotificationWhoseEventIsClosedIsDropped) {
    std::weak_ptr<detail::TWaitableObject> gone;
    {
        TArmed watched(AccountKey, false, REG_NOTIFY_CHANGE_LAST_SET);
        gone = watched.Event.Object();
    }
    EXPECT_TRUE(gone.expired()); // the pending notification does not keep the event alive
    TArmed barrier(AccountKey, false, REG_NOTIFY_CHANGE_LAST_SET);
    Write(AccountKey, "Account Name", "changed");
    EXPECT_TRUE(barrier.Fired());
}

} // namespace
