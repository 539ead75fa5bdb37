#pragma once
// The wizard on a simulated system whose hosted POP3 service is a local test server: the
// system sends the service's host to it and trusts its certificate.

#include "AppFixture.h"
#include "TestPop3Server.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace app_testing {

// The mailbox the tests' POP3 server accepts: anna.muster@quenlix.example with Geheim-42.
testing_support::TPop3Script AnnasMailbox();

// prefs.js as name -> value as it stands in the file (strings with their quotes).
using TPrefs = std::map<std::string, std::string>;

class TSetupFixture : public TAppFixture {
protected:
    // Windows major.minor (NT platform); the server accepts aScript's user and password. An
    // untrusted server's certificate fails the TLS handshake.
    void UseHostedService(testing_support::TPop3Script aScript = {}, int aMajor = 5, int aMinor = 1,
                          bool aTrusted = true);
    // A system that sends the hosted service to a loopback port (where nothing need listen)
    // and trusts aTrustedPem.
    void UseHostedRoute(quint16 aPort, const QByteArray& aTrustedPem, int aMajor = 5,
                        int aMinor = 1);
    testing_support::TTestPop3Server& Server() const { return *Server_; }
    // A fresh copy of the demo machine (demo/system) in a folder of its own, with the hosted
    // POP3 service sent to a local test server that accepts aScript's login, installed. The test
    // calls ResetApplication, UninstallDemoMachine before it ends.
    void InstallDemoMachine(testing_support::TPop3Script aScript);
    void UninstallDemoMachine();

    // Welcome -> AccountType (Thunderbird chosen) -> UserData, filled in.
    void WalkToUserDataWithThunderbird(const QString& aName, const QString& aMailbox,
                                       const QString& aPassword);

    // Launches; Welcome -> AccountsList, where the header row aHeaderRow names aClient and row
    // aRow holds aAddress -> that row picked -> UserData.
    void WalkToUserDataThroughListedAccount(int aHeaderRow, const QString& aClient, int aRow,
                                            const QString& aAddress);
    // Fills in the user data (mailbox anna.muster, password Geheim-42) and clicks Next.
    void SubmitAnnasUserData(const QString& aName = QStringLiteral("Anna Muster"));

    TPrefs ReadPrefs();
    // The entries of the profile's signons.txt as "scheme user host password" lines.
    std::vector<std::string> ReadSignons();
    // A profile path as prefs.js holds it in a string: every backslash doubled.
    static std::string Escaped(const std::string& aPath);

    T_setup& Setup() const { return App().Setup(); }

private:
    std::unique_ptr<testing_support::TTestPop3Server> Server_;
    std::filesystem::path DemoRoot_;
};

// The entries of aAfter that are new or changed against aBefore, plus deleted names with the
// value "<deleted>".
TPrefs ChangedPrefs(const TPrefs& aBefore, const TPrefs& aAfter);

} // namespace app_testing
