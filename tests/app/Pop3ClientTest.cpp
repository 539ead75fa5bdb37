// The POP3 client against an in-process TLS server reached through the simulated system's
// network redirection, as the wizard reaches the hosted service.
#include "app/Pop3Client.h"
#include "TestPop3Server.h"
#include "support/TestSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using testing_support::HostedServiceCertificate;
using testing_support::TPop3Script;
using testing_support::TTestCertificate;
using testing_support::TTestPop3Server;
using testing_support::TTestSystem;

namespace {

// A system that sends pop.quenlix.example:995 to a loopback port and, when asked, trusts the
// given certificate.
std::unique_ptr<TTestSystem> RedirectingSystem(quint16 aPort, const QByteArray& aTrustedPem) {
    std::string ini =
        "[Network]\npop.quenlix.example:995=127.0.0.1:" + std::to_string(aPort) + "\n";
    if (!aTrustedPem.isEmpty()) {
        ini += "[TLS]\nCAFile=trusted-ca.pem\n";
    }
    auto system = std::make_unique<TTestSystem>(ini);
    if (!aTrustedPem.isEmpty()) {
        std::ofstream(system->Root() / "trusted-ca.pem", std::ios::binary)
            << aTrustedPem.toStdString();
    }
    return system;
}

class Pop3ClientTest : public ::testing::Test {
protected:
    // Starts the scripted server and a system that redirects to it and trusts its certificate.
    void Start(TPop3Script aScript = {}, bool aTrusted = true,
               const TTestCertificate& aCertificate = HostedServiceCertificate()) {
        // Only one simulated system may be installed at a time.
        system.reset();
        server = std::make_unique<TTestPop3Server>(aCertificate, std::move(aScript));
        ASSERT_TRUE(server->Listen());
        system = RedirectingSystem(server->Port(),
                                   aTrusted ? aCertificate.CertificatePem : QByteArray());
        client.SetUserName(QStringLiteral("alice@quenlix.example"));
        client.SetPassword(QStringLiteral("secret"));
        client.SetTimeout(3000);
    }

    QList<QByteArray> Verbs() const {
        QList<QByteArray> verbs;
        for (const QByteArray& line : server->Received()) {
            verbs.append(line.left(4));
        }
        return verbs;
    }

    std::unique_ptr<TTestPop3Server> server;
    std::unique_ptr<TTestSystem> system;
    TPop3Client client;
};

TEST_F(Pop3ClientTest, DefaultsAreTheHostedServiceOnPort995With10Seconds) {
    TPop3Client fresh;
    EXPECT_EQ(fresh.Host(), QStringLiteral("pop.quenlix.example"));
    EXPECT_EQ(fresh.Port(), 995);
    EXPECT_EQ(fresh.Timeout(), 10000);
}

TEST_F(Pop3ClientTest, LogsInWithUserAndPassThenQuits) {
    Start();
    ASSERT_TRUE(client.Connect()) << client.LastErrorText().toStdString();
    EXPECT_TRUE(client.Connected());
    EXPECT_TRUE(client.Disconnect());
    EXPECT_FALSE(client.Connected());
    const QList<QByteArray> expected = {"USER alice@quenlix.example", "PASS secret", "QUIT"};
    EXPECT_TRUE(QTest::qWaitFor([&] { return server->Received().size() == 3; }));
    EXPECT_EQ(server->Received(), expected);
}

TEST_F(Pop3ClientTest, QuitIsSentWithoutWaitingForItsAnswer) {
    TPop3Script mute;
    mute.AnswerQuit = false; // a server that never says goodbye
    Start(mute);
    client.SetTimeout(60000);
    ASSERT_TRUE(client.Connect());
    EXPECT_TRUE(client.Disconnect());
    // The server runs on this thread: had the client waited for the answer, the server would
    // have read QUIT during that wait.
    EXPECT_EQ(server->Received().size(), 2);
    // QUIT is on its way all the same.
    EXPECT_TRUE(QTest::qWaitFor([&] { return server->Received().size() == 3; }));
    EXPECT_EQ(server->Received().value(2), QByteArray("QUIT"));
}

TEST_F(Pop3ClientTest, RejectedAnswersEndTheAttempt) {
    TPop3Script userRejected;
    userRejected.UserAnswer = "-ERR unknown mailbox";
    Start(userRejected);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastFailure(), TPop3Failure::Rejected);
    // The password is never sent after the user name was refused.
    EXPECT_EQ(Verbs(), QList<QByteArray>{"USER"});

    Start();
    client.SetPassword(QStringLiteral("wrong"));
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastFailure(), TPop3Failure::Rejected);
    EXPECT_FALSE(client.Connected());
    // The failure text never carries the password.
    EXPECT_FALSE(client.LastErrorText().contains(QStringLiteral("wrong")));

    // A refusing greeting says nothing about the login data.
    TPop3Script badGreeting;
    badGreeting.Greeting = "-ERR too busy";
    Start(badGreeting);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastFailure(), TPop3Failure::GreetingRefused);
    EXPECT_TRUE(server->Received().isEmpty());
}

TEST_F(Pop3ClientTest, EveryWaitEndsAtTheTimeout) {
    TPop3Script silent;
    silent.SendGreeting = false;
    Start(silent);
    client.SetTimeout(300);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastFailure(), TPop3Failure::Timeout);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_TRUE(server->Received().isEmpty());

    TPop3Script noPassAnswer;
    noPassAnswer.AnswerPass = false;
    Start(noPassAnswer);
    client.SetTimeout(300);
    clock.restart();
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastFailure(), TPop3Failure::Timeout);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_EQ(Verbs(), (QList<QByteArray>{"USER", "PASS"}));
}

TEST_F(Pop3ClientTest, UntrustedOrMisnamedCertificateIsRefusedBeforeAnyCommand) {
    Start({}, /*aTrusted=*/false);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastFailure(), TPop3Failure::Tls);
    EXPECT_TRUE(server->Received().isEmpty());

    // Trusted, but made for another host: the name checked is the hosted service's, not the
    // loopback address the connection really goes to.
    const TTestCertificate other = testing_support::MakeTestCertificate(
        {QStringLiteral("other.example"), QStringLiteral("127.0.0.1")});
    Start({}, /*aTrusted=*/true, other);
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastFailure(), TPop3Failure::Tls);
    EXPECT_TRUE(server->Received().isEmpty());
}

TEST_F(Pop3ClientTest, RefusedConnectionFails) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    system.reset();
    system = RedirectingSystem(closedPort, HostedServiceCertificate().CertificatePem);
    client.SetUserName(QStringLiteral("alice@quenlix.example"));
    client.SetPassword(QStringLiteral("secret"));
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastFailure(), TPop3Failure::Connect);
}

TEST_F(Pop3ClientTest, LineBreaksInCredentialsFailBeforeConnecting) {
    Start();
    for (const QString& user : {QStringLiteral("alice@quenlix.example\r\nSTAT"),
                                QStringLiteral("alice\n@quenlix.example")}) {
        client.SetUserName(user);
        client.SetPassword(QStringLiteral("secret"));
        EXPECT_FALSE(client.Connect());
        EXPECT_EQ(client.LastFailure(), TPop3Failure::UnsafeCredentials);
    }
    client.SetUserName(QStringLiteral("alice@quenlix.example"));
    client.SetPassword(QStringLiteral("secret\r\nDELE 1"));
    EXPECT_FALSE(client.Connect());
    EXPECT_EQ(client.LastFailure(), TPop3Failure::UnsafeCredentials);
    QCoreApplication::processEvents();
    EXPECT_EQ(server->ConnectionAttempts(), 0);
}

TEST_F(Pop3ClientTest, EventsAreProcessedWhileTheClientWaits) {
    TPop3Script noPassAnswer;
    noPassAnswer.AnswerPass = false;
    Start(noPassAnswer);
    client.SetTimeout(800);
    bool connectReturned = false;
    bool firedDuringTheWait = false;
    // A timer runs only when an event loop runs: this one can fire before Connect returns
    // only from inside the client's own wait.
    QTimer::singleShot(0, [&] { firedDuringTheWait = !connectReturned; });
    EXPECT_FALSE(client.Connect());
    connectReturned = true;
    EXPECT_TRUE(firedDuringTheWait);
    // A second login started from inside the wait is refused instead of mixing sessions.
    TPop3Script slow;
    slow.AnswerPass = false;
    Start(slow);
    client.SetTimeout(500);
    bool nestedResult = true;
    TPop3Failure nestedFailure = TPop3Failure::None;
    QTimer::singleShot(100, [&] {
        nestedResult = client.Connect();
        nestedFailure = client.LastFailure();
    });
    EXPECT_FALSE(client.Connect());
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(nestedFailure, TPop3Failure::Busy);
}

} // namespace
