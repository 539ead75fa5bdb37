#pragma once
// A self-signed server certificate made at test time (no key material lives in the tree).

#include <QByteArray>
#include <QStringList>

namespace testing_support {

struct TTestCertificate {
    QByteArray CertificatePem;
    QByteArray KeyPem; // PKCS#8, unencrypted, EC P-256
};

// Subject CN is the first name; every name becomes a subjectAltName (DNS, or IP for an address).
// Throws std::runtime_error when OpenSSL fails.
TTestCertificate MakeTestCertificate(const QStringList& aNames);

// One certificate per test program for the hosted POP3 service (and localhost, 127.0.0.1).
const TTestCertificate& HostedServiceCertificate();

} // namespace testing_support
