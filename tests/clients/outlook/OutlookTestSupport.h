#pragma once
// Simulated machines with Outlook 98 to 2007: OUTLOOK.EXE of a chosen version where App Paths
// names it (with the automation object "Outlook.Application" pointing at it), the current
// user's hive from .reg text laid out as these clients lay out their keys, and the pieces the
// wizard's new account gets. Builds on the Outlook Express support (.reg pieces, KeySection,
// value readers).

#include "OutlookExpressTestSupport.h"

#include "accounts/MailAccount.h"
#include "support/TestSystem.h"

#include <string>

namespace outlook_test {

using oe_test::AddWizardAccount;
using oe_test::ApplyWizardSettings;
using oe_test::Dword;
using oe_test::ExpectFailedSave;
using oe_test::Hex;
using oe_test::Key;
using oe_test::KeySection;
using oe_test::Str;
using oe_test::TestFile;
using oe_test::WizardAddress;

inline const std::string OutlookExe = "C:\\Program Files\\Microsoft Office\\Office\\OUTLOOK.EXE";
inline const std::string ProfilesNT =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
inline const std::string Profiles9x = "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles";

// Text as Outlook 2002 to 2007 keep it: UTF-16LE and a two-byte zero, as a binary value.
std::string Wide(const std::string& name, const std::string& text);
// Hexadecimal digits as a binary value.
std::string HexDigits(const std::string& name, const std::string& digits);
// HKEY_LOCAL_MACHINE with App Paths naming OutlookExe and the automation object.
std::string OutlookMachineKeys();
// Every occurrence of `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to);
// fixtures/outlook2000_profiles.reg, and the same with its profile never set up (so that no
// MAPI profile qualifies).
std::string Outlook2000Profiles();
std::string Outlook2000WithoutQualifyingProfile();

class OutlookFixture : public oe_test::OutlookExpressFixture {
protected:
    // The machine (Windows XP unless the ini says otherwise) with OUTLOOK.EXE of the major
    // version, and the current user's hive.
    void InstallOutlook(const std::string& hkcu, int majorVersion,
                        const std::string& ini = testing_support::TTestMachine().Ini());
};

} // namespace outlook_test
