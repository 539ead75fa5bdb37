#pragma once
// The installed system's network facts in Qt terms: where a host:port is really reached (the
// redirections of system.ini) and which extra CA certificates are trusted besides the system's.

#include <QList>
#include <QSslCertificate>
#include <QString>

namespace app {

struct TNetworkRoute {
    QString Host;
    int Port = 0;
    bool Redirected = false;
};

// The address to connect to for aHost:aPort; the host itself when nothing redirects it or no
// system is installed.
TNetworkRoute RouteFor(const QString& aHost, int aPort);

// The certificates of the system's extra CA files; files that cannot be read add nothing.
QList<QSslCertificate> ExtraCaCertificates();

} // namespace app
