#pragma once
// Outlook put on the machine for a test: its App Paths entry imported with the system's regedit,
// a versioned OUTLOOK.EXE, and a profile fixture of the Outlook store tests
// (tests/clients/outlook/fixtures) imported as it is. Removed after the test. A machine with
// Outlook or MAPI profiles of its own is left alone: the test is skipped there.

#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace win32_test {

inline const std::string kMapiProfilesKey =
    "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";

class TOutlookOnMachine : public ::testing::Test {
protected:
    // Call from SetUp; skips the test where Outlook is set up already.
    void Install(int major, const std::string& fixture);
    void TearDown() override;

    TTestFolder Folder;
    bool Installed = false;
    std::string Exe;
};

} // namespace win32_test
