#include "app/Pop3Client.h"

#include "app/SystemNetwork.h"
#include "clients/ProviderConstants.h"

#include <QEventLoop>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace {

// Longer answer lines than this are not POP3; refuse them instead of buffering without end.
constexpr qsizetype MaxLineLength = 4096;

// Exit codes of the local wait loop.
constexpr int WokeBySocket = 1;
constexpr int WokeByTimer = 2;

bool UnsafeForCommandLine(const QString& aText) {
    return aText.contains(QChar(u'\r')) || aText.contains(QChar(u'\n')) ||
           aText.contains(QChar(u'\0'));
}

TPop3Failure FailureOf(QAbstractSocket::SocketError aError) {
    switch (aError) {
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return TPop3Failure::Tls;
    case QAbstractSocket::RemoteHostClosedError:
        return TPop3Failure::Closed;
    case QAbstractSocket::SocketTimeoutError:
        return TPop3Failure::Timeout;
    default:
        return TPop3Failure::Connect;
    }
}

// The system's trust store, read once per process: reading and parsing it took far longer
// than the whole login.
const QList<QSslCertificate>& SystemCaCertificates() {
    static const QList<QSslCertificate> certificates = QSslConfiguration::systemCaCertificates();
    return certificates;
}

QSslConfiguration StrictTlsConfiguration() {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setProtocol(QSsl::TlsV1_2OrLater);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QList<QSslCertificate> extra = app::ExtraCaCertificates();
    if (!extra.isEmpty()) {
        // Listing CAs explicitly ends the on-demand loading of the system store, so name the
        // system's own CAs as well.
        config.setCaCertificates(SystemCaCertificates() + extra);
    }
    return config;
}

} // namespace

TPop3Client::TPop3Client(QObject* aOwner)
    : QObject(aOwner),
      FHost(QString::fromLatin1(provider::Pop3Host.data(),
                                static_cast<qsizetype>(provider::Pop3Host.size()))),
      FPort(provider::Pop3Port), FTimeout(provider::Pop3TimeoutMs) {}

TPop3Client::~TPop3Client() {
    DropSocket();
}

bool TPop3Client::Fail(TPop3Failure aFailure, const QString& aText) {
    FLastFailure = aFailure;
    FLastErrorText = aText;
    FLoggedIn = false;
    DropSocket();
    return false;
}

void TPop3Client::DropSocket(bool aGraceful) {
    if (FSocket != nullptr) {
        FSocket->disconnect(this);
        if (aGraceful) {
            FSocket->flush();
            FSocket->disconnectFromHost();
        } else {
            FSocket->abort();
        }
        FSocket->deleteLater();
    }
    FSocket = nullptr;
    FBuffer.clear();
}

bool TPop3Client::Connect() {
    if (FBusy) {
        // A second login started from inside the wait of the first one.
        FLastFailure = TPop3Failure::Busy;
        FLastErrorText = QStringLiteral("a login is already running");
        return false;
    }
    FBusy = true;
    struct TBusyReset {
        bool& Flag;
        ~TBusyReset() { Flag = false; }
    } busyReset{FBusy};

    DropSocket();
    FLoggedIn = false;
    FLastFailure = TPop3Failure::None;
    FLastErrorText.clear();
    // A line break in a credential would end the command early and start another one.
    if (UnsafeForCommandLine(FUserName) || UnsafeForCommandLine(FPassword)) {
        return Fail(TPop3Failure::UnsafeCredentials,
                    QStringLiteral("line break in the user name or password"));
    }
    if (!OpenTls() || !ReadOkAnswer(TPop3Failure::GreetingRefused) ||
        !Command("USER", FUserName, TPop3Failure::Rejected) ||
        !Command("PASS", FPassword, TPop3Failure::Rejected)) {
        return false;
    }
    FLoggedIn = true;
    return true;
}

bool TPop3Client::Connected() const {
    return FLoggedIn && FSocket != nullptr && FSocket->state() == QAbstractSocket::ConnectedState;
}

bool TPop3Client::Disconnect() {
    if (FSocket == nullptr) {
        FLoggedIn = false;
        return false;
    }
    // The login's result is known after PASS; the answer to QUIT would add nothing but a wait.
    if (FLoggedIn) {
        Send("QUIT", QString());
    }
    FLoggedIn = false;
    DropSocket(/*aGraceful=*/true);
    return true;
}

bool TPop3Client::OpenTls() {
    const app::TNetworkRoute route = app::RouteFor(FHost, FPort);
    if (route.Port <= 0 || route.Port > 65535) {
        return Fail(TPop3Failure::Connect, QStringLiteral("invalid port"));
    }
    FSocket = new QSslSocket(this);
    FSocket->setSslConfiguration(StrictTlsConfiguration());
    // The certificate must name the host the user's data is meant for, wherever the
    // connection really goes.
    FSocket->connectToHostEncrypted(route.Host, static_cast<quint16>(route.Port), FHost);
    // Name resolution and connection, then the handshake: each wait has the full time-out.
    return WaitFor([this] { return FSocket->state() == QAbstractSocket::ConnectedState; }) &&
           WaitFor([this] { return FSocket->isEncrypted(); });
}

bool TPop3Client::Send(const QByteArray& aVerb, const QString& aArgument) {
    QByteArray line = aVerb;
    if (!aArgument.isNull()) {
        line += ' ' + aArgument.toUtf8();
    }
    line += "\r\n";
    return FSocket != nullptr && FSocket->write(line) == line.size();
}

bool TPop3Client::Command(const QByteArray& aVerb, const QString& aArgument,
                          TPop3Failure aRefusal) {
    if (!Send(aVerb, aArgument)) {
        return Fail(TPop3Failure::Closed, QStringLiteral("cannot send %1").arg(aVerb));
    }
    if (!ReadOkAnswer(aRefusal)) {
        FLastErrorText = QStringLiteral("%1: %2").arg(aVerb, FLastErrorText);
        return false;
    }
    return true;
}

bool TPop3Client::ReadOkAnswer(TPop3Failure aRefusal) {
    auto lineReady = [this] {
        FBuffer += FSocket->readAll();
        return FBuffer.contains('\n') || FBuffer.size() > MaxLineLength;
    };
    if (!WaitFor(lineReady)) {
        return false;
    }
    const qsizetype end = FBuffer.indexOf('\n');
    if (end < 0 || end > MaxLineLength) {
        return Fail(TPop3Failure::Protocol, QStringLiteral("answer line too long"));
    }
    const QByteArray answer = FBuffer.left(end);
    FBuffer.remove(0, end + 1);
    if (!answer.startsWith("+OK")) {
        // Only the status word: the rest of a server's answer may echo what was sent.
        return Fail(aRefusal, QStringLiteral("answer %1").arg(QString::fromLatin1(answer.left(4))));
    }
    return true;
}

bool TPop3Client::WaitFor(const std::function<bool()>& aDone) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(WokeByTimer); });
    const auto wake = [&loop] {
        loop.exit(WokeBySocket);
    };
    // These connections end with the loop.
    QSslSocket* socket = FSocket;
    connect(socket, &QSslSocket::connected, &loop, wake);
    connect(socket, &QSslSocket::readyRead, &loop, wake);
    connect(socket, &QSslSocket::encrypted, &loop, wake);
    connect(socket, &QSslSocket::disconnected, &loop, wake);
    connect(socket, &QSslSocket::errorOccurred, &loop, wake);
    timer.start(FTimeout);
    for (;;) {
        if (FSocket == nullptr) {
            return Fail(TPop3Failure::Closed, QStringLiteral("connection dropped"));
        }
        if (aDone()) {
            return true;
        }
        if (FSocket->error() != QAbstractSocket::UnknownSocketError ||
            FSocket->state() == QAbstractSocket::UnconnectedState) {
            const QString text = FSocket->errorString();
            const TPop3Failure failure = FSocket->sslHandshakeErrors().isEmpty()
                                             ? FailureOf(FSocket->error())
                                             : TPop3Failure::Tls;
            return Fail(failure, text);
        }
        if (!timer.isActive()) {
            return Fail(TPop3Failure::Timeout, QStringLiteral("no answer in time"));
        }
        const int woke = loop.exec();
        if (woke != WokeBySocket && woke != WokeByTimer) {
            // The application is quitting: every event loop is told to end.
            return Fail(TPop3Failure::Closed, QStringLiteral("wait interrupted"));
        }
    }
}
