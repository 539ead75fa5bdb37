#pragma once
// An in-process POP3 server with implicit TLS on 127.0.0.1 and scripted answers. It runs on the
// test's own thread, so it answers while the client under test waits in its event loop.

#include "TestCertificate.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class QSslServer;
class QSslSocket;

namespace testing_support {

struct TPop3Script {
    bool SendGreeting = true;
    QByteArray Greeting = "+OK test server ready";
    QByteArray User = "alice@quenlix.example";
    QByteArray Password = "secret";
    // When set, USER is answered with this line whatever the name.
    QByteArray UserAnswer;
    // False: PASS gets no answer at all.
    bool AnswerPass = true;
    QByteArray QuitAnswer = "+OK bye";
    // False: QUIT gets no answer and the connection stays open.
    bool AnswerQuit = true;
};

class TTestPop3Server : public QObject {
    Q_OBJECT
public:
    TTestPop3Server(const TTestCertificate& aCertificate, TPop3Script aScript = {});
    ~TTestPop3Server() override;

    // Listens on a free loopback port; false when that fails.
    bool Listen();
    quint16 Port() const;

    // TCP connections that reached the server (before the handshake).
    int ConnectionAttempts() const { return FAttempts; }
    // Command lines received, without line ends, in order, over all connections.
    const QList<QByteArray>& Received() const { return FReceived; }

private:
    void Accept();
    void Handle(QSslSocket* aSocket, const QByteArray& aLine);

    QSslServer* FServer;
    TPop3Script FScript;
    int FAttempts = 0;
    QList<QByteArray> FReceived;
};

} // namespace testing_support
