#ifndef VHPD_SOCKETTRANSPORT_H
#define VHPD_SOCKETTRANSPORT_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPair>
#include <QString>

#include <memory>

class QAbstractSocket;
class QFile;
class QNetworkReply;
class QNetworkRequest;
class SocketReply;

// The transport's Qt backend for one thread: HTTP/1.1 read and written by the
// library itself over Qt's sockets (QTcpSocket, QSslSocket with the request's
// TLS configuration, Qt's HTTP CONNECT and SOCKS5 proxy sockets).
//
// Qt 5's access manager reads replies in a thread of its own and learns of a
// reply's read window only after it has sent the request, so a server that
// streams faster than that thread reads can make it read without bound. Here
// a reply is read in the thread that waits for it, at most a window at a
// time, and no byte is read before the limits can judge it.
//
// Connections are kept alive between requests, a few per origin; one that
// the server closed while it was kept is replaced once, transparently, for a
// request that can be sent again. Requests ask for uncompressed replies.
class SocketTransport : public QObject
{
    Q_OBJECT
public:
    explicit SocketTransport(QObject *parent = nullptr);
    ~SocketTransport() override;

    // Starts the request on the next turn of the event loop; the reply is a
    // child of this object. The request's raw headers are sent as they are;
    // its transfer time-out, when set, gives up after that long without data
    // moving.
    QNetworkReply *send(const QNetworkRequest &request, QNetworkAccessManager::Operation operation,
                        const QByteArray &body = QByteArray());
    // A multipart form with `verb`: a text part per field and the part "file"
    // read from the open `file` as it is sent.
    QNetworkReply *sendForm(const QNetworkRequest &request, const QByteArray &verb,
                            const QMap<QString, QString> &fields, std::unique_ptr<QFile> file);

    // Cancels the requests under way and closes every kept connection.
    void closeConnections();

    // The most connections kept open while idle, over all origins.
    static constexpr int MaxIdleConnections = 8;

private:
    friend class SocketReply;

    // A connection kept for the next request to `key`, or null.
    QAbstractSocket *takeIdle(const QString &key);
    void keepIdle(const QString &key, QAbstractSocket *socket);
    void dropIdle(QAbstractSocket *socket);

    QList<QPair<QString, QAbstractSocket *>> m_idle;
};

#endif // VHPD_SOCKETTRANSPORT_H
