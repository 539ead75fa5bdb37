#pragma once
// Simulated Windows XP systems with Outlook Express: the current user's hive from .reg text laid
// out as Outlook Express lays out its keys (fixture files beside the tests, or pieces built
// here), the program file with its version, and Protected Storage items for the references.

#include "clients/outlook/OutlookExpress.h"
#include "clients/outlook/OutlookWindowsVersion.h"
#include "platform/RegHive.h"
#include "platform/Registry.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace oe_test {

// The identities of fixtures/two_identities.reg: the main identity owns the top-level tree.
inline const std::string MainIdentity = "{8E4B3F2A-1C5D-4E6F-9A7B-2C3D4E5F6A7B}";
inline const std::string SecondIdentity = "{3F1A6C2E-9B4D-4A7E-8C5F-1D2E3F4A5B6C}";
inline const std::string MsimnExe = "C:\\Program Files\\Outlook Express\\msimn.exe";
inline const std::string AccountManager = "Software\\Microsoft\\Internet Account Manager";
inline const std::string TopAccounts = AccountManager + "\\Accounts";

// The text of a file below tests/clients/outlook/ (fixtures/..., golden/...).
std::string TestFile(const std::string& relativePath);

// Pieces of .reg text for HKEY_CURRENT_USER, as regedit writes them.
std::string Key(const std::string& path);
std::string Str(const std::string& name, const std::string& text);
std::string ExpandStr(const std::string& name, const std::string& text);
std::string Dword(const std::string& name, std::uint32_t value);
std::string Hex(const std::string& name, const std::vector<std::uint8_t>& bytes);
// A reference value of Outlook Express: 01 02, the name as UTF-16LE, 00 00.
std::string Reference(const std::string& name, const std::string& reference);
// The identities key naming `identity` as the default, and the identity's own key.
std::string IdentityKeys(const std::string& identity, const std::string& userName);
// The top-level tree (associated with `identity`) with its "Accounts" key and nothing else.
std::string TopLevelTree(const std::string& identity);

// The section of one key in .reg text (UTF-8 or the UTF-16LE of a hive file), from its header
// to the line before the next key, with CRLF as LF; empty when the key is not there.
std::string KeySection(const std::string& regText, const std::string& keyPath);

// The address the wizard's new account gets, and what the setup page sets on that account (the
// Quenlix values), with the default mark as the page decides it.
inline const std::string WizardAddress = "anna.muster@quenlix.example";
void ApplyWizardSettings(TPOPMailAccount& account, const std::string& password);
// A new POP3 account of `store` for WizardAddress with the wizard's settings.
TPOPMailAccount& AddWizardAccount(TMailAccounts& store, const std::string& password = "Geheim-42");

// A save of `account` that must fail with a TError whose message does not show `password`.
template <class TError = std::exception>
void ExpectFailedSave(TMailAccount& account, const std::string& password = "Geheim-42") {
    try {
        account.Save();
        ADD_FAILURE() << "the save must fail";
    } catch (const TError& error) {
        EXPECT_EQ(std::string(error.what()).find(password), std::string::npos)
            << "no password in the message";
    }
}
// The same, with the hive's save failing by `fault`; the fault is lifted afterwards.
void ExpectFailedSave(TMailAccount& account, platform::reg::TSaveFault fault,
                      const std::string& password = "Geheim-42");

class OutlookExpressFixture : public ::testing::Test {
protected:
    void TearDown() override {
        platform::reg::SetSaveFaultForTesting(platform::reg::TSaveFault::None);
    }
    // Windows XP with Outlook Express 6: the hive, the program file and the version class.
    void Install(const std::string& hkcu,
                 const std::string& ini = testing_support::TTestMachine().Ini(),
                 const std::string& hklm = "");
    testing_support::TTestSystem& System() const { return *System_; }
    // A Protected Storage item of the account password family.
    void StorePassword(const std::string& reference, const std::string& password);
    std::string StoredPassword(const std::string& reference);
    std::unique_ptr<TOutlookExpressMailAccounts> Load();
    std::unique_ptr<TOutlookExpressMailAccounts> Load(TRandomSource& random);
    // The current user's hive file as saved, in UTF-8.
    std::string HiveText() const;
    // A value of HKEY_CURRENT_USER\<key>, nullopt when the key or value is missing.
    static std::optional<std::string> StringAt(const std::string& key, const std::string& name);
    static std::optional<std::int32_t> IntegerAt(const std::string& key, const std::string& name);
    static std::optional<std::vector<std::uint8_t>> BinaryAt(const std::string& key,
                                                             const std::string& name);
    static bool KeyExists(const std::string& key);

private:
    std::unique_ptr<testing_support::TTestSystem> System_;
};

} // namespace oe_test
