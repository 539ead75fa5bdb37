// demo-pop3s-server PORT CERT KEY USER PASSWORD
//
// A POP3 server with implicit TLS on 127.0.0.1 that knows one mailbox, for running the wizard
// against something real on this machine. It answers the greeting, USER, PASS, STAT, NOOP and
// QUIT; it never prints a password.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr qsizetype MaxLineLength = 1024;

struct TMailbox {
    QByteArray User;
    QByteArray Password;
};

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

// One client connection and its POP3 state.
class TSession : public QObject {
public:
    TSession(QSslSocket* aSocket, const TMailbox& aMailbox)
        : QObject(aSocket), FSocket(aSocket), FMailbox(aMailbox) {
        connect(aSocket, &QSslSocket::readyRead, this, [this] { ReadLines(); });
        connect(aSocket, &QSslSocket::disconnected, aSocket, &QObject::deleteLater);
        Send("+OK Quenlix demo POP3 server ready");
    }

private:
    void Send(const QByteArray& aLine) { FSocket->write(aLine + "\r\n"); }

    void ReadLines() {
        FBuffer += FSocket->readAll();
        for (qsizetype end = FBuffer.indexOf('\n'); end >= 0; end = FBuffer.indexOf('\n')) {
            QByteArray line = FBuffer.left(end);
            FBuffer.remove(0, end + 1);
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            Handle(line);
        }
        if (FBuffer.size() > MaxLineLength) {
            Send("-ERR line too long");
            FSocket->disconnectFromHost();
        }
    }

    void Handle(const QByteArray& aLine) {
        const qsizetype space = aLine.indexOf(' ');
        const QByteArray verb = (space < 0 ? aLine : aLine.left(space)).toUpper();
        const QByteArray argument = space < 0 ? QByteArray() : aLine.mid(space + 1);
        if (verb == "USER" && !FLoggedIn) {
            FUser = argument;
            FUserGiven = true;
            Send("+OK");
        } else if (verb == "PASS" && FUserGiven && !FLoggedIn) {
            FLoggedIn = FUser == FMailbox.User && argument == FMailbox.Password;
            FUserGiven = false;
            Out() << (FLoggedIn ? "login accepted" : "login refused") << Qt::endl;
            Send(FLoggedIn ? "+OK Logged in." : "-ERR [AUTH] Authentication failed.");
        } else if ((verb == "STAT" || verb == "NOOP") && FLoggedIn) {
            Send(verb == "STAT" ? "+OK 0 0" : "+OK");
        } else if (verb == "QUIT") {
            Send("+OK Logging out.");
            FSocket->disconnectFromHost();
        } else {
            Send("-ERR Unknown command or wrong state");
        }
    }

    QSslSocket* FSocket;
    TMailbox FMailbox;
    QByteArray FBuffer;
    QByteArray FUser;
    bool FUserGiven = false;
    bool FLoggedIn = false;
};

QSslKey ReadKey(const QByteArray& aPem) {
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        QSslKey key(aPem, algorithm, QSsl::Pem);
        if (!key.isNull()) {
            return key;
        }
    }
    return {};
}

int Fail(const QString& aText) {
    std::fprintf(stderr, "demo-pop3s-server: %s\n", aText.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "A POP3 server with implicit TLS on 127.0.0.1 that accepts one user and password.\n"
        "PORT 0 picks a free port; the port in use is printed on start.");
    parser.addHelpOption();
    parser.addPositionalArgument("PORT", "TCP port on 127.0.0.1");
    parser.addPositionalArgument("CERT", "server certificate, PEM");
    parser.addPositionalArgument("KEY", "private key of the certificate, PEM, unencrypted");
    parser.addPositionalArgument("USER", "the accepted user name (the full mail address)");
    parser.addPositionalArgument("PASSWORD", "the accepted password");
    parser.process(application);

    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 5) {
        return Fail("expected PORT CERT KEY USER PASSWORD (see --help)");
    }
    bool portOk = false;
    const int port = arguments[0].toInt(&portOk);
    if (!portOk || port < 0 || port > 65535) {
        return Fail("PORT must be a number from 0 to 65535");
    }
    QFile certFile(arguments[1]);
    QFile keyFile(arguments[2]);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        return Fail("cannot read the certificate or the key file");
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certFile.readAll(), QSsl::Pem);
    const QSslKey key = ReadKey(keyFile.readAll());
    if (chain.isEmpty() || key.isNull()) {
        return Fail("the certificate or the key is not valid PEM");
    }

    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificateChain(chain);
    config.setPrivateKey(key);
    config.setProtocol(QSsl::TlsV1_2OrLater);
    config.setPeerVerifyMode(QSslSocket::VerifyNone); // clients show no certificate

    const TMailbox mailbox{arguments[3].toUtf8(), arguments[4].toUtf8()};
    QSslServer server;
    server.setSslConfiguration(config);
    QObject::connect(&server, &QSslServer::pendingConnectionAvailable, &server, [&] {
        while (server.hasPendingConnections()) {
            auto* socket = qobject_cast<QSslSocket*>(server.nextPendingConnection());
            if (socket != nullptr) {
                new TSession(socket, mailbox);
            }
        }
    });
    if (!server.listen(QHostAddress::LocalHost, static_cast<quint16>(port))) {
        return Fail("cannot listen: " + server.errorString());
    }
    Out() << "Demo POP3S server listening on 127.0.0.1:" << server.serverPort() << Qt::endl;
    return application.exec();
}
