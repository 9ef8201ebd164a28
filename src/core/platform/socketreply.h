#ifndef VHPD_SOCKETREPLY_H
#define VHPD_SOCKETREPLY_H

#include "core/platform/httpreplyreader.h"
#include "core/platform/transportreply.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QNetworkProxy>
#include <QPointer>
#include <QTimer>

#include <memory>

class QFile;
class QSslError;
class SocketTransport;

// One HTTP/1.1 exchange over a Qt socket, seen by its callers as Qt's own
// replies are: the same attributes, headers, errors and signals.
//
// The socket holds at most ReadWindowBytes unread, and a piece is read only
// when the reply's limits can judge it, so that no reply makes the socket or
// this object hold more than its limit and a window.
class SocketReply : public TransportReply
{
    Q_OBJECT
public:
    SocketReply(SocketTransport *transport, const QNetworkRequest &request,
                QNetworkAccessManager::Operation operation, QObject *parent);
    ~SocketReply() override;

    void abort() override;

    static constexpr qint64 ReadWindowBytes = qint64(256) * 1024;

private:
    friend class SocketTransport;

    // The body: bytes held in memory, which may be sent again on another
    // connection, or a form streamed from `file` between `m_body` and `tail`.
    void setBody(const QByteArray &body) { m_body = body; }
    void setForm(const QByteArray &head, std::unique_ptr<QFile> file, const QByteArray &tail);

    void start();
    void connectFresh();
    void attach(QAbstractSocket *socket);
    void writeRequest();
    void sendMore();
    void takeReply();
    bool takeHead();
    void onSocketError(QAbstractSocket::SocketError error);
    void onClosed();
    void onSslErrors(const QList<QSslError> &errors);
    // The exchange over a kept connection failed before a byte of the reply
    // came: the server had closed it. Sends the request again on a new one.
    bool retryFresh();
    void finishExchange(bool leftOver);
    void fail(NetworkError code, const QString &text);
    // Lets go of the socket: kept for the next request, or closed.
    void release(bool keep);
    HttpReplyReader makeReader();

    QPointer<SocketTransport> m_transport;
    QNetworkProxy m_proxy;
    // A plain request through an HTTP proxy names the whole URL and goes to
    // the proxy itself; encrypted ones tunnel through it.
    bool m_throughHttpProxy = false;
    QString m_connectionKey;

    QAbstractSocket *m_socket = nullptr;
    // Taken from the idle ones; a new connection replaces it at most once.
    bool m_reused = false;
    bool m_replyStarted = false;

    QByteArray m_body;
    std::unique_ptr<QFile> m_file;
    QByteArray m_tail;
    qint64 m_bodySize = 0;
    // What has been handed to the socket, the request's head included.
    qint64 m_headSize = 0;
    qint64 m_queued = 0;
    // What of the body goes to the socket next.
    enum class Sending { Body, File, Tail, Done };
    Sending m_sending = Sending::Body;
    qint64 m_uploadAnnounced = -1;

    HttpReplyReader m_reader;
    bool m_headTaken = false;
    bool m_metaDataSent = false;

    // Set when the request asks for a transfer time-out: gives up when no
    // data has moved for that long.
    QTimer m_inactivity;
};

#endif // VHPD_SOCKETREPLY_H
