#ifndef VHPD_CURLTRANSPORT_H
#define VHPD_CURLTRANSPORT_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>

#include <curl/curl.h>

#include <memory>

class CurlReply;
class QFile;
class QNetworkReply;
class QNetworkRequest;
class QSocketNotifier;

// The transport's libcurl backend for one thread: one multi handle that keeps
// connections alive between requests, with TCP_NODELAY so that a request's
// body leaves together with its headers. Cookies travel as the request's own
// headers; the manager keeps them for every backend alike.
//
// A new TLS connection costs about what Qt's does: the trusted authorities
// are read from a file, which curl parses once per multi handle and caches,
// and server sessions are resumed through a share object.
//
// curl is driven by the event loop of the thread that owns this object: a
// socket notifier per socket curl watches and one timer for curl's time-outs.
// No thread of its own; each thread that sends requests has its own transport.
class CurlTransport : public QObject
{
    Q_OBJECT
public:
    explicit CurlTransport(QObject *parent = nullptr);
    ~CurlTransport() override;

    // Starts the request at once; the reply is a child of this object. The
    // request's raw headers are sent as they are; its transfer time-out, when
    // set, gives up after that long without data moving.
    QNetworkReply *send(const QNetworkRequest &request, QNetworkAccessManager::Operation operation,
                        const QByteArray &body = QByteArray());
    // A multipart form with `verb`: a text part per field and the part "file"
    // read from the open `file` as it is sent.
    QNetworkReply *sendForm(const QNetworkRequest &request, const QByteArray &verb,
                            const QMap<QString, QString> &fields, std::unique_ptr<QFile> file);

    // The PEM file (its local 8-bit path) of the certification authorities
    // trusted on connections opened from now on; empty trusts libcurl's
    // default ones alone.
    void setCaFile(const QByteArray &path) { m_caFile = path; }
    // Cancels the requests under way and closes every kept connection.
    void closeConnections();

private:
    friend class CurlReply;
    struct Watch;

    CurlReply *prepare(const QNetworkRequest &request, QNetworkAccessManager::Operation operation);
    QNetworkReply *start(CurlReply *reply);
    void detach(CurlReply *reply);
    void createMulti();
    void destroyMulti();
    // Lets curl act on `socket` (or on its time-outs), then announces what
    // the replies received once curl has returned.
    void drive(curl_socket_t socket, int events);
    void watch(curl_socket_t socket, int what);
    void unwatch(curl_socket_t socket);

    static int onSocket(CURL *easy, curl_socket_t socket, int what, void *self, void *);
    static int onTimer(CURLM *multi, long timeoutMs, void *self);

    CURLM *m_multi = nullptr;
    // Shared by this transport's requests: the TLS sessions servers gave, so
    // that a new connection to the same server resumes one instead of a full
    // handshake.
    CURLSH *m_share = nullptr;
    QTimer m_timer;
    QHash<curl_socket_t, Watch *> m_watches;
    QList<CurlReply *> m_active;
    QByteArray m_caFile;
};

#endif // VHPD_CURLTRANSPORT_H
