#pragma once
// A minimal POP3 client for the credential check: implicit TLS (TLS 1.2 or newer, the server
// certificate verified), greeting, USER, PASS and QUIT. Every network wait runs a local event
// loop limited by the time-out, so the window stays live while the client waits.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QSslSocket;

// Why the last attempt failed; never carries the credentials.
enum class TPop3Failure {
    None,
    UnsafeCredentials, // CR, LF or NUL in the user name or password: nothing was sent
    Busy,              // a login was already running on this client
    Connect,           // name resolution or TCP connection failed
    Tls,               // handshake failed or the certificate was not trusted
    Timeout,
    Closed,          // the server closed the connection
    GreetingRefused, // the server's greeting did not start with "+OK"
    Rejected,        // USER or PASS was not answered "+OK": the login data were refused
    Protocol,        // an answer line was too long
};

class TPop3Client : public QObject {
    Q_OBJECT
public:
    // The hosted service's POP3 host, port 995, time-out 10000 ms.
    explicit TPop3Client(QObject* aOwner = nullptr);
    ~TPop3Client() override;

    QString Host() const { return FHost; }
    void SetHost(const QString& aHost) { FHost = aHost; }
    int Port() const { return FPort; }
    void SetPort(int aPort) { FPort = aPort; }
    // Milliseconds per network wait.
    int Timeout() const { return FTimeout; }
    void SetTimeout(int aMilliseconds) { FTimeout = aMilliseconds; }
    QString UserName() const { return FUserName; }
    void SetUserName(const QString& aUserName) { FUserName = aUserName; }
    void SetPassword(const QString& aPassword) { FPassword = aPassword; }

    // Opens the connection and logs in: greeting, USER, PASS, each answered "+OK". The
    // simulated system's network redirection decides where the connection really goes; the
    // certificate is always checked against Host. False on any failure (see LastFailure).
    bool Connect();
    // Logged in and the connection still open.
    bool Connected() const;
    // Sends QUIT when logged in and closes the connection without waiting for the answer:
    // the login's result is known by then. False when there was no connection to end.
    bool Disconnect();

    TPop3Failure LastFailure() const { return FLastFailure; }
    // A short technical description of the last failure for diagnostics, without credentials.
    QString LastErrorText() const { return FLastErrorText; }

private:
    bool Fail(TPop3Failure aFailure, const QString& aText);
    bool OpenTls();
    bool Send(const QByteArray& aVerb, const QString& aArgument);
    // Sends the command and reads its answer; an answer other than "+OK" is aRefusal.
    bool Command(const QByteArray& aVerb, const QString& aArgument, TPop3Failure aRefusal);
    bool ReadOkAnswer(TPop3Failure aRefusal);
    // Runs a local event loop until aDone holds, the socket fails or the time-out passes.
    bool WaitFor(const std::function<bool()>& aDone);
    // Graceful: bytes already written still leave before the connection closes.
    void DropSocket(bool aGraceful = false);

    QString FHost;
    int FPort;
    int FTimeout;
    QString FUserName;
    QString FPassword;
    QPointer<QSslSocket> FSocket;
    QByteArray FBuffer;
    bool FLoggedIn = false;
    bool FBusy = false;
    TPop3Failure FLastFailure = TPop3Failure::None;
    QString FLastErrorText;
};
