#include "TestPop3Server.h"

#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>

namespace testing_support {

TTestPop3Server::TTestPop3Server(const TTestCertificate& aCertificate, TPop3Script aScript)
    : FServer(new QSslServer(this)), FScript(std::move(aScript)) {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificateChain(
        QSslCertificate::fromData(aCertificate.CertificatePem, QSsl::Pem));
    config.setPrivateKey(QSslKey(aCertificate.KeyPem, QSsl::Ec, QSsl::Pem));
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    FServer->setSslConfiguration(config);
    connect(FServer, &QSslServer::startedEncryptionHandshake, this, [this] { ++FAttempts; });
    connect(FServer, &QSslServer::pendingConnectionAvailable, this, [this] { Accept(); });
}

TTestPop3Server::~TTestPop3Server() = default;

bool TTestPop3Server::Listen() {
    return FServer->listen(QHostAddress::LocalHost, 0);
}

quint16 TTestPop3Server::Port() const {
    return FServer->serverPort();
}

void TTestPop3Server::Accept() {
    while (FServer->hasPendingConnections()) {
        auto* socket = qobject_cast<QSslSocket*>(FServer->nextPendingConnection());
        if (socket == nullptr) {
            continue;
        }
        socket->setParent(this);
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QSslSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                QByteArray line = socket->readLine();
                while (line.endsWith('\n') || line.endsWith('\r')) {
                    line.chop(1);
                }
                FReceived.append(line);
                Handle(socket, line);
            }
        });
        if (FScript.SendGreeting) {
            socket->write(FScript.Greeting + "\r\n");
        }
    }
}

void TTestPop3Server::Handle(QSslSocket* aSocket, const QByteArray& aLine) {
    const QByteArray verb = aLine.left(aLine.indexOf(' ')).toUpper();
    const QByteArray argument = aLine.mid(aLine.indexOf(' ') + 1);
    QByteArray answer;
    if (verb == "USER") {
        answer = !FScript.UserAnswer.isEmpty() ? FScript.UserAnswer
                 : argument == FScript.User    ? QByteArray("+OK")
                                               : QByteArray("-ERR no such user");
    } else if (verb == "PASS") {
        if (!FScript.AnswerPass) {
            return;
        }
        answer = argument == FScript.Password ? "+OK Logged in." : "-ERR [AUTH] failed";
    } else if (aLine.toUpper() == "QUIT") {
        if (!FScript.AnswerQuit) {
            return;
        }
        aSocket->write(FScript.QuitAnswer + "\r\n");
        aSocket->disconnectFromHost();
        return;
    } else {
        answer = "-ERR unknown";
    }
    aSocket->write(answer + "\r\n");
}

} // namespace testing_support
