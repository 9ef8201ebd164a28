#include "core/platform/authorities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// The system bundle of a Linux distribution holds some 150 authorities in
// about 200 KB; a file many times that is not a bundle.
constexpr qint64 kMaxBundleBytes = qint64(16) << 20;

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
    for (const char *variable : {"SSL_CERT_FILE", "CURL_CA_BUNDLE"}) {
        const QString path = qEnvironmentVariable(variable);
        if (!path.isEmpty())
            found += authoritiesIn(path);
    }
    const QStringList folders =
        qEnvironmentVariable("SSL_CERT_DIR").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString &folder : folders) {
        // OpenSSL's hashed links ("1a2b3c4d.0") and the files they point to
        // name the same certificate; either is taken once.
        const QFileInfoList entries =
            QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo &entry : entries) {
            for (const QSslCertificate &certificate : authoritiesIn(entry.filePath())) {
                if (!found.contains(certificate))
                    found.append(certificate);
            }
        }
    }
    return found;
}

std::unique_ptr<QTemporaryFile> writeAuthorityFile(const QList<QSslCertificate> &authorities)
{
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                 QLatin1String("/vhprimarydata-ca-XXXXXX.pem"));
    if (!file->open())
        return nullptr;
    for (const QSslCertificate &certificate : authorities)
        file->write(certificate.toPem());
    if (!file->flush())
        return nullptr;
    file->close();
    return file;
}
