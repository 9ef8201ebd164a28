#ifndef VHPD_TRANSPORTREPLY_H
#define VHPD_TRANSPORTREPLY_H

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPair>
#include <QString>

class QIODevice;

// Request attributes through which the manager gives each exchange its
// limits: the largest body (decoded) and the most records its reply may hold.
extern const QNetworkRequest::Attribute kMaxBodyBytesAttribute;
extern const QNetworkRequest::Attribute kMaxRecordsAttribute;

// A request header's name or value as it goes on the wire, on one line
// whatever the caller or a server's earlier reply put in it: a line break
// would end the header and begin one of the sender's choosing.
QByteArray singleLine(QByteArray text);

// A reply of the transport, whichever backend carries it. It keeps the body
// as it arrives, decoded, and holds it to the request's size limit while it
// arrives; when the exchange ends it counts the records of the body before
// anyone parses it. A reply over either limit ends as a failed transfer that
// names the limit (kRefusedProperty marks it) and its body is dropped, so
// that no reply costs more memory than a small multiple of the limits.
class TransportReply : public QNetworkReply
{
    Q_OBJECT
public:
    // Like Qt's replies, closing one that is still under way cancels it.
    void close() override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override { return true; }

    // Bodies are not reserved beyond this up front, whatever length is
    // announced: a long page grows from there.
    static constexpr qint64 MaxBodyReserve = qint64(128) << 20;

protected:
    TransportReply(const QNetworkRequest &request, QNetworkAccessManager::Operation operation,
                   QObject *parent);

    qint64 readData(char *data, qint64 maxSize) override;
    // Closes the reply as a device, without the cancelling of close(): for
    // abort(), which cancels the exchange itself.
    void closeDevice() { QNetworkReply::close(); }

    // Takes the next bytes of the decoded body. False, keeping none of them,
    // once the body would outgrow its limit; the reply is then refused.
    bool appendBody(const char *data, qint64 size);
    // The same for everything `source` has available, read straight into
    // the body.
    bool appendBody(QIODevice &source);
    // Makes room at once for a body announced to be `size` bytes long. False
    // when that is beyond the limit; the reply is then refused.
    bool reserveBody(qint64 size);
    // Whether bytes have been taken that readers have not been told about.
    bool bodyPending() const { return m_received != m_announced; }
    // Tells readers about them (readyRead, downloadProgress). False when a
    // slot finished or deleted the reply.
    bool announceBody();
    // Refuses the reply for `cause`: it will fail with that cause, whatever
    // else happens to it, and its body is not kept.
    void refuse(const QString &cause);
    bool refused() const { return !m_refusal.isEmpty(); }

    // Sets and signals the error; false when the reply is gone or finished.
    bool reportError(NetworkError code, const QString &text);
    // Ends the exchange with `code` (NoError when it succeeded), unless a
    // limit refuses the reply, which then fails with that cause instead.
    void complete(NetworkError code, const QString &text);
    // Ends an exchange whose server answered: with the error Qt gives the
    // reply's HTTP status (NoError for 1xx to 3xx).
    void completeWithStatus();

    // Takes the reply's status line and headers as Qt's replies give them:
    // repeated headers joined with ", " (cookies with a new line), and the
    // redirection target of a 3xx reply as the Location header's URL,
    // unresolved. `dropLength` leaves out an announced length that is not
    // the length of the body the reply will hold (it was decoded).
    void setReplyHead(int status, const QByteArray &reason,
                      const QList<QPair<QByteArray, QByteArray>> &headers, bool dropLength);

private:
    QByteArray m_data;
    int m_readPos = 0;
    qint64 m_received = 0;
    qint64 m_announced = 0;
    qint64 m_maxBodyBytes;
    int m_maxRecords;
    QString m_refusal;
};

// An exchange failed before it reached the network: it ends with the given
// error on the next turn of the event loop, as a connection attempt that
// failed at once would.
class RefusedReply : public TransportReply
{
    Q_OBJECT
public:
    RefusedReply(const QNetworkRequest &request, QNetworkAccessManager::Operation operation,
                 NetworkError code, const QString &text, QObject *parent);
    void abort() override;
};

#endif // VHPD_TRANSPORTREPLY_H
