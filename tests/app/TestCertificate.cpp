#include "TestCertificate.h"

#include <QHostAddress>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace testing_support {

namespace {

template <typename T, void (*Free)(T*)> struct TDeleter {
    void operator()(T* p) const { Free(p); }
};
using TKey = std::unique_ptr<EVP_PKEY, TDeleter<EVP_PKEY, EVP_PKEY_free>>;
using TCert = std::unique_ptr<X509, TDeleter<X509, X509_free>>;
using TExt = std::unique_ptr<X509_EXTENSION, TDeleter<X509_EXTENSION, X509_EXTENSION_free>>;
void FreeBio(BIO* bio) {
    BIO_free(bio);
}
using TBio = std::unique_ptr<BIO, TDeleter<BIO, FreeBio>>;

void Check(bool aOk, const char* aWhat) {
    if (!aOk) {
        throw std::runtime_error(std::string("test certificate: ") + aWhat);
    }
}

void AddExtension(X509* aCert, int aNid, const std::string& aValue) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, aCert, aCert, nullptr, nullptr, 0);
    TExt ext(X509V3_EXT_conf_nid(nullptr, &ctx, aNid, aValue.c_str()));
    Check(ext != nullptr && X509_add_ext(aCert, ext.get(), -1) == 1, "extension");
}

QByteArray ToPem(const std::function<int(BIO*)>& aWrite) {
    TBio bio(BIO_new(BIO_s_mem()));
    Check(bio != nullptr && aWrite(bio.get()) == 1, "PEM");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, static_cast<qsizetype>(size));
}

} // namespace

TTestCertificate MakeTestCertificate(const QStringList& aNames) {
    Check(!aNames.isEmpty(), "no names");
    TKey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    Check(key != nullptr, "key");
    TCert cert(X509_new());
    Check(cert != nullptr, "certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 2 * 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    const QByteArray cn = aNames.first().toUtf8();
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(cn.constData()), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);

    std::string alt;
    for (const QString& entry : aNames) {
        alt += alt.empty() ? "" : ",";
        alt += (QHostAddress(entry).isNull() ? "DNS:" : "IP:") + entry.toStdString();
    }
    AddExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert.get(), NID_subject_alt_name, alt);
    Check(X509_sign(cert.get(), key.get(), EVP_sha256()) > 0, "signature");

    TTestCertificate result;
    result.CertificatePem = ToPem([&](BIO* bio) { return PEM_write_bio_X509(bio, cert.get()); });
    result.KeyPem = ToPem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    return result;
}

const TTestCertificate& HostedServiceCertificate() {
    static const TTestCertificate certificate =
        MakeTestCertificate({QStringLiteral("pop.quenlix.example"), QStringLiteral("localhost"),
                             QStringLiteral("127.0.0.1")});
    return certificate;
}

} // namespace testing_support
