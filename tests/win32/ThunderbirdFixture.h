#pragma once
// A Thunderbird 2 installation put on the machine for a test, as its installer and first start
// leave it: the App Paths entry imported with the system's regedit, a versioned thunderbird.exe,
// profiles.ini and one profile in the user's application data holding a POP account of another
// provider and the local folders. Removed after the test. A machine with a Thunderbird of its own
// is left alone: the test is skipped there.

#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace win32_test {

class TThunderbirdFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The profile's prefs.js entries of the other provider's account, as Thunderbird sorts them.
    std::string ExistingAccount() const;

    TTestFolder Folder;
    bool Installed = false;
    std::string AppData, ThunderbirdDir, Exe, Profile;
};

// A path as prefs.js holds it: every backslash doubled.
std::string Doubled(const std::string& path);

} // namespace win32_test
