#include "core/platform/authorities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSslConfiguration>
#include <QTemporaryFile>

#include <curl/curl.h>

namespace {

// The system bundle of a Linux distribution holds some 150 authorities in
// about 200 KB; a file many times that is not a bundle.
constexpr qint64 kMaxBundleBytes = qint64(16) << 20;

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

// What libcurl names as its default for `info` (CURLINFO_CAINFO or
// CURLINFO_CAPATH); empty when it names none or cannot say.
QString curlDefault(CURLINFO info)
{
    QString found;
#if LIBCURL_VERSION_NUM >= 0x075400
    if (CURL *easy = curl_easy_init()) {
        char *path = nullptr;
        if (curl_easy_getinfo(easy, info, &path) == CURLE_OK && path && *path)
            found = QString::fromLocal8Bit(path);
        curl_easy_cleanup(easy);
    }
#else
    Q_UNUSED(info)
#endif
    return found;
}

// libcurl's default bundle and folder, and where distributions keep theirs.
const QSet<QString> &systemStores()
{
    static const QSet<QString> stores = [] {
        const QStringList paths{QStringLiteral("/etc/ssl/certs"),
                                QStringLiteral("/etc/ssl/certs/ca-certificates.crt"),
                                QStringLiteral("/etc/ssl/cert.pem"),
                                QStringLiteral("/etc/ssl/ca-bundle.pem"),
                                QStringLiteral("/etc/pki/tls/certs"),
                                QStringLiteral("/etc/pki/tls/certs/ca-bundle.crt"),
                                QStringLiteral("/etc/pki/ca-trust/extracted/pem/tls-ca-bundle.pem"),
                                curlDefault(CURLINFO_CAINFO),
                                curlDefault(CURLINFO_CAPATH)};
        QSet<QString> found;
        for (const QString &path : paths) {
            const QString real = canonical(path);
            if (!real.isEmpty())
                found.insert(real);
        }
        return found;
    }();
    return stores;
}

bool isSystemStore(const QString &path)
{
    return systemStores().contains(canonical(path));
}

QList<QSslCertificate> authoritiesIn(const QString &path)
{
    QFile file(path);
    if (QFileInfo(path).size() > kMaxBundleBytes || !file.open(QIODevice::ReadOnly))
        return {};
    return QSslCertificate::fromData(file.readAll(), QSsl::Pem);
}

} // namespace

QList<QSslCertificate> environmentAuthorities()
{
    QList<QSslCertificate> found;
    QSet<QSslCertificate> seen;
    const auto take = [&](const QList<QSslCertificate> &certificates) {
        for (const QSslCertificate &certificate : certificates) {
            if (!seen.contains(certificate)) {
                seen.insert(certificate);
                found.append(certificate);
            }
        }
    };
    for (const char *variable : {"SSL_CERT_FILE", "CURL_CA_BUNDLE"}) {
        const QString path = qEnvironmentVariable(variable);
        if (!path.isEmpty() && !isSystemStore(path))
            take(authoritiesIn(path));
    }
    const QStringList folders =
        qEnvironmentVariable("SSL_CERT_DIR").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString &folder : folders) {
        if (isSystemStore(folder))
            continue;
        // OpenSSL's hashed links ("1a2b3c4d.0") and the files they point to
        // name the same certificate; either is taken once.
        const QFileInfoList entries =
            QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo &entry : entries)
            take(authoritiesIn(entry.filePath()));
    }
    return found;
}

QString systemAuthorityFile()
{
    static const QString file = [] {
        const QString path = curlDefault(CURLINFO_CAINFO);
        return QFileInfo(path).isFile() ? path : QString();
    }();
    return file;
}

std::unique_ptr<QTemporaryFile> writeAuthorityFile(const QList<QSslCertificate> &added)
{
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                 QLatin1String("/vhprimarydata-ca-XXXXXX.pem"));
    if (!file->open())
        return nullptr;
    // The system's bundle is copied as it is, without being parsed; where
    // libcurl has none, Qt's reading of the system's store stands in.
    QFile bundle(systemAuthorityFile());
    if (!bundle.fileName().isEmpty() && bundle.open(QIODevice::ReadOnly)) {
        file->write(bundle.readAll());
        file->write("\n");
    } else {
        const QList<QSslCertificate> system = QSslConfiguration::systemCaCertificates();
        for (const QSslCertificate &certificate : system)
            file->write(certificate.toPem());
    }
    for (const QSslCertificate &certificate : added)
        file->write(certificate.toPem());
    if (!file->flush())
        return nullptr;
    file->close();
    return file;
}
