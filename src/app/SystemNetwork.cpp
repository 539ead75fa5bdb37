#include "app/SystemNetwork.h"

#include "platform/System.h"

#include <QFile>

namespace app {

TNetworkRoute RouteFor(const QString& aHost, int aPort) {
    TNetworkRoute route{aHost, aPort, false};
    if (!platform::SystemInstalled()) {
        return route;
    }
    const auto& redirections = platform::MachineFacts().Redirections;
    const std::string key = aHost.toLower().toStdString() + ":" + std::to_string(aPort);
    const auto found = redirections.find(key);
    if (found != redirections.end()) {
        route.Host = QString::fromStdString(found->second.Host);
        route.Port = found->second.Port;
        route.Redirected = true;
    }
    return route;
}

QList<QSslCertificate> ExtraCaCertificates() {
    QList<QSslCertificate> certificates;
    if (!platform::SystemInstalled()) {
        return certificates;
    }
    for (const auto& file : platform::MachineFacts().ExtraCaFiles) {
        QFile in(QString::fromStdString(file.string()));
        if (!in.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray data = in.readAll();
        QList<QSslCertificate> read = QSslCertificate::fromData(data, QSsl::Pem);
        if (read.isEmpty()) {
            read = QSslCertificate::fromData(data, QSsl::Der);
        }
        certificates += read;
    }
    return certificates;
}

} // namespace app
