// The wizard's credential check against a real Dovecot POP3S server, which the test command
// starts on loopback and describes in QUENLIX_DOVECOT_* variables.
#include "app/Pop3Client.h"
#include "app/dm.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string Env(const char* aName) {
    const char* value = std::getenv(aName);
    return value != nullptr ? value : "";
}

TEST(DovecotIntegrationTest, TheWizardsCheckPassesOnlyWithTheRightPassword) {
    const std::string port = Env("QUENLIX_DOVECOT_PORT");
    const std::string ca = Env("QUENLIX_DOVECOT_CA");
    const std::string user = Env("QUENLIX_DOVECOT_USER");
    const std::string password = Env("QUENLIX_DOVECOT_PASSWORD");
    if (port.empty() || ca.empty() || user.empty() || password.empty()) {
        GTEST_SKIP() << "Dovecot not available: QUENLIX_DOVECOT_PORT, _CA, _USER and _PASSWORD "
                        "are not set (scripts/test starts Dovecot and sets them)";
    }
    // The hosted service's host on port 995 is sent to Dovecot, whose certificate names it.
    testing_support::TTestSystem system("[Network]\npop.quenlix.example:995=127.0.0.1:" + port +
                                        "\n[TLS]\nCAFile=" + ca + "\n");
    T_dm dm;
    const QString name = QString::fromStdString(user);
    const QString secret = QString::fromStdString(password);
    EXPECT_TRUE(dm.CheckPop3Login(name, secret)) << dm.popMain->LastErrorText().toStdString();
    // Dovecot delays the answers after failed logins more and more: one failure is enough.
    EXPECT_FALSE(dm.CheckPop3Login(name, secret + QStringLiteral("x")));
    EXPECT_EQ(dm.popMain->LastFailure(), TPop3Failure::Rejected);
}

} // namespace
