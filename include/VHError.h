#ifndef VHERROR_H
#define VHERROR_H

#include "VHPrimaryDataExport.h"

#include <QString>

class QDebug;

/// @file
/// Why an operation failed: the cause of the first exchange with the server
/// that did not succeed, as VHPrimaryData::lastError() reports it.

/// The cause of a failed exchange with the server, in the terms a client
/// needs to tell the user what happened and what to do next. It never holds
/// a password, verification code, bearer token or proxy credentials.
struct VHPRIMARYDATA_EXPORT VHError
{
    enum class Kind {
        /// The operation's exchanges all succeeded.
        None,
        /// Nothing listens at the server's address and port.
        ConnectionRefused,
        /// The server's host name could not be resolved.
        HostNotFound,
        /// The exchange's time-out (NetworkManager::setTimeout) ran out.
        TimedOut,
        /// The TLS handshake or the verification of the server's certificate
        /// failed; `detail` says what was wrong with it.
        Tls,
        /// The proxy could not be reached or refused the connection.
        Proxy,
        /// The proxy answered 407: it wants credentials.
        ProxyAuthentication,
        /// An HTTP error status without a readable message from the server.
        Http,
        /// An HTTP error status whose body carried the server's "code" or
        /// "message" (`serverCode`, `serverMessage`).
        Server,
        /// A reply that was not the JSON the operation expected.
        BadReply,
        /// Any other transport failure: the connection was reset or closed
        /// early, the reply was too large, the exchange was cancelled.
        Network
    };

    Kind kind = Kind::None;
    /// The HTTP status of the reply; 0 when no HTTP answer arrived.
    int httpStatus = 0;
    /// The "code" of the server's error body; 0 when it sent none.
    int serverCode = 0;
    /// The "message" of the server's error body; empty when it sent none.
    QString serverMessage;
    /// The transport's own words on the failure: for Tls what was wrong with
    /// the certificate ("signed by an unknown authority", "expired", "issued
    /// for another name"), otherwise the network stack's message.
    QString detail;
    /// The request's HTTP method ("GET", "POST", ...); empty for Kind::None.
    QString method;
    /// The request's URL without user information; empty for Kind::None.
    QString url;

    bool isNone() const { return kind == Kind::None; }
    /// The kind's name as a stable lower-camel-case word ("none",
    /// "connectionRefused", "hostNotFound", "timedOut", "tls", "proxy",
    /// "proxyAuthentication", "http", "server", "badReply", "network"), for
    /// logs and machine-readable output.
    static QString kindName(Kind kind);

    friend bool operator==(const VHError &a, const VHError &b)
    {
        return a.kind == b.kind && a.httpStatus == b.httpStatus && a.serverCode == b.serverCode &&
               a.serverMessage == b.serverMessage && a.detail == b.detail && a.method == b.method &&
               a.url == b.url;
    }
    friend bool operator!=(const VHError &a, const VHError &b) { return !(a == b); }
};

/// Writes every field, named, for logs and test failures.
VHPRIMARYDATA_EXPORT QDebug operator<<(QDebug debug, const VHError &error);

#endif // VHERROR_H
