#ifndef VHPD_AUTHORITIES_H
#define VHPD_AUTHORITIES_H

#include <QList>
#include <QSslCertificate>
#include <QString>

#include <memory>

class QTemporaryFile;

// The certification authorities the environment names, by the variables
// OpenSSL and curl users know: SSL_CERT_FILE and CURL_CA_BUNDLE (PEM bundles)
// and SSL_CERT_DIR (folders of PEM files, separated like PATH). They are
// trusted beside the system's, not instead of them. Files that hold no
// certificate, and files larger than a bundle could be, are passed over.
QList<QSslCertificate> environmentAuthorities();

// `authorities` as one PEM file, private to this user, removed when the
// returned object goes; null when it cannot be written. libcurl reads
// authorities from a file once per transport and keeps them, where a bundle
// held in memory would be parsed again for every connection.
std::unique_ptr<QTemporaryFile> writeAuthorityFile(const QList<QSslCertificate> &authorities);

#endif // VHPD_AUTHORITIES_H
