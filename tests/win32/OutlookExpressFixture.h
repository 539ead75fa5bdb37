#pragma once
// Outlook Express put on the machine for a test: the two-identity fixture of the store's own
// tests, imported with the system's regedit, and a versioned msimn.exe. Removed after the test.
// A machine with Outlook Express accounts of its own is left alone: the test is skipped there.

#include "clients/outlook/OutlookExpress.h"

#include <gtest/gtest.h>

#include <string>

namespace win32_test {

inline const std::string kOutlookExpressMainIdentity = "{8E4B3F2A-1C5D-4E6F-9A7B-2C3D4E5F6A7B}";
inline const std::string kInternetAccountManager =
    "\\Software\\Microsoft\\Internet Account Manager";

class TOutlookExpressFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The fixture's main identity, the default one.
    static const TMailProfile& MainIdentity(const TOutlookExpressMailAccounts& store);

    std::string Exe;
    bool Installed = false;
};

} // namespace win32_test
