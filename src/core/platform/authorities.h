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
// trusted beside the system's, not instead of them, so the system's own store,
// which many machines name there, is passed over without being read. So are
// files that hold no certificate and files larger than a bundle could be.
QList<QSslCertificate> environmentAuthorities();

// The PEM bundle of the system's authorities libcurl uses by default, when it
// has one and it exists (Linux builds do; builds on the system's own TLS, such
// as Schannel, do not); empty otherwise.
QString systemAuthorityFile();

// The system's authorities and `added` as one PEM file, private to this user,
// removed when the returned object goes; null when it cannot be written.
// libcurl reads authorities from a file once per transport and keeps them,
// where a bundle held in memory would be parsed again for every connection.
std::unique_ptr<QTemporaryFile> writeAuthorityFile(const QList<QSslCertificate> &added);

#endif // VHPD_AUTHORITIES_H
