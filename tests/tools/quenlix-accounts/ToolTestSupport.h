#pragma once
// quenlix-accounts run in-process on the installed simulated system, and simulated systems with
// Thunderbird profiles for it.

#include "AccountsTool.h"

#include "clients/mozilla/ThunderbirdTestSupport.h"
#include "support/TestSystem.h"
#include "support/TreeSnapshot.h"

#include <accounts/Log.h>
#include <clients/ProviderAccountSetup.h>
#include <clients/mozilla/Base64.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tool_testing {

using namespace thunderbird_test;

struct TToolResult {
    int Code = -1;
    std::string Out;
    std::string Err;
    std::string Log; // every entry of the program's log while it ran
};

// Runs the tool on the system the test installed; the log is switched on and caught.
inline TToolResult RunTool(const std::vector<std::string>& args, const std::string& input = "") {
    TToolResult result;
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    AppLog().SetSink([&result](const TLogEntry& entry) { result.Log += FormatLogEntry(entry); });
    AppLog().SetEnabled(true);
    result.Code = accounts_tool::RunAccountsTool(args, in, out, err, [] {});
    AppLog().SetEnabled(false);
    AppLog().SetSink({});
    result.Out = out.str();
    result.Err = err.str();
    return result;
}

// The password as far as it could leak, as typed and as signons.txt encodes it: in no output,
// error or log entry.
inline void ExpectNoPassword(const TToolResult& result, const std::string& secret,
                             const std::string& what) {
    for (const std::string& form : {secret, Base64Encode(secret)}) {
        EXPECT_EQ(result.Out.find(form), std::string::npos) << what << ": output\n" << result.Out;
        EXPECT_EQ(result.Err.find(form), std::string::npos) << what << ": errors";
        EXPECT_EQ(result.Log.find(form), std::string::npos) << what << ": log";
    }
}

// Writes the account as the setup page's routine does: a new one into the store, or the
// existing one adapted; the box is preset with the adapted account's default mark unless the
// input has a wish.
inline void WriteBySetupRoutine(TMailAccounts* store, TMailAccount* existing,
                                TProviderAccountInput input, std::optional<bool> defaultWish) {
    input.DefaultWish = defaultWish.value_or(existing != nullptr && existing->IsDefault());
    const TProviderAccountResult result = WriteProviderAccount(
        existing, existing != nullptr ? nullptr : store, ProviderAccountValues(input));
    EXPECT_EQ(result.Outcome, TProviderAccountOutcome::Written);
}

inline const std::string ProfileName = "k3x9q2mf.default";

inline std::string ProfileDirOf() {
    return platform::MachineFacts().AppData + "\\Thunderbird\\Profiles\\" + ProfileName;
}

// prefs.js of a profile with Local Folders (account1), the provider's POP account of Anna
// (account2, the default) and a POP account elsewhere (account3); extra statements follow.
inline std::string ProviderProfilePrefs(const std::string& dir, const std::string& more = "") {
    return Str("mail.account.account1.server", "server1") +
           Str("mail.account.account2.identities", "id1") +
           Str("mail.account.account2.server", "server2") +
           Str("mail.account.account3.identities", "id2") +
           Str("mail.account.account3.server", "server3") +
           Str("mail.accountmanager.accounts", "account2,account3,account1") +
           Str("mail.accountmanager.defaultaccount", "account2") +
           Str("mail.accountmanager.localfoldersserver", "server1") +
           Str("mail.identity.id1.fullName", "Anna Muster") +
           Str("mail.identity.id1.smtpServer", "smtp1") +
           Str("mail.identity.id1.useremail", "anna.muster@quenlix.example") +
           Bool("mail.identity.id1.valid", true) + Str("mail.identity.id2.fullName", "Anna M.") +
           Str("mail.identity.id2.useremail", "anna@example.org") +
           Str("mail.server.server1.directory", Doubled(dir + "\\Mail\\Local Folders")) +
           Str("mail.server.server1.hostname", "Local Folders") +
           Str("mail.server.server1.name", "Local Folders") +
           Str("mail.server.server1.type", "none") + Str("mail.server.server1.userName", "nobody") +
           Str("mail.server.server2.directory", Doubled(dir + "\\Mail\\pop.quenlix.example")) +
           Str("mail.server.server2.hostname", "pop.quenlix.example") +
           Str("mail.server.server2.name", "anna.muster@quenlix.example") +
           Int("mail.server.server2.port", 110) + Str("mail.server.server2.type", "pop3") +
           Str("mail.server.server2.userName", "anna.muster@quenlix.example") +
           Str("mail.server.server3.hostname", "pop.example.org") +
           Str("mail.server.server3.type", "pop3") + Str("mail.server.server3.userName", "anna") +
           Str("mail.smtp.defaultserver", "smtp1") +
           Str("mail.smtpserver.smtp1.hostname", "smtp.quenlix.example") +
           Int("mail.smtpserver.smtp1.port", 25) + Str("mail.smtpservers", "smtp1") + more;
}

// A fresh system with Thunderbird 2 and one profile holding the prefs.js statements (none: an
// empty profile).
inline std::unique_ptr<testing_support::TTestSystem>
ThunderbirdSystem(const std::string& prefs, const std::string& hklm = AppPathsReg()) {
    auto system = std::make_unique<testing_support::TTestSystem>("", hklm, "");
    system->WritePe(kExe, 2, 0, 0, 24);
    const std::string thunderbird = platform::MachineFacts().AppData + "\\Thunderbird";
    system->WriteFile(thunderbird + "\\profiles.ini",
                      "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\n"
                      "IsRelative=1\r\nPath=Profiles/" +
                          ProfileName + "\r\nDefault=1\r\n");
    system->WriteFile(ProfileDirOf() + "\\prefs.js", kHeader + prefs);
    return system;
}

// Everything the system holds once all it has in memory is on disk.
inline testing_support::TTreeSnapshot SnapshotOf(testing_support::TTestSystem& system) {
    system.Reinstall();
    return testing_support::SnapshotTree(system.Root());
}

} // namespace tool_testing
